// The call-handling exports against what the real library cannot show: a
// module whose script starts with a byte-order mark and repeats the
// placeholder, a module without a script, and a context whose RunMethod does
// not run the method.
#include <gtest/gtest.h>

#include <stdexcept>

#include "LibraryLifecycle_win.h"
#include "NativeError.h"
#include "NativeMethod_win.h"
#include "TestHost.h"
#include "TextConv.h"
#include "WebCall_win.h"
#include "WebNativeMeths_win.h"
#include "WinHandle.h"

namespace {

class WebCallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { LibraryStartup(); }
  static void TearDownTestSuite() { LibraryShutdown(false); }
  void TearDown() override { SetLibraryModule(nullptr); }

  static TCallOutcome ServeScript(TTestHost& host) {
    return host.Invoke([](IWebContext* c, IWebRequest* q, IWebResponse* r, BOOL*) {
      return NativeResourceRequireImpl(c, q, r);
    });
  }
  static TCallOutcome Dispatch(TTestHost& host, std::u16string_view method, IWebContext* context = nullptr) {
    return host.Invoke(NativeLoadResourceImpl, method, {}, u"methods", context);
  }
};

TEST_F(WebCallTest, MarkSkippedAndOnlyTheFirstPlaceholderReplaced) {
  unique_hmodule module(LoadLibraryW(L"ScriptRes.dll"));
  ASSERT_TRUE(module);
  SetLibraryModule(module.get());
  TTestHost host(L"", u"http://h/x");
  TCallOutcome outcome = ServeScript(host);
  ASSERT_TRUE(outcome.returned);
  EXPECT_TRUE(outcome.response.Finished());
  // The first placeholder, whatever its case, is the one replaced.
  EXPECT_EQ(outcome.response.text, u"(function (u) { return [u, \"http://h/x\", \"%url%\"]; })(\"%Url%\")");
}

TEST_F(WebCallTest, MissingScriptAnswers404) {
  unique_hmodule module(LoadLibraryW(L"NoScript.dll"));
  ASSERT_TRUE(module);
  SetLibraryModule(module.get());
  TTestHost host(L"");
  TCallOutcome outcome = ServeScript(host);
  EXPECT_FALSE(outcome.returned);
  EXPECT_EQ(outcome.response.ending, TResponseRecord::Ending::ErrorCode);
  EXPECT_EQ(outcome.response.status, 404);
  EXPECT_EQ(outcome.response.message, u"resource [NativeRequire.js] not found!");
}

TEST_F(WebCallTest, UnknownModuleHandleWritesNothing) {
  SetLibraryModule(nullptr);
  TTestHost host(L"");
  TCallOutcome outcome = ServeScript(host);
  EXPECT_FALSE(outcome.returned);
  EXPECT_EQ(outcome.response.ending, TResponseRecord::Ending::None);
  EXPECT_EQ(outcome.response.resultKind, TResponseRecord::ResultKind::None);
}

