#include "ScriptCallbacks_win.h"

#include "DelimitedText.h"
#include "JsonValue.h"
#include "NativeError.h"
#include "NativeMethodCom_win.h"
#include "NativePublic_win.h"
#include "NativeStrings.h"
#include "WebCall_win.h"
#include "WebParams.h"
#include "WinText.h"

namespace {

// The system default locale, as automation clients pass it.
constexpr LCID kDefaultLocale = 0x400;

// The message of a failed call: the thread's error information when there
// is one, else the system's text for the code.
std::u16string FailureMessage(HRESULT hr) {
  com_ptr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) == S_OK && info) {
    TBstr description;
    if (SUCCEEDED(info->GetDescription(description.put())) && !description.view().empty()) return description.str();
  }
  return SystemErrorMessage(static_cast<DWORD>(hr));
}

// Text in braces or brackets is an object or array for the page.
bool IsObjectOrArrayText(std::u16string_view text) {
  return text.size() >= 2 && ((text.front() == u'{' && text.back() == u'}') ||
                              (text.front() == u'[' && text.back() == u']'));
}

std::u16string BstrText(BSTR text) { return text ? std::u16string(as_u16cstr(text), SysStringLen(text)) : u""; }

}  // namespace

void CallPageFunction(IWebContext* context, const std::u16string& name, TVariantArray& args) {
  // The page's answer is the host's and the page's concern: no result comes
  // back and nothing is retried.
  context->CallFunction(as_wcstr(name.c_str()), args.data(), args.size());
}

TVariant ScriptArgument(std::u16string_view text) { return TVariant::OfUnknown(MakeWebScript(text).get()); }

// ---------------------------------------------------------------------------

HRESULT TAnonymousFunction::Call(const VARIANT* args, UINT count, VARIANT* result) {
  if (result) VariantInit(result);
  if (!args && count) return E_POINTER;
  return ComCall([&] {
    TVariant out;
    Call(std::span<const VARIANT>(args, count), out);
    if (result) *result = out.release();
  });
}

TMyAnonymousFunction::TMyAnonymousFunction(IWebContext* context, std::u16string_view functionName)
    : Context(context), FunctionName(functionName) {}

void TMyAnonymousFunction::Call(std::span<const VARIANT> args, TVariant&) {
  if (!IsUsableFunctionName(FunctionName) || !Context) return;
  if (args.size() != 1) RaiseAssertion(u"TMyAnonymousFunction.Call requires exactly one argument");
  TVariantArray pageArgs(1);
  pageArgs.Set(0, ScriptArgument(VariantToText(args[0])));
  CallPageFunction(Context.get(), FunctionName, pageArgs);
}

void TMyAnonymousFunction2::Call(std::span<const VARIANT> args, TVariant&) {
  if (!IsUsableFunctionName(FunctionName) || !Context) return;
  if (args.size() != 2) RaiseAssertion(u"TMyAnonymousFunction2.Call requires exactly two arguments");
  const std::u16string second = VariantToText(args[1]);
  const TVariant first = TVariant::CopyOf(args[0]);
  TVariantArray pageArgs(2);
  pageArgs.Set(0, first.vt() == VT_BOOL ? TVariant(first.get().boolVal != VARIANT_FALSE)
                                        : TVariant(VariantToText(first.get())));
  pageArgs.Set(1, IsObjectOrArrayText(second) ? ScriptArgument(second) : TVariant(second));
  CallPageFunction(Context.get(), FunctionName, pageArgs);
}

// ---------------------------------------------------------------------------

HRESULT TAnonymousFunctionDispatch::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }

