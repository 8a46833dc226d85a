// The JSON reader and writer on arbitrary bytes: read through the stream
// reader, every node touched, written compact and formatted; the written
// text must read back to a tree that writes the same text again, untouched
// containers must write their text back unchanged, and a deep copy must
// write what its source writes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "JsonValue.h"
#include "NativeStrings.h"
#include "TextConv.h"

namespace {

void TouchAll(IJsonValue* root) {
  std::vector<IJsonValuePtr> pending{root};
  while (!pending.empty()) {
    IJsonValuePtr v = pending.back();
    pending.pop_back();
    try {
      switch (v->GetKind()) {
        case jvObject: {
          IJsonObjectPtr o = v->GetAsObject();
          try {
            o->GetCount();
          } catch (const EJsonException&) {
          }
          for (int32_t i = 0; i < o->GetCount(); ++i) {
            o->GetKey(i);
            pending.push_back(o->GetValueAt(i));
          }
          break;
        }
        case jvArray: {
          IJsonArrayPtr a = v->GetAsArray();
          try {
            a->GetCount();
          } catch (const EJsonException&) {
          }
          for (int32_t i = 0; i < a->GetCount(); ++i) pending.push_back(a->GetItem(i));
          break;
        }
        case jvFloat: v->GetAsFloat(); break;
        case jvInteger: v->GetAsInteger(); break;
        default: v->GetAsString(); break;
      }
    } catch (const EJsonException&) {
    }
  }
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "json_fuzz: %s\n", what);
  std::abort();
}

// The text of a fully touched tree read from `text`, or nothing when the
// tree is one the writer refuses (deeper than its limit).
bool WriteTouched(std::u16string_view text, bool formatted, std::u16string& out) {
  IJsonValuePtr v = NewJsonValue();
  try {
    v->Parse(text);
  } catch (const EJsonException&) {
  }
  TouchAll(v);
  v->SetFormatted(formatted);
  try {
    out = v->ToJson();
  } catch (const EJsonException&) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TJsonMemoryStream stream(bytes);
  IJsonValuePtr v = NewJsonValue();
  try {
    v->LoadFromStream(stream, true);
  } catch (const EJsonException&) {
  }
  // Untouched, a container writes the text it was read from.
  const std::u16string untouched = v->ToJson();
  const JsonKind kind = v->GetKind();
  if (kind == jvObject || kind == jvArray) {
    const bool utf16 = size >= 3 && data[0] == 0xFF && data[1] == 0xFE;
    const bool bom8 = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
    const std::u16string decoded = utf16 ? Utf16LeBytesToUtf16(bytes.substr(2))
                                         : Utf8ToUtf16(bom8 ? bytes.substr(3) : bytes);
    if (untouched != TrimBlanks(decoded)) Fail("untouched text changed");
  }

  TouchAll(v);
  std::u16string first;
  try {
    first = v->ToJson();
  } catch (const EJsonException&) {
    return 0;  // deeper than the writer's limit
  }
  // Texts of one unit are too short to read: the writer's "0".."9" as well.
  if (first.size() >= 2) {
    std::u16string second;
    if (WriteTouched(first, false, second) && second != first) Fail("compact text differs after reading it back");
  }
  IJsonValuePtr copy = NewJsonValue();
  try {
    copy->Assign(v);
    if (copy->ToJson() != first) Fail("deep copy writes differently");
  } catch (const EJsonException&) {
  }

  v->SetFormatted(true);
  std::u16string formatted;
  try {
    formatted = v->ToJson();
  } catch (const EJsonException&) {
    return 0;
  }
  if (formatted.size() >= 2) {
    std::u16string again;
    if (WriteTouched(formatted, true, again) && again != formatted) Fail("formatted text differs after reading it back");
  }
  return 0;
}
