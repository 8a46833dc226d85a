// The web method table of module "methods": every method a page can call,
// with its parameters (name, kind, default) in the order the client script
// passes them, and the kind of its result. The table is data; a method
// becomes callable when a binding connects its row to a service
// (WebNativeMeths_*_win.cpp). Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

enum class TWebParamKind : uint8_t {
  None,               // unused slot
  Text,               // used as read
  Flag,               // true exactly for the text "true"
  Integer,            // 32-bit, decimal or "$"/"0x" hexadecimal; else the default
  JsonObject,         // JSON object text; "{}" when it parses to nothing
  TextOr,             // empty text takes the default
  NullableTextOr,     // empty, "null" and "undefined" take the default
  Callback,           // page function name -> one-argument callback
  Callback2,          // page function name -> two-argument callback
  OptionalCallback,   // as Callback; no callback for "", "null", "undefined"
  OptionalCallback2,  // as Callback2; no callback for "", "null", "undefined"
  FunctionName,       // used directly as the name for CallFunction
  DialogCallback,     // page function name -> file-dialog callback
};

enum class TWebResultKind : uint8_t {
  String,      // SetAsString
  Boolean,     // SetAsBoolean
  Integer,     // SetAsInteger (32-bit)
  Float,       // SetAsFloat
  Json,        // SetAsJson with the service's text
  JsonOrNull,  // SetAsJson; "null" for empty text
  None,        // Finish only
};

struct TWebParam {
  const char16_t* name = nullptr;
  TWebParamKind kind = TWebParamKind::None;
  int32_t intDefault = 0;
  const char16_t* textDefault = nullptr;
};

constexpr size_t kMaxWebParams = 5;

struct TWebMethodRow {
  const char16_t* name;
  TWebResultKind result;
  TWebParam params[kMaxWebParams];

  size_t ParamCount() const {
    size_t n = 0;
    while (n < kMaxWebParams && params[n].kind != TWebParamKind::None) ++n;
    return n;
  }
  // The parameter named `name`, or nullptr.
  const TWebParam* FindParam(std::u16string_view name) const;
};

std::span<const TWebMethodRow> WebMethodTable();
// The row named exactly `name`, or nullptr.
const TWebMethodRow* FindWebMethodRow(std::u16string_view name);

const char16_t* ParamKindName(TWebParamKind kind);
const char16_t* ResultKindName(TWebResultKind kind);
