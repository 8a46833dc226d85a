// A host for tests and examples: implements the host interfaces, loads the
// real KVNative.dll, records everything the library does through them, runs
// RunMethod on its main thread (the thread that created it) and pumps
// messages.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "KVNativeMethods.h"

// What the library wrote into one response.
struct TResponseRecord {
  enum class Ending { None, Finish, Error, ErrorCode, ErrorFmt };
  enum class ResultKind { None, String, Boolean, Integer, Float, Json };

  Ending ending = Ending::None;
  int endings = 0;  // how many ending calls were made (a call ends once)
  int finishCode = -1;
  int status = 0;          // SetErrorCode and SetErrorFmt
  std::u16string message;  // the error text; for SetErrorFmt as formatted
  std::u16string contentType;
  ResultKind resultKind = ResultKind::None;
  std::u16string text;  // String and Json results
  bool boolean = false;
  int32_t integer = 0;
  double number = 0;

  bool Finished() const { return ending == Ending::Finish && endings == 1; }
  bool Failed() const { return ending != Ending::None && ending != Ending::Finish; }
};

// One argument of a CallFunction.
struct TCallArg {
  enum class Kind { Boolean, String, Script, Other };
  Kind kind = Kind::Other;
  bool boolean = false;
  std::u16string text;  // String, and the script text of Script
};

struct TFunctionCall {
  std::u16string name;
  std::vector<TCallArg> args;
  DWORD threadId = 0;
};

struct TDialogRequest {
  std::u16string kind;  // "open", "openm", "save", "openfolder"
  std::u16string title, defaultFileName, acceptTypes;
  IWebRunFileDialogCallback* callback = nullptr;  // counted reference, released by the host
};

struct TCallOutcome {
  BOOL returned = FALSE;
  BOOL flag = TRUE;
  TResponseRecord response;
};

using TParams = std::map<std::u16string, std::u16string>;

class TTestContext;

class TTestHost {
 public:
  // An empty `dllPath` loads nothing (for tests that link the library's
  // objects and call them through Invoke).
  explicit TTestHost(const std::wstring& dllPath = L"KVNative.dll", std::u16string url = u"http://kvnative.test");
  ~TTestHost();
  TTestHost(const TTestHost&) = delete;
  TTestHost& operator=(const TTestHost&) = delete;

  bool Loaded() const { return library_ != nullptr; }
  HMODULE Library() const { return library_; }
  const std::u16string& Url() const { return url_; }

  // One page call through NativeLoadResource.
  TCallOutcome Call(std::u16string_view method, const TParams& params = {}, std::u16string_view module = u"methods");
  // The client script through NativeResourceRequire.
  TCallOutcome RequireScript();
  // Calls `fn` as a host calls an export: with this host's context (or
  // `context`) and a fresh request and response. For tests of internals.
  using TExportFn = std::function<BOOL(IWebContext*, IWebRequest*, IWebResponse*, BOOL* flag)>;
  TCallOutcome Invoke(const TExportFn& fn, std::u16string_view method = u"", const TParams& params = {},
                      std::u16string_view module = u"methods", IWebContext* context = nullptr);
  // The service object through NativeMethod (nullptr when unavailable).
  INativeMethods* Native();
  INativeMethods** NativeAddress();

  // Page-side record.
  std::vector<TFunctionCall> FunctionCalls() const;
  void ClearFunctionCalls();
  std::vector<TDialogRequest> DialogRequests() const;
  int RunMethodCalls(bool mainThread) const;

  // Message loop of the host's main thread.
  void PumpMessages();
  bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

  // A real top-level window for GetWindowHandle, created hidden on first use
  // (needs a display).
  HWND BrowserWindow();
  void SetBrowserWindow(HWND window);

  IWebContext* Context();
  DWORD MainThread() const { return mainThread_; }

  // Unloads the library (FreeLibrary); later calls go nowhere.
  void Unload();

 private:
  friend class TTestContext;

  using RequireFn = BOOL(STDMETHODCALLTYPE*)(IWebContext*, IWebRequest*, IWebResponse*);
  using LoadFn = BOOL(STDMETHODCALLTYPE*)(IWebContext*, IWebRequest*, IWebResponse*, BOOL*);
  using MethodFn = INativeMethods**(STDMETHODCALLTYPE*)();

  HMODULE library_ = nullptr;
  RequireFn require_ = nullptr;
  LoadFn load_ = nullptr;
  MethodFn method_ = nullptr;
  std::u16string url_;
  DWORD mainThread_;
  HWND messageWindow_ = nullptr;
  HWND browserWindow_ = nullptr;
  bool ownsBrowserWindow_ = false;
  TTestContext* context_ = nullptr;

  mutable std::mutex mutex_;
  std::vector<TFunctionCall> calls_;
  std::vector<TDialogRequest> dialogs_;
  int runMethodMain_ = 0;
  int runMethodAny_ = 0;
};

// Percent-decoding of one URL component as the host does it: "%XX" escapes
// give bytes, read as UTF-8; malformed escapes stay as they are.
std::u16string HostUrlDecode(std::u16string_view text);

// Narrow helpers for test output.
std::string ToUtf8(std::u16string_view text);