HRESULT TAnonymousFunctionDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT TAnonymousFunctionDispatch::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT TAnonymousFunctionDispatch::Invoke(DISPID member, REFIID iid, LCID, WORD, DISPPARAMS* params,
                                           VARIANT* result, EXCEPINFO* exception, UINT*) {
  try {
    if (member != DISPID_VALUE || iid != IID_NULL) {
      RaiseAssertion(u"TAnonymousFunctionDispatch.Invoke serves member 0 of IID_NULL only");
    }
    const VARIANT* args = params ? params->rgvarg : nullptr;
    const UINT count = params && params->rgvarg ? params->cArgs : 0;
    TVariant out;
    const HRESULT hr = Function->Call(args, count, out.put());
    if (FAILED(hr)) throw ENativeError(FailureMessage(hr));
    if (result) *result = out.release();
    return S_OK;
  } catch (const ENativeError& e) {
    if (exception) {
      *exception = EXCEPINFO{};
      exception->bstrSource = AllocBstr(u"TAnonymousFunctionDispatch");
      exception->bstrDescription = AllocBstr(e.Message());
      exception->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// ---------------------------------------------------------------------------

TWebRunFileDialogCallback::TWebRunFileDialogCallback(IWebContext* context, std::u16string_view functionName)
    : Context(context), FunctionName(functionName) {}

HRESULT TWebRunFileDialogCallback::OnResult(LPCWSTR paths) {
  if (!IsUsableFunctionName(FunctionName) || !Context) return S_OK;
  return ComCall([&] {
    IJsonArrayPtr list = NewJsonArray();
    for (const std::u16string& path : SplitDelimitedText(as_u16view(paths), u';')) list->AddString(path);
    TVariantArray pageArgs(1);
    pageArgs.Set(0, ScriptArgument(list->ToJson()));
    CallPageFunction(Context.get(), FunctionName, pageArgs);
  });
}

// ---------------------------------------------------------------------------

com_ptr<IDispatch> FunctionToDispatch(IAnonymousFunction* function) {
  if (!function) return {};
  return com_ptr<IDispatch>::attach(new TAnonymousFunctionDispatch(function));
}

namespace {

TVariant CallableOf(TAnonymousFunction* function) {
  const auto owned = com_ptr<IAnonymousFunction>::attach(function);
  return TVariant(FunctionToDispatch(owned.get()).get());
}

}  // namespace

TVariant MakePageCallback(IWebContext* context, std::u16string_view functionName) {
  return CallableOf(new TMyAnonymousFunction(context, functionName));
}

TVariant MakePageCallback2(IWebContext* context, std::u16string_view functionName) {
  return CallableOf(new TMyAnonymousFunction2(context, functionName));
}

TVariant CallCallback(const VARIANT& callable, std::span<const TVariant> args) {
  TVariant result;
  const VARIANT* value = &callable;
  if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal) value = value->pvarVal;
  if (value->vt == VT_EMPTY || value->vt == VT_NULL || (value->vt == VT_ERROR && value->scode == DISP_E_PARAMNOTFOUND)) {
    return result;
  }
  com_ptr<IDispatch> dispatch;
  if (value->vt == VT_DISPATCH) {
    dispatch = value->pdispVal;
  } else if (value->vt == VT_UNKNOWN && value->punkVal) {
    value->punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()));
  }
  if (!dispatch) return result;

  TVariantArray copied(args.size());
  for (size_t i = 0; i < args.size(); ++i) copied.Set(i, TVariant::CopyOf(args[i].get()));
  DISPPARAMS params{copied.data(), nullptr, copied.size(), 0};
  EXCEPINFO exception{};
  UINT argumentError = 0;
  const HRESULT hr = dispatch->Invoke(DISPID_VALUE, IID_NULL, kDefaultLocale, DISPATCH_METHOD, &params, result.put(),
                                      &exception, &argumentError);
  TBstr source, description, help;
  source.reset(exception.bstrSource);
  description.reset(exception.bstrDescription);
  help.reset(exception.bstrHelpFile);
  if (FAILED(hr)) {
    throw ENativeError(hr == DISP_E_EXCEPTION && description.get() ? description.str() : FailureMessage(hr));
  }
  return result;
}

std::u16string VariantToText(const VARIANT& value) {
  const TVariant v = TVariant::CopyOf(value);
  switch (v.vt()) {
    case VT_EMPTY:
    case VT_NULL:
      return {};
    case VT_BSTR:
      return BstrText(v.get().bstrVal);
    case VT_BOOL:
      return v.get().boolVal != VARIANT_FALSE ? u"true" : u"false";
    default:
      break;
  }
  TVariant text;
  if (FAILED(VariantChangeTypeEx(text.put(), const_cast<VARIANT*>(&v.get()), LOCALE_INVARIANT, 0, VT_BSTR))) {
    throw ENativeError(StrFormat(u"Could not convert a variant of type %d to text", {static_cast<int>(v.vt())}));
  }
  return BstrText(text.get().bstrVal);
}
