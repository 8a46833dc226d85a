// Page callbacks. A page function travels as its name; the web methods turn
// it into a native function object (TMyAnonymousFunction), wrap that in an
// IDispatch and hand services the late-bound callable: a VARIANT holding the
// IDispatch. Services call it with CallCallback, and the function reaches
// the page through IWebContext.CallFunction on the thread that called it.
// The chain callable -> dispatch -> function -> context keeps the page's
// context alive while any service keeps the callable.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "KVNativeMethods.h"
#include "WinComObject.h"
#include "WinHandle.h"
#include "WinVariant.h"

// A native function behind IAnonymousFunction: the interface's Call
// forwards to the virtual Call below.
class TAnonymousFunction : public TComObject<IAnonymousFunction> {
 public:
  // A failure becomes E_FAIL with the message as error information.
  HRESULT STDMETHODCALLTYPE Call(const VARIANT* args, UINT count, VARIANT* result) final;

  // The function itself: `args` in order, element 0 first.
  virtual void Call(std::span<const VARIANT> args, TVariant& result) = 0;
};

// The one-argument page callback: the argument as text, inserted into the
// page as a script expression (services pass JSON text).
class TMyAnonymousFunction : public TAnonymousFunction {
 public:
  TMyAnonymousFunction(IWebContext* context, std::u16string_view functionName);
  using TAnonymousFunction::Call;
  void Call(std::span<const VARIANT> args, TVariant& result) override;

  const com_ptr<IWebContext> Context;
  const std::u16string FunctionName;
};

// The two-argument page callback: a Boolean or string, then an object or
// array (text in braces or brackets) or a string.
class TMyAnonymousFunction2 : public TMyAnonymousFunction {
 public:
  using TMyAnonymousFunction::TMyAnonymousFunction;
  using TAnonymousFunction::Call;
  void Call(std::span<const VARIANT> args, TVariant& result) override;
};

// IDispatch around an IAnonymousFunction: member 0 of IID_NULL only, with
// the positional arguments passed on unchanged; no type information.
class TAnonymousFunctionDispatch final : public TComObject<IDispatch> {
 public:
  explicit TAnonymousFunctionDispatch(IAnonymousFunction* function) : Function(function) {}

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  const com_ptr<IAnonymousFunction> Function;
};

// Receives a file dialog's result for the page function: the paths as an
// array of strings.
class TWebRunFileDialogCallback final : public TComObject<IWebRunFileDialogCallback> {
 public:
  TWebRunFileDialogCallback(IWebContext* context, std::u16string_view functionName);

  HRESULT STDMETHODCALLTYPE OnResult(LPCWSTR paths) override;

  const com_ptr<IWebContext> Context;
  const std::u16string FunctionName;
};

// A new TAnonymousFunctionDispatch around `function`; nullptr for none.
com_ptr<IDispatch> FunctionToDispatch(IAnonymousFunction* function);

// The late-bound callables of the one- and two-argument page callbacks of
// `context` for `functionName`. Made for any name: with "", "null" or
// "undefined" calling them does nothing.
TVariant MakePageCallback(IWebContext* context, std::u16string_view functionName);
TVariant MakePageCallback2(IWebContext* context, std::u16string_view functionName);

// Calls a late-bound callable with `args` (first argument first) and returns
// its result. An empty or null callable, the marker of an omitted parameter
// (VT_ERROR DISP_E_PARAMNOTFOUND) and a value without IDispatch call nothing
// and give an empty result. A failure of the call raises ENativeError.
TVariant CallCallback(const VARIANT& callable, std::span<const TVariant> args);
inline TVariant CallCallback(const TVariant& callable, std::initializer_list<TVariant> args) {
  return CallCallback(callable.get(), std::span<const TVariant>(args.begin(), args.size()));
}

// Calls the page function `name` with `args`, first argument first.
void CallPageFunction(IWebContext* context, const std::u16string& name, TVariantArray& args);
// An argument the page receives as the value of the script expression `text`.
TVariant ScriptArgument(std::u16string_view text);

// A value as text: numbers in decimal (invariant format), null and empty as
// empty text, Booleans as "true"/"false". Raises ENativeError for values
// without a text form.
std::u16string VariantToText(const VARIANT& value);
