#include "TestHost.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "TextConv.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

constexpr UINT kRunMethodMessage = WM_APP + 1;

// IUnknown for one interface and the bases it derives from, counted
// atomically.
template <typename Self, typename Iface, typename... Bases>
class TComObject : public Iface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == __uuidof(Iface) || ((iid == __uuidof(Bases)) || ...)) {
      *object = static_cast<Iface*>(this);
      this->AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete static_cast<Self*>(this);
    return n;
  }
  virtual ~TComObject() = default;

 private:
  std::atomic<ULONG> refs_{1};
};

std::u16string VariantText(const VARIANT& v) {
  if (v.vt == VT_BSTR) return std::u16string(as_u16view(v.bstrVal));
  return {};
}

std::u16string FormatWithStrings(std::u16string_view format, const VARIANT* args, UINT count) {
  std::u16string out;
  UINT next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's') {
      if (next < count) out += VariantText(args[next++]);
      ++i;
    } else {
      out.push_back(format[i]);
    }
  }
  return out;
}

class TTestPostData final : public TComObject<TTestPostData, IWebPostData, IWebBase> {
 public:
  explicit TTestPostData(TResponseRecord& record) : record_(record) {}
  HRESULT STDMETHODCALLTYPE GetAsBoolean(BOOL* value) override {
    if (!value) return E_POINTER;
    *value = record_.boolean ? TRUE : FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetAsString(LPCWSTR value) override {
    record_.resultKind = TResponseRecord::ResultKind::String;
    record_.text = as_u16view(value);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetAsBoolean(BOOL value) override {
    record_.resultKind = TResponseRecord::ResultKind::Boolean;
    record_.boolean = value != FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetAsInteger(INT32 value) override {
    record_.resultKind = TResponseRecord::ResultKind::Integer;
    record_.integer = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetAsFloat(double value) override {
    record_.resultKind = TResponseRecord::ResultKind::Float;
    record_.number = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetAsJson(LPCWSTR json) override {
    record_.resultKind = TResponseRecord::ResultKind::Json;
    record_.text = as_u16view(json);
    return S_OK;
  }

 private:
  TResponseRecord& record_;
};

class TTestResponse final : public TComObject<TTestResponse, IWebResponse, IWebBase> {
 public:
  TTestResponse() : data_(new TTestPostData(record_)) {}
  ~TTestResponse() override { data_->Release(); }
  const TResponseRecord& Record() const { return record_; }

  HRESULT STDMETHODCALLTYPE GetData(IWebPostData** data) override {
    if (!data) return E_POINTER;
    data_->AddRef();
    *data = data_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetContentType(LPCWSTR value) override {
    record_.contentType = as_u16view(value);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Finish(INT32 code) override {
    End(TResponseRecord::Ending::Finish);
    record_.finishCode = code;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetError(LPCWSTR message) override {
    End(TResponseRecord::Ending::Error);
    record_.message = as_u16view(message);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetErrorCode(INT32 status, LPCWSTR message) override {
    End(TResponseRecord::Ending::ErrorCode);
    record_.status = status;
    record_.message = as_u16view(message);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetErrorFmt(INT32 status, LPCWSTR format, const VARIANT* args, UINT count) override {
    End(TResponseRecord::Ending::ErrorFmt);
    record_.status = status;
    record_.message = FormatWithStrings(as_u16view(format), args, count);
    return S_OK;
  }

 private:
  void End(TResponseRecord::Ending ending) {
    record_.ending = ending;
    ++record_.endings;
  }
  TResponseRecord record_;
  TTestPostData* data_;
};

class TTestRequest final : public TComObject<TTestRequest, IWebRequest, IWebBase> {
 public:
  TTestRequest(std::u16string url, std::u16string module, std::u16string method, TParams params)
      : url_(std::move(url)), module_(std::move(module)), method_(std::move(method)), params_(std::move(params)) {}

  HRESULT STDMETHODCALLTYPE GetUrl(BSTR* url) override { return Out(url, url_); }
  HRESULT STDMETHODCALLTYPE GetMethodName(BSTR* name) override { return Out(name, method_); }
  HRESULT STDMETHODCALLTYPE GetModuleName(BSTR* name) override { return Out(name, module_); }
  HRESULT STDMETHODCALLTYPE GetParam(LPCWSTR name, BSTR* value) override {
    const auto it = params_.find(std::u16string(as_u16view(name)));
    return Out(value, it == params_.end() ? std::u16string() : it->second);
  }

 private:
  static HRESULT Out(BSTR* out, const std::u16string& text) {
    if (!out) return E_POINTER;
    *out = AllocBstr(text);
    return S_OK;
  }
  std::u16string url_, module_, method_;
  TParams params_;
};

struct TMarshalledCall {
  KVWebMethodProc proc;
  void* data;
  HANDLE done;
};

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kRunMethodMessage) {
    auto* call = reinterpret_cast<TMarshalledCall*>(lparam);
    call->proc(call->data);
    SetEvent(call->done);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

const wchar_t kHostWindowClass[] = L"KVNativeTestHost";
const wchar_t kBrowserWindowClass[] = L"KVNativeTestBrowser";

void RegisterClasses() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostWindowClass;
    RegisterClassW(&wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = kBrowserWindowClass;
    RegisterClassW(&wc);
    return true;
  }();
  (void)registered;
}

}  // namespace

class TTestContext final : public TComObject<TTestContext, IWebContext, IWebBase> {
 public:
  explicit TTestContext(TTestHost& host) : host_(&host) {}
  void Detach() { host_ = nullptr; }

  HRESULT STDMETHODCALLTYPE GetWindowHandle(HWND* window) override {
    if (!window) return E_POINTER;
    *window = host_ ? host_->browserWindow_ : nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RunMethod(BOOL mainThread, KVWebMethodProc proc, void* data) override {
    if (!host_ || !proc) return E_UNEXPECTED;
    {
      std::lock_guard lock(host_->mutex_);
      ++(mainThread ? host_->runMethodMain_ : host_->runMethodAny_);
    }
    if (!mainThread || GetCurrentThreadId() == host_->mainThread_) {
      proc(data);
      return S_OK;
    }
    TMarshalledCall call{proc, data, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (!PostMessageW(host_->messageWindow_, kRunMethodMessage, 0, reinterpret_cast<LPARAM>(&call))) {
      CloseHandle(call.done);
      return E_FAIL;
    }
    WaitForSingleObject(call.done, INFINITE);
    CloseHandle(call.done);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE UrlDecode(LPCWSTR text, BSTR* decoded) override {
    if (!decoded) return E_POINTER;
    *decoded = AllocBstr(HostUrlDecode(as_u16view(text)));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CallFunction(LPCWSTR name, const VARIANT* args, UINT count) override {
    TFunctionCall call;
    call.name = as_u16view(name);
    call.threadId = GetCurrentThreadId();
    for (UINT i = 0; i < count; ++i) {
      TCallArg arg;
      const VARIANT& v = args[i];
      if (v.vt == VT_BOOL) {
        arg.kind = TCallArg::Kind::Boolean;
        arg.boolean = v.boolVal != VARIANT_FALSE;
      } else if (v.vt == VT_BSTR) {
        arg.kind = TCallArg::Kind::String;
        arg.text = as_u16view(v.bstrVal);
      } else if (v.vt == VT_UNKNOWN && v.punkVal) {
        com_ptr<IWebScript> script;
        if (SUCCEEDED(v.punkVal->QueryInterface(__uuidof(IWebScript), reinterpret_cast<void**>(script.put())))) {
          TBstr text;
          script->GetScript(text.put());
          arg.kind = TCallArg::Kind::Script;
          arg.text = text.str();
        }
      }
      call.args.push_back(std::move(arg));
    }
    if (!host_) return E_UNEXPECTED;
    std::lock_guard lock(host_->mutex_);
    host_->calls_.push_back(std::move(call));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenFileDialog(LPCWSTR title, LPCWSTR def, LPCWSTR accept,
                                           IWebRunFileDialogCallback* callback) override {
    return Dialog(u"open", title, def, accept, callback);
  }
  HRESULT STDMETHODCALLTYPE OpenFilesDialog(LPCWSTR title, LPCWSTR def, LPCWSTR accept,
                                            IWebRunFileDialogCallback* callback) override {
    return Dialog(u"openm", title, def, accept, callback);
  }
  HRESULT STDMETHODCALLTYPE SaveFileDialog(LPCWSTR title, LPCWSTR def, LPCWSTR accept,
                                           IWebRunFileDialogCallback* callback) override {
    return Dialog(u"save", title, def, accept, callback);
  }
  HRESULT STDMETHODCALLTYPE OpenFolderDialog(LPCWSTR title, LPCWSTR def, IWebRunFileDialogCallback* callback) override {
    return Dialog(u"openfolder", title, def, nullptr, callback);
  }

 private:
  HRESULT Dialog(const char16_t* kind, LPCWSTR title, LPCWSTR def, LPCWSTR accept,
                 IWebRunFileDialogCallback* callback) {
    if (!host_) return E_UNEXPECTED;
    TDialogRequest request{kind, std::u16string(as_u16view(title)), std::u16string(as_u16view(def)),
                           std::u16string(as_u16view(accept)), callback};
    if (callback) callback->AddRef();
    std::lock_guard lock(host_->mutex_);
    host_->dialogs_.push_back(std::move(request));
    return S_OK;
  }

  TTestHost* host_;
};

TTestHost::TTestHost(const std::wstring& dllPath, std::u16string url)
    : url_(std::move(url)), mainThread_(GetCurrentThreadId()) {
  RegisterClasses();
  messageWindow_ = CreateWindowExW(0, kHostWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  context_ = new TTestContext(*this);
  library_ = dllPath.empty() ? nullptr : LoadLibraryW(dllPath.c_str());
  if (library_) {
    require_ = reinterpret_cast<RequireFn>(reinterpret_cast<void*>(GetProcAddress(library_, "NativeResourceRequire")));
    load_ = reinterpret_cast<LoadFn>(reinterpret_cast<void*>(GetProcAddress(library_, "NativeLoadResource")));
    method_ = reinterpret_cast<MethodFn>(reinterpret_cast<void*>(GetProcAddress(library_, "NativeMethod")));
  }
}

TTestHost::~TTestHost() {
  Unload();
  for (TDialogRequest& d : dialogs_) {
    if (d.callback) d.callback->Release();
  }
  context_->Detach();
  context_->Release();
  if (ownsBrowserWindow_) DestroyWindow(browserWindow_);
  DestroyWindow(messageWindow_);
}

void TTestHost::Unload() {
  if (library_) FreeLibrary(library_);
  library_ = nullptr;
  require_ = nullptr;
  load_ = nullptr;
  method_ = nullptr;
}

TCallOutcome TTestHost::Invoke(const TExportFn& fn, std::u16string_view method, const TParams& params,
                               std::u16string_view module, IWebContext* context) {
  TCallOutcome outcome;
  auto* request = new TTestRequest(url_, std::u16string(module), std::u16string(method), params);
  auto* response = new TTestResponse();
  outcome.returned = fn(context ? context : context_, request, response, &outcome.flag);
  outcome.response = response->Record();
  request->Release();
  response->Release();
  return outcome;
}

TCallOutcome TTestHost::Call(std::u16string_view method, const TParams& params, std::u16string_view module) {
  return Invoke(
      [this](IWebContext* c, IWebRequest* q, IWebResponse* r, BOOL* flag) { return load_ ? load_(c, q, r, flag) : FALSE; },
      method, params, module);
}

TCallOutcome TTestHost::RequireScript() {
  TCallOutcome outcome = Invoke([this](IWebContext* c, IWebRequest* q, IWebResponse* r, BOOL* flag) {
    *flag = FALSE;
    return require_ ? require_(c, q, r) : FALSE;
  });
  return outcome;
}

INativeMethods** TTestHost::NativeAddress() { return method_ ? method_() : nullptr; }

INativeMethods* TTestHost::Native() {
  INativeMethods** address = NativeAddress();
  return address ? *address : nullptr;
}

std::vector<TFunctionCall> TTestHost::FunctionCalls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

void TTestHost::ClearFunctionCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

std::vector<TDialogRequest> TTestHost::DialogRequests() const {
  std::lock_guard lock(mutex_);
  return dialogs_;
}

int TTestHost::RunMethodCalls(bool mainThread) const {
  std::lock_guard lock(mutex_);
  return mainThread ? runMethodMain_ : runMethodAny_;
}

void TTestHost::PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool TTestHost::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    PumpMessages();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)),
                              QS_ALLINPUT);
  }
}

HWND TTestHost::BrowserWindow() {
  if (!browserWindow_) {
    browserWindow_ = CreateWindowExW(0, kBrowserWindowClass, L"KVNative test page", WS_OVERLAPPEDWINDOW, 0, 0, 640,
                                     480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ownsBrowserWindow_ = browserWindow_ != nullptr;
  }
  return browserWindow_;
}

void TTestHost::SetBrowserWindow(HWND window) { browserWindow_ = window; }

IWebContext* TTestHost::Context() { return context_; }

std::u16string HostUrlDecode(std::u16string_view text) {
  std::string bytes;
  std::u16string out;
  const auto flush = [&] {
    if (!bytes.empty()) out += Utf8ToUtf16(bytes);
    bytes.clear();
  };
  const auto hex = [](char16_t c) -> int {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      bytes.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
      i += 2;
    } else {
      flush();
      out.push_back(text[i]);
    }
  }
  flush();
  return out;
}

std::string ToUtf8(std::u16string_view text) { return Utf16ToUtf8(text); }