// A context whose RunMethod returns without running the method.
class TIdleContext final : public IWebContext {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetWindowHandle(HWND*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RunMethod(BOOL, KVWebMethodProc, void*) override { return E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE UrlDecode(LPCWSTR, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CallFunction(LPCWSTR, const VARIANT*, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OpenFileDialog(LPCWSTR, LPCWSTR, LPCWSTR, IWebRunFileDialogCallback*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OpenFilesDialog(LPCWSTR, LPCWSTR, LPCWSTR, IWebRunFileDialogCallback*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SaveFileDialog(LPCWSTR, LPCWSTR, LPCWSTR, IWebRunFileDialogCallback*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OpenFolderDialog(LPCWSTR, LPCWSTR, IWebRunFileDialogCallback*) override {
    return E_NOTIMPL;
  }
};

TEST_F(WebCallTest, AMethodTheHostDidNotRunIsADispatchFailure) {
  TTestHost host(L"");
  TIdleContext idle;
  TCallOutcome outcome = Dispatch(host, u"GetDebugMode", &idle);
  EXPECT_FALSE(outcome.returned);
  EXPECT_FALSE(outcome.flag);
  EXPECT_EQ(outcome.response.ending, TResponseRecord::Ending::Error);
  EXPECT_EQ(outcome.response.message, u"IWebContext.RunMethod did not run the method (0x80070005)");
}

TEST_F(WebCallTest, NoContextIsADispatchFailure) {
  TTestHost host(L"");
  TCallOutcome outcome = host.Invoke(
      [](IWebContext*, IWebRequest* q, IWebResponse* r, BOOL* flag) { return NativeLoadResourceImpl(nullptr, q, r, flag); },
      u"GetDebugMode");
  EXPECT_FALSE(outcome.returned);
  EXPECT_EQ(outcome.response.ending, TResponseRecord::Ending::Error);
}

TEST_F(WebCallTest, TheSharedInstanceServesEveryCall) {
  TTestHost host(L"");
  ASSERT_TRUE(Dispatch(host, u"GetDebugMode").returned);
  TWebCallInfo* info = WebCall::FindModule(u"METHODS");
  ASSERT_NE(info, nullptr);
  EXPECT_FALSE(info->DirectCall);
  EXPECT_TRUE(info->SingleInstance);
  TWebModule* first = info->Instance.get();
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(Dispatch(host, u"SetDebugMode").returned);
  EXPECT_EQ(info->Instance.get(), first);
}

// Every binding names a row, no two bind the same row, and the dispatch
// finds each one by its row.
TEST_F(WebCallTest, EveryBindingIsReachable) {
  const TWebCallInfo* info = WebCall::FindModule(u"methods");
  ASSERT_NE(info, nullptr);
  size_t bindings = 0;
  for (auto set : {SettingsWebMethods, SystemWebMethods, CryptoWebMethods, MemStoreWebMethods, FilesWebMethods,
                   CallbacksWebMethods, ZipWebMethods}) {
    for (const TWebMethodBinding& binding : set()) {
      ++bindings;
      const TWebMethodRow* row = FindWebMethodRow(binding.name);
      EXPECT_NE(row, nullptr) << Utf16ToUtf8(binding.name);
      const TWebMethodEntry* entry = info->ModuleClass->findMethod(binding.name);
      ASSERT_NE(entry, nullptr) << Utf16ToUtf8(binding.name);
      EXPECT_EQ(entry->row, row);
      EXPECT_EQ(entry->handler, binding.handler) << Utf16ToUtf8(binding.name);
    }
  }
  EXPECT_EQ(BoundWebMethods().size(), bindings);
}

// A module of probe methods on rows of the real table, registered beside
// "methods": how the dispatch reports what a method body does.
std::u16string g_headerSent;

void FailsWithLibraryError(TWebCall&) { throw ENativeError(u"bad input"); }
void FailsWithForeignError(TWebCall&) { throw std::runtime_error("foreign"); }
void ReadsJsonObject(TWebCall& call) {
  g_headerSent = call.JsonObjectText(u"header");
  call.Result(true);
}

const TWebMethodEntry kProbeMethods[] = {
    {FindWebMethodRow(u"GetDebugMode"), FailsWithLibraryError},
    {FindWebMethodRow(u"SetDebugMode"), FailsWithForeignError},
    {FindWebMethodRow(u"PostMultipartFormData"), ReadsJsonObject},
};

const TWebMethodEntry* FindProbe(std::u16string_view name) {
  for (const TWebMethodEntry& m : kProbeMethods) {
    if (m.row->name == name) return &m;
  }
  return nullptr;
}

const TWebModuleClass kProbeClass = {u"TProbe", [] { return std::unique_ptr<TWebModule>(new TWebMethods()); },
                                     FindProbe};

TEST_F(WebCallTest, MethodErrorsAndForeignFailures) {
  if (!WebCall::FindModule(u"probe")) WebCall::RegisterModule(u"probe", kProbeClass, false, true);
  TTestHost host(L"");

  // The library's own error: reported with the method's name, and the call counts as made.
  TCallOutcome outcome = host.Invoke(NativeLoadResourceImpl, u"GetDebugMode", {}, u"probe");
  EXPECT_TRUE(outcome.returned);
  EXPECT_FALSE(outcome.flag);
  EXPECT_EQ(outcome.response.ending, TResponseRecord::Ending::Error);
  EXPECT_EQ(outcome.response.message, u"[GetDebugMode]bad input");

  // Anything else is a failure of the dispatch itself.
  outcome = host.Invoke(NativeLoadResourceImpl, u"SetDebugMode", {}, u"probe");
  EXPECT_FALSE(outcome.returned);
  EXPECT_EQ(outcome.response.ending, TResponseRecord::Ending::Error);
  EXPECT_EQ(outcome.response.message, u"foreign");

  // A JSON object parameter reaches the service as an object's text.
  for (const auto& [sent, received] : std::vector<std::pair<std::u16string, std::u16string>>{
           {u"{\"X-Token\":\"t\"}", u"{\"X-Token\":\"t\"}"}, {u"[1]", u"{}"}, {u"", u"{}"}}) {
    outcome = host.Invoke(NativeLoadResourceImpl, u"PostMultipartFormData", {{u"header", sent}}, u"probe");
    EXPECT_TRUE(outcome.returned);
    EXPECT_EQ(g_headerSent, received);
  }
}

// A host that calls once unload has begun gets nothing: no result, no error,
// no service object created anew.
TEST_F(WebCallTest, CallsAfterUnloadBeganGetNothing) {
  unique_hmodule module(LoadLibraryW(L"ScriptRes.dll"));
  ASSERT_TRUE(module);
  SetLibraryModule(module.get());
  LibraryShutdown(false);
  TTestHost host(L"", u"http://h/x");
  const TCallOutcome dispatched = Dispatch(host, u"GetDebugMode");
  EXPECT_FALSE(dispatched.flag);
  for (const TCallOutcome& outcome : {dispatched, ServeScript(host)}) {
    EXPECT_FALSE(outcome.returned);
    EXPECT_EQ(outcome.response.ending, TResponseRecord::Ending::None);
    EXPECT_EQ(outcome.response.resultKind, TResponseRecord::ResultKind::None);
  }
  EXPECT_EQ(*NativeMethodReference(), nullptr);
  LibraryStartup();
}

}  // namespace
