// TWebMethods: the module "methods". Each published method is a row of the
// web method table (WebMethodTable.h) bound to a handler that reads the
// row's parameters through TWebCall, calls one service and writes one result.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "KVNativeHost.h"
#include "WebCall_win.h"
#include "WebMethodTable.h"
#include "WinHandle.h"
#include "WinVariant.h"

class TNativeMethod;
class TWebCall;
class TWebMethods;

using TWebMethodHandler = void (*)(TWebCall& call);

// A handler for the table row of the same name.
struct TWebMethodBinding {
  const char16_t* name;
  TWebMethodHandler handler;
};

struct TWebMethodEntry {
  const TWebMethodRow* row;
  TWebMethodHandler handler;
};

// One page call as a handler sees it: the row's parameters converted by
// their kinds, the result written by the row's result kind.
class TWebCall {
 public:
  TWebCall(const TWebMethodRow& row, TWebMethods& module, IWebContext* context, IWebRequest* request,
           IWebResponse* response);

  const TWebMethodRow& Row() const { return row_; }
  TWebMethods& Module() { return module_; }
  IWebContext* Context() { return context_; }
  IWebRequest* Request() { return request_; }
  IWebResponse* Response() { return response_; }
  // The process-wide service object.
  TNativeMethod& Native();

  // Parameters by name. Each accessor requires the row to declare the
  // parameter with a matching kind (a mismatch is a programming error).
  // Text: Text, FunctionName, TextOr and NullableTextOr (defaults applied).
  std::u16string Text(std::u16string_view name);
  bool Flag(std::u16string_view name);
  int32_t Integer(std::u16string_view name);
  // JsonObject: the JSON text of the object sent, "{}" when it is none.
  std::u16string JsonObjectText(std::u16string_view name);
  // The parameter as read, whatever its kind.
  std::u16string RawParam(std::u16string_view name);
  // Callback, Callback2, OptionalCallback and OptionalCallback2: the page
  // callback as the late-bound callable a service keeps and calls with
  // CallCallback. An optional callback named "", "null" or "undefined" is
  // the empty value (no callback); the others are made for any name.
  TVariant Callback(std::u16string_view name);
  // DialogCallback: the object the host reports a file dialog's result to.
  com_ptr<IWebRunFileDialogCallback> DialogCallback(std::u16string_view name);

  // The result, written as the row's result kind says; each form requires a
  // matching kind. Strings serve the String, Json and JsonOrNull kinds.
  template <typename T>
    requires std::is_same_v<T, bool>
  void Result(T value) {
    ResultBoolean(value);
  }
  void Result(int32_t value);
  void Result(double value);
  void Result(const std::u16string& text);
  void Result(std::u16string_view text) { Result(std::u16string(text)); }
  void Result(const char16_t* text) = delete;

  // Ends the call as failed with `message` (SetError); no result is set.
  void Fail(std::u16string_view message);

  // After the handler: a "none" row finishes here; any other row must have
  // written its result or failed.
  void Complete();

 private:
  const TWebParam& Param(std::u16string_view name, std::initializer_list<TWebParamKind> kinds) const;
  com_ptr<IWebPostData> ResultHolder();
  void RequireResultKind(std::initializer_list<TWebResultKind> kinds) const;
  void ResultBoolean(bool value);

  const TWebMethodRow& row_;
  TWebMethods& module_;
  IWebContext* context_;
  IWebRequest* request_;
  IWebResponse* response_;
  bool done_ = false;
};

// The module's shared object. Its only state is the bookkeeping of the modal
// web form.
class TWebMethods final : public TWebModule {};

// Runs one bound method (the body of NativeLoadResource's invocation).
void RunWebMethod(const TWebMethodEntry& method, TWebMethods& module, IWebContext* context, IWebRequest* request,
                  IWebResponse* response);

// The bindings, one set per service area (WebNativeMeths_<Area>_win.cpp).
std::span<const TWebMethodBinding> SettingsWebMethods();
std::span<const TWebMethodBinding> SystemWebMethods();
std::span<const TWebMethodBinding> CryptoWebMethods();
std::span<const TWebMethodBinding> MemStoreWebMethods();
std::span<const TWebMethodBinding> FilesWebMethods();
std::span<const TWebMethodBinding> CallbacksWebMethods();
std::span<const TWebMethodBinding> ZipWebMethods();

// Every bound method, for tests and diagnostics.
std::span<const TWebMethodEntry> BoundWebMethods();

// Library start-up and unload of the web method component: builds the method
// index and registers the module "methods".
void WebMethodsInitialize();
void WebMethodsFinalize();
