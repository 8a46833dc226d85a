#include "WebNativeMeths_win.h"

#include <array>
#include <vector>

#include "NativeError.h"
#include "NativeMethod_win.h"
#include "NativeStrings.h"
#include "ScriptCallbacks_win.h"
#include "WebParams.h"
#include "WinText.h"

namespace {

// Every binding set, in the order of the method table's areas.
std::span<const TWebMethodBinding> (*const kBindingSets[])() = {
    SettingsWebMethods,
    SystemWebMethods,
    CryptoWebMethods,
    MemStoreWebMethods,
    FilesWebMethods,
    CallbacksWebMethods,
    ZipWebMethods,
};

// Bound methods and a case-insensitive open-addressing index over them.
// Built at start-up, read-only afterwards.
constexpr size_t kIndexSize = 512;
std::vector<TWebMethodEntry>* g_entries = nullptr;
std::array<int16_t, kIndexSize> g_index;

uint32_t HashIgnoringCase(std::u16string_view name) {
  uint32_t h = 2166136261u;
  for (char16_t c : name) h = (h ^ UpperAscii(c)) * 16777619u;
  return h;
}

const TWebMethodEntry* FindMethod(std::u16string_view name) {
  if (!g_entries) return nullptr;
  for (size_t slot = HashIgnoringCase(name) & (kIndexSize - 1);; slot = (slot + 1) & (kIndexSize - 1)) {
    const int16_t i = g_index[slot];
    if (i < 0) return nullptr;
    const TWebMethodEntry& entry = (*g_entries)[i];
    if (SameTextAscii(entry.row->name, name)) return &entry;
  }
}

std::unique_ptr<TWebModule> CreateWebMethods() { return std::make_unique<TWebMethods>(); }

const TWebModuleClass kWebMethodsClass = {u"TWebMethods", CreateWebMethods, FindMethod};

std::u16string KindList(std::initializer_list<TWebParamKind> kinds) {
  std::u16string out;
  for (TWebParamKind k : kinds) out += (out.empty() ? u"" : u"/") + std::u16string(ParamKindName(k));
  return out;
}

}  // namespace

TWebCall::TWebCall(const TWebMethodRow& row, TWebMethods& module, IWebContext* context, IWebRequest* request,
                   IWebResponse* response)
    : row_(row), module_(module), context_(context), request_(request), response_(response) {}

TNativeMethod& TWebCall::Native() {
  TNativeMethod* native = NativeMethodObject();
  if (!native) throw ENativeError(u"The native service object is gone");
  return *native;
}

const TWebParam& TWebCall::Param(std::u16string_view name, std::initializer_list<TWebParamKind> kinds) const {
  const TWebParam* param = row_.FindParam(name);
  if (param) {
    for (TWebParamKind k : kinds) {
      if (param->kind == k) return *param;
    }
  }
  RaiseAssertion(StrFormat(u"%s: no %s parameter \"%s\"", {row_.name, KindList(kinds), name}));
}

std::u16string TWebCall::RawParam(std::u16string_view name) {
  TBstr value;
  const std::u16string key(name);
  if (FAILED(request_->GetParam(as_wcstr(key.c_str()), value.put()))) return {};
  return value.str();
}

std::u16string TWebCall::Text(std::u16string_view name) {
  const TWebParam& p = Param(name, {TWebParamKind::Text, TWebParamKind::FunctionName, TWebParamKind::TextOr,
                                    TWebParamKind::NullableTextOr});
  const std::u16string text = RawParam(name);
  switch (p.kind) {
    case TWebParamKind::TextOr: return ParamTextOr(text, p.textDefault);
    case TWebParamKind::NullableTextOr: return ParamNullableTextOr(text, p.textDefault);
    default: return text;
  }
}

TVariant TWebCall::Callback(std::u16string_view name) {
  const TWebParam& p = Param(name, {TWebParamKind::Callback, TWebParamKind::Callback2, TWebParamKind::OptionalCallback,
                                    TWebParamKind::OptionalCallback2});
  const std::u16string functionName = RawParam(name);
  switch (p.kind) {
    case TWebParamKind::OptionalCallback:
      return IsUsableFunctionName(functionName) ? MakePageCallback(context_, functionName) : TVariant();
    case TWebParamKind::OptionalCallback2:
      return IsUsableFunctionName(functionName) ? MakePageCallback2(context_, functionName) : TVariant();
    case TWebParamKind::Callback2:
      return MakePageCallback2(context_, functionName);
    default:
      return MakePageCallback(context_, functionName);
  }
}

