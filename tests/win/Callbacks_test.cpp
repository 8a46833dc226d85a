// Callbacks as a host sees them: the file dialogs of RunFileDialog and their
// results reaching the page, and FunctionToDispatch on the service object
// around a function of the host's own.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "JsonValue.h"
#include "TestHost.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

TEST(RunFileDialog, AsksTheHostForTheDialogOfTheType) {
  TTestHost host;
  struct Case {
    const char16_t* type;
    const char16_t* kind;  // the host operation, as the test host records it
  };
  for (const Case& c : {Case{u"open", u"open"}, Case{u"openm", u"openm"}, Case{u"save", u"save"},
                        Case{u"openfolder", u"openfolder"}}) {
    SCOPED_TRACE(ToUtf8(c.type));
    const size_t before = host.DialogRequests().size();
    TCallOutcome outcome = host.Call(u"RunFileDialog", {{u"type", c.type},
                                                        {u"title", u"选择文件"},
                                                        {u"defaultFileName", u"a.txt"},
                                                        {u"acceptTypes", u".txt,.doc"},
                                                        {u"callback", u"onChosen"}});
    EXPECT_TRUE(outcome.returned);
    EXPECT_TRUE(outcome.response.Finished());
    EXPECT_EQ(outcome.response.resultKind, TResponseRecord::ResultKind::Boolean);
    EXPECT_TRUE(outcome.response.boolean);
    const auto requests = host.DialogRequests();
    ASSERT_EQ(requests.size(), before + 1);
    const TDialogRequest& r = requests.back();
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.title, u"选择文件");
    EXPECT_EQ(r.defaultFileName, u"a.txt");
    EXPECT_EQ(r.acceptTypes, c.type == std::u16string(u"openfolder") ? u"" : u".txt,.doc");
    EXPECT_NE(r.callback, nullptr);
  }
  EXPECT_TRUE(host.FunctionCalls().empty());  // nothing before the dialog closes
}

TEST(RunFileDialog, UnsupportedTypesFailWithFalse) {
  TTestHost host;
  for (const char16_t* type : {u"OPEN", u"Save", u"", u"folder", u"open "}) {
    SCOPED_TRACE(ToUtf8(type));
    TCallOutcome outcome = host.Call(u"RunFileDialog", {{u"type", type}, {u"callback", u"onChosen"}});
    EXPECT_TRUE(outcome.returned);
    EXPECT_EQ(outcome.response.ending, TResponseRecord::Ending::Error);
    EXPECT_EQ(outcome.response.endings, 1);
    EXPECT_EQ(outcome.response.message, u"不支持的类型:" + std::u16string(type) + u"!");
    EXPECT_EQ(outcome.response.resultKind, TResponseRecord::ResultKind::Boolean);
    EXPECT_FALSE(outcome.response.boolean);
  }
  EXPECT_TRUE(host.DialogRequests().empty());
}

// The items of an array the page receives.
std::vector<std::u16string> ArrayItems(const std::u16string& json) {
  std::vector<std::u16string> items;
  IJsonArrayPtr array = ParseJsonArray(json);
  for (int32_t i = 0; i < array->GetCount(); ++i) items.push_back(array->GetString(i));
  return items;
}

TEST(RunFileDialog, TheChosenPathsReachThePageAsAnArray) {
  TTestHost host;
  ASSERT_TRUE(host.Call(u"RunFileDialog", {{u"type", u"openm"}, {u"callback", u"onChosen"}}).response.Finished());
  IWebRunFileDialogCallback* callback = host.DialogRequests().back().callback;
  struct Case {
    const wchar_t* paths;
    std::vector<std::u16string> items;
  };
  const std::vector<Case> cases = {
      {L"C:\\a.txt;D:\\b c.txt", {u"C:\\a.txt", u"D:\\b c.txt"}},
      {L"", {}},
      {L"C:\\one.txt", {u"C:\\one.txt"}},
      {L"C:\\a.txt\r\nC:\\b.txt;;", {u"C:\\a.txt", u"C:\\b.txt"}},
      {L"\"C:\\x;y\\f.txt\";C:\\g.txt", {u"C:\\x;y\\f.txt", u"C:\\g.txt"}},
      {L"C:\\税务\\申报表.xls", {u"C:\\税务\\申报表.xls"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(as_u16view(c.paths)));
    host.ClearFunctionCalls();
    EXPECT_EQ(callback->OnResult(c.paths), S_OK);
    const auto calls = host.FunctionCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, u"onChosen");
    ASSERT_EQ(calls[0].args.size(), 1u);
    EXPECT_EQ(calls[0].args[0].kind, TCallArg::Kind::Script);
    EXPECT_EQ(ArrayItems(calls[0].args[0].text), c.items) << ToUtf8(calls[0].args[0].text);
  }
  host.ClearFunctionCalls();
  callback->OnResult(L"C:\\a.txt;D:\\b.txt");
  EXPECT_EQ(host.FunctionCalls().at(0).args.at(0).text, u"[\"C:\\\\a.txt\",\"D:\\\\b.txt\"]");
}

