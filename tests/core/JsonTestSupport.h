// Helpers shared by the JSON tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "JsonValue.h"
#include "TextConv.h"

inline std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

// The message of the EJsonException that `body` raises ("" when none).
template <class F>
std::u16string ErrorOf(F&& body) {
  try {
    body();
  } catch (const EJsonException& e) {
    return e.Message();
  }
  return u"";
}

// Touches every node, without recursion; returns how many operations raised.
inline int TouchAll(IJsonValue* root) {
  int errors = 0;
  std::vector<IJsonValuePtr> pending{root};
  auto attempt = [&](auto&& step) {
    try {
      step();
    } catch (const EJsonException&) {
      ++errors;
    }
  };
  while (!pending.empty()) {
    IJsonValuePtr v = pending.back();
    pending.pop_back();
    JsonKind kind = jvNull;
    attempt([&] { kind = v->GetKind(); });
    if (kind == jvObject) {
      IJsonObjectPtr o = v->GetAsObject();
      attempt([&] { o->GetCount(); });
      for (int32_t i = 0; i < o->GetCount(); ++i) pending.push_back(o->GetValueAt(i));
    } else if (kind == jvArray) {
      IJsonArrayPtr a = v->GetAsArray();
      attempt([&] { a->GetCount(); });
      for (int32_t i = 0; i < a->GetCount(); ++i) pending.push_back(a->GetItem(i));
    } else {
      attempt([&] { v->GetAsString(); });
    }
  }
  return errors;
}