com_ptr<IWebRunFileDialogCallback> TWebCall::DialogCallback(std::u16string_view name) {
  Param(name, {TWebParamKind::DialogCallback});
  return com_ptr<IWebRunFileDialogCallback>::attach(new TWebRunFileDialogCallback(context_, RawParam(name)));
}

bool TWebCall::Flag(std::u16string_view name) {
  Param(name, {TWebParamKind::Flag});
  return ParamFlag(RawParam(name));
}

int32_t TWebCall::Integer(std::u16string_view name) {
  const TWebParam& p = Param(name, {TWebParamKind::Integer});
  return ParamInteger(RawParam(name), p.intDefault);
}

std::u16string TWebCall::JsonObjectText(std::u16string_view name) {
  Param(name, {TWebParamKind::JsonObject});
  return ParamJsonObjectText(RawParam(name));
}

void TWebCall::RequireResultKind(std::initializer_list<TWebResultKind> kinds) const {
  for (TWebResultKind k : kinds) {
    if (row_.result == k) return;
  }
  RaiseAssertion(StrFormat(u"%s: the result kind is %s", {row_.name, ResultKindName(row_.result)}));
}

com_ptr<IWebPostData> TWebCall::ResultHolder() {
  com_ptr<IWebPostData> data;
  if (FAILED(response_->GetData(data.put())) || !data) throw ENativeError(u"IWebResponse.GetData gave no result holder");
  return data;
}

void TWebCall::ResultBoolean(bool value) {
  RequireResultKind({TWebResultKind::Boolean});
  ResultHolder()->SetAsBoolean(value ? TRUE : FALSE);
  response_->Finish(0);
  done_ = true;
}

void TWebCall::Result(int32_t value) {
  RequireResultKind({TWebResultKind::Integer});
  ResultHolder()->SetAsInteger(value);
  response_->Finish(0);
  done_ = true;
}

void TWebCall::Result(double value) {
  RequireResultKind({TWebResultKind::Float});
  ResultHolder()->SetAsFloat(value);
  response_->Finish(0);
  done_ = true;
}

void TWebCall::Result(const std::u16string& text) {
  RequireResultKind({TWebResultKind::String, TWebResultKind::Json, TWebResultKind::JsonOrNull});
  const com_ptr<IWebPostData> data = ResultHolder();
  if (row_.result == TWebResultKind::String) {
    data->SetAsString(as_wcstr(text.c_str()));
  } else if (row_.result == TWebResultKind::JsonOrNull) {
    data->SetAsJson(as_wcstr(JsonOrNullText(text).c_str()));
  } else {
    data->SetAsJson(as_wcstr(text.c_str()));
  }
  response_->Finish(0);
  done_ = true;
}

void TWebCall::Fail(std::u16string_view message) {
  response_->SetError(as_wcstr(std::u16string(message).c_str()));
  done_ = true;
}

void TWebCall::Complete() {
  if (done_) return;
  if (row_.result != TWebResultKind::None) {
    RaiseAssertion(StrFormat(u"%s: no %s result was written", {row_.name, ResultKindName(row_.result)}));
  }
  response_->Finish(0);
  done_ = true;
}

void RunWebMethod(const TWebMethodEntry& method, TWebMethods& module, IWebContext* context, IWebRequest* request,
                  IWebResponse* response) {
  TWebCall call(*method.row, module, context, request, response);
  method.handler(call);
  call.Complete();
}

std::span<const TWebMethodEntry> BoundWebMethods() {
  return g_entries ? std::span<const TWebMethodEntry>(*g_entries) : std::span<const TWebMethodEntry>();
}

void WebMethodsInitialize() {
  g_entries = new std::vector<TWebMethodEntry>();
  g_index.fill(-1);
  for (auto set : kBindingSets) {
    for (const TWebMethodBinding& binding : set()) {
      // A binding without a row, or a second binding of a row, is left out;
      // the tests check that every binding is reachable.
      const TWebMethodRow* row = FindWebMethodRow(binding.name);
      if (!row || FindMethod(binding.name)) continue;
      g_entries->push_back({row, binding.handler});
      size_t slot = HashIgnoringCase(row->name) & (kIndexSize - 1);
      while (g_index[slot] >= 0) slot = (slot + 1) & (kIndexSize - 1);
      g_index[slot] = static_cast<int16_t>(g_entries->size() - 1);
    }
  }
  WebCall::RegisterModule(u"methods", kWebMethodsClass, false, true);
}

void WebMethodsFinalize() {
  // The registry frees the shared instance; the index goes with the library.
  delete std::exchange(g_entries, nullptr);
}
