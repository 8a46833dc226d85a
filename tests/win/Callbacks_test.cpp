// Late-bound callables as a host sees them: FunctionToDispatch on the
// service object around a function of the host's own.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "TestHost.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

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
