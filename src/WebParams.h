// Conversions of web method parameter texts, and the result text rule of
// "JSON or null". Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// True exactly for the text "true" (case-sensitive).
bool ParamFlag(std::u16string_view text);
// A 32-bit integer (decimal, or hexadecimal after "$" or "0x"); `def` when
// the text is empty or does not convert.
int32_t ParamInteger(std::u16string_view text, int32_t def);
// A JSON object parameter: the JSON text of the object the text parses to,
// "{}" when it yields no object (empty, unreadable or another kind), so that
// a service always receives an object.
std::u16string ParamJsonObjectText(std::u16string_view text);
// Empty text takes `def`.
std::u16string ParamTextOr(std::u16string_view text, std::u16string_view def);
// Empty text, "null" and "undefined" take `def`.
std::u16string ParamNullableTextOr(std::u16string_view text, std::u16string_view def);
// Empty text, "null" or "undefined": what pages send for "nothing".
bool IsNullishText(std::u16string_view text);
// A page function name is usable when it is neither empty, "null" nor
// "undefined" (exact comparison).
bool IsUsableFunctionName(std::u16string_view name);
// The JSON text written for a "JSON or null" result.
std::u16string JsonOrNullText(std::u16string_view json);
