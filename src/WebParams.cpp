#include "WebParams.h"

#include "JsonValue.h"
#include "NativeStrings.h"

bool ParamFlag(std::u16string_view text) { return text == u"true"; }

int32_t ParamInteger(std::u16string_view text, int32_t def) { return StrToIntDef(text, def); }

std::u16string ParamJsonObjectText(std::u16string_view text) {
  try {
    if (IJsonObjectPtr object = ParseJsonObject(text)) return object->ToJson();
  } catch (const EJsonException&) {
  }
  return u"{}";
}

std::u16string ParamTextOr(std::u16string_view text, std::u16string_view def) {
  return std::u16string(text.empty() ? def : text);
}

bool IsNullishText(std::u16string_view text) { return text.empty() || text == u"null" || text == u"undefined"; }

std::u16string ParamNullableTextOr(std::u16string_view text, std::u16string_view def) {
  return std::u16string(IsNullishText(text) ? def : text);
}

bool IsUsableFunctionName(std::u16string_view name) { return !IsNullishText(name); }

std::u16string JsonOrNullText(std::u16string_view json) {
  return json.empty() ? std::u16string(u"null") : std::u16string(json);
}