TEST(RunFileDialog, UnusableNamesStillShowTheDialogButNeverReachThePage) {
  TTestHost host;
  for (const char16_t* name : {u"", u"null", u"undefined"}) {
    SCOPED_TRACE(ToUtf8(name));
    ASSERT_TRUE(host.Call(u"RunFileDialog", {{u"type", u"open"}, {u"callback", name}}).response.Finished());
    EXPECT_EQ(host.DialogRequests().back().callback->OnResult(L"C:\\a.txt"), S_OK);
  }
  EXPECT_EQ(host.DialogRequests().size(), 3u);
  EXPECT_TRUE(host.FunctionCalls().empty());
}

// A host function: records the texts of its arguments, answers "answer" or
// fails with a message.
class THostFunction final : public IAnonymousFunction {
 public:
  std::vector<std::u16string> seen;
  bool fail = false;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == __uuidof(IAnonymousFunction)) {
      *object = static_cast<IAnonymousFunction*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE Call(const VARIANT* args, UINT count, VARIANT* result) override {
    seen.clear();
    for (UINT i = 0; i < count; ++i) seen.emplace_back(args[i].vt == VT_BSTR ? as_u16view(args[i].bstrVal) : u"?");
    if (fail) {
      com_ptr<ICreateErrorInfo> create;
      CreateErrorInfo(create.put());
      create->SetDescription(const_cast<LPOLESTR>(L"宿主函数失败"));
      com_ptr<IErrorInfo> info;
      create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.put()));
      SetErrorInfo(0, info.get());
      return E_FAIL;
    }
    if (result) {
      result->vt = VT_BSTR;
      result->bstrVal = SysAllocString(L"answer");
    }
    return S_OK;
  }
  std::atomic<ULONG> refs{1};
};

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

TEST(FunctionToDispatch, DefaultMemberCallsTheFunctionWithArgumentsInOrder) {
  TTestHost host;
  INativeMethods* native = host.Native();
  ASSERT_NE(native, nullptr);
  THostFunction function;
  com_ptr<IDispatch> dispatch;
  ASSERT_EQ(native->FunctionToDispatch(&function, dispatch.put()), S_OK);
  ASSERT_TRUE(dispatch);
  EXPECT_GT(function.refs.load(), 1u);  // the dispatch keeps the function

  VARIANT args[2] = {Text(L"first"), Text(L"second")};
  DISPPARAMS params{args, nullptr, 2, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(dispatch->Invoke(DISPID_VALUE, IID_NULL, 0x400, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(function.seen, (std::vector<std::u16string>{u"first", u"second"}));
  ASSERT_EQ(result.vt, VT_BSTR);
  EXPECT_EQ(as_u16view(result.bstrVal), u"answer");
  VariantClear(&result);

  // No type information, no names.
  UINT count = 77;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), E_NOTIMPL);
  EXPECT_EQ(count, 77u);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(dispatch->GetTypeInfo(0, 0, &info), E_NOTIMPL);
  LPOLESTR name = const_cast<LPOLESTR>(L"Call");
  DISPID id = 0;
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), E_NOTIMPL);

  // Another member or interface, or a failing function: an exception with
  // its message.
  struct Case {
    const char* label;
    DISPID member;
    IID iid;
    bool fail;
    const char16_t* message;
  };
  for (const Case& c : {
           Case{"member 1", 1, IID_NULL, false, u"TAnonymousFunctionDispatch.Invoke serves member 0 of IID_NULL only"},
           Case{"an interface", DISPID_VALUE, IID_IUnknown, false,
                u"TAnonymousFunctionDispatch.Invoke serves member 0 of IID_NULL only"},
           Case{"failing function", DISPID_VALUE, IID_NULL, true, u"宿主函数失败"},
       }) {
    SCOPED_TRACE(c.label);
    function.fail = c.fail;
    EXCEPINFO exception{};
    EXPECT_EQ(dispatch->Invoke(c.member, c.iid, 0x400, DISPATCH_METHOD, &params, nullptr, &exception, nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(as_u16view(exception.bstrDescription), c.message);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
  }
  for (VARIANT& v : args) VariantClear(&v);

  dispatch.reset();
  EXPECT_EQ(function.refs.load(), 1u);  // released with the dispatch
}

TEST(FunctionToDispatch, RejectsWhatIsNoFunction) {
  TTestHost host;
  INativeMethods* native = host.Native();
  ASSERT_NE(native, nullptr);
  IDispatch* dispatch = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(native->FunctionToDispatch(nullptr, &dispatch), E_POINTER);
  EXPECT_EQ(dispatch, nullptr);
  // The service object itself is no function.
  EXPECT_EQ(native->FunctionToDispatch(native, &dispatch), E_NOINTERFACE);
  EXPECT_EQ(dispatch, nullptr);
  THostFunction function;
  EXPECT_EQ(native->FunctionToDispatch(&function, nullptr), E_POINTER);
}

}  // namespace
