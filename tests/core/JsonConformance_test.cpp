// The reader against a peer conformance suite (tests/data/JSONTestSuite):
// every y_ case reads exactly as a strict reference reader reads it and
// writes back to text that reads as the same tree; the lenient reader's
// answer to every n_ case is recorded; no case crashes or hangs.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "JsonTestSupport.h"
#include "JsonValue.h"
#include "NativeStrings.h"
#include "TextConv.h"

namespace {

std::filesystem::path DataDir() {
  if (const char* env = std::getenv("KV_DATA_DIR")) return env;
  return KV_DATA_DIR;
}

// ---- a strict reader, the reference ----

struct TRef {
  enum Kind { Null, Boolean, Number, String, Array, Object } kind = Null;
  bool boolean = false;
  std::u16string text;  // string content, or the number as written
  std::vector<TRef> items;          // array items, or member values
  std::vector<std::u16string> keys;  // member keys
};

class TRefReader {
 public:
  explicit TRefReader(std::u16string_view text) : t_(text) {}
  bool Read(TRef& out) {
    Blanks();
    if (!Value(out, 0)) return false;
    Blanks();
    return i_ == t_.size();
  }

 private:
  void Blanks() {
    while (i_ < t_.size() && (t_[i_] == u' ' || t_[i_] == u'\t' || t_[i_] == u'\n' || t_[i_] == u'\r')) ++i_;
  }
  bool Literal(std::u16string_view word) {
    if (t_.substr(i_, word.size()) != word) return false;
    i_ += word.size();
    return true;
  }
  bool Hex4(char16_t& unit) {
    if (i_ + 4 > t_.size()) return false;
    unsigned v = 0;
    for (int k = 0; k < 4; ++k) {
      const char16_t c = t_[i_++];
      const int d = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                      : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
      if (d < 0) return false;
      v = v * 16 + d;
    }
    unit = static_cast<char16_t>(v);
    return true;
  }
  bool String(std::u16string& out) {
    if (i_ >= t_.size() || t_[i_] != u'"') return false;
    for (++i_; i_ < t_.size();) {
      const char16_t c = t_[i_++];
      if (c == u'"') return true;
      if (c < 0x20) return false;
      if (c != u'\\') {
        out += c;
        continue;
      }
      if (i_ >= t_.size()) return false;
      const char16_t e = t_[i_++];
      switch (e) {
        case u'"': case u'\\': case u'/': out += e; break;
        case u'b': out += u'\b'; break;
        case u'f': out += u'\f'; break;
        case u'n': out += u'\n'; break;
        case u'r': out += u'\r'; break;
        case u't': out += u'\t'; break;
        case u'u': {
          char16_t unit;
          if (!Hex4(unit)) return false;
          out += unit;
          break;
        }
        default: return false;
      }
    }
    return false;
  }
  bool Number(TRef& out) {
    const size_t start = i_;
    auto digits = [&] {
      const size_t from = i_;
      while (i_ < t_.size() && t_[i_] >= u'0' && t_[i_] <= u'9') ++i_;
      return i_ - from;
    };
    if (i_ < t_.size() && t_[i_] == u'-') ++i_;
    if (i_ < t_.size() && t_[i_] == u'0') {
      ++i_;
    } else if (digits() == 0) {
      return false;
    }
    if (i_ < t_.size() && t_[i_] == u'.') {
      ++i_;
      if (digits() == 0) return false;
    }
    if (i_ < t_.size() && (t_[i_] == u'e' || t_[i_] == u'E')) {
      ++i_;
      if (i_ < t_.size() && (t_[i_] == u'+' || t_[i_] == u'-')) ++i_;
      if (digits() == 0) return false;
    }
    out.kind = TRef::Number;
    out.text = std::u16string(t_.substr(start, i_ - start));
    return true;
  }
  bool Value(TRef& out, int depth) {
    if (depth > 100 || i_ >= t_.size()) return false;
    const char16_t c = t_[i_];
    if (c == u'{') {
      out.kind = TRef::Object;
      ++i_;
      Blanks();
      if (i_ < t_.size() && t_[i_] == u'}') return ++i_, true;
      for (;;) {
        Blanks();
        std::u16string key;
        TRef value;
        if (!String(key)) return false;
        Blanks();
        if (i_ >= t_.size() || t_[i_++] != u':') return false;
        Blanks();
        if (!Value(value, depth + 1)) return false;
        out.keys.push_back(std::move(key));
        out.items.push_back(std::move(value));
        Blanks();
        if (i_ >= t_.size()) return false;
        if (t_[i_] == u'}') return ++i_, true;
        if (t_[i_++] != u',') return false;
      }
    }
    if (c == u'[') {
      out.kind = TRef::Array;
      ++i_;
      Blanks();
      if (i_ < t_.size() && t_[i_] == u']') return ++i_, true;
      for (;;) {
        Blanks();
        TRef item;
        if (!Value(item, depth + 1)) return false;
        out.items.push_back(std::move(item));
        Blanks();
        if (i_ >= t_.size()) return false;
        if (t_[i_] == u']') return ++i_, true;
        if (t_[i_++] != u',') return false;
      }
    }
    if (c == u'"') {
      out.kind = TRef::String;
      return String(out.text);
    }
    if (Literal(u"true")) return out.kind = TRef::Boolean, out.boolean = true, true;
    if (Literal(u"false")) return out.kind = TRef::Boolean, true;
    if (Literal(u"null")) return true;
    return Number(out);
  }

  std::u16string_view t_;
  size_t i_ = 0;
};

// ---- comparisons ----

// Our tree equals the reference: kinds, texts, numbers to the last bit.
bool SameAsReference(IJsonValue* v, const TRef& r, std::string& why) {
  switch (r.kind) {
    case TRef::Null: return v->IsNull() || (why = "not null", false);
    case TRef::Boolean:
      return (v->GetKind() == jvBoolean && v->GetAsBoolean() == r.boolean) || (why = "boolean differs", false);
    case TRef::String:
      return (v->GetKind() == jvString && v->GetAsString() == r.text) || (why = "string differs", false);
    case TRef::Number: {
      const std::string literal = U8(r.text);
      if (v->GetKind() == jvInteger) {
        int64_t exact;
        if (literal.find_first_of(".eE") == std::string::npos && TryStrToInt64(r.text, exact)) {
          return exact == v->GetAsInteger() || (why = "integer differs: " + literal, false);
        }
        why = "read as an integer: " + literal;
        return false;
      }
      double expected = 0;
      std::from_chars(literal.data(), literal.data() + literal.size(), expected);
      if (v->GetKind() != jvFloat) return why = "not a number: " + literal, false;
      return v->GetAsFloat() == expected || (why = "float differs: " + literal, false);
    }
    case TRef::Array: {
      if (v->GetKind() != jvArray) return why = "not an array", false;
      IJsonArrayPtr a = v->GetAsArray();
      if (a->GetCount() != static_cast<int32_t>(r.items.size())) return why = "item count differs", false;
      for (size_t i = 0; i < r.items.size(); ++i) {
        if (!SameAsReference(a->GetItem(static_cast<int32_t>(i)), r.items[i], why)) return false;
      }
      return true;
    }
    case TRef::Object: {
      if (v->GetKind() != jvObject) return why = "not an object", false;
      IJsonObjectPtr o = v->GetAsObject();
      if (o->GetCount() != static_cast<int32_t>(r.keys.size())) return why = "member count differs", false;
      for (size_t i = 0; i < r.keys.size(); ++i) {
        if (o->GetKey(static_cast<int32_t>(i)) != r.keys[i]) return why = "key differs", false;
        if (!SameAsReference(o->GetValueAt(static_cast<int32_t>(i)), r.items[i], why)) return false;
      }
      return true;
    }
  }
  return false;
}

// Two of our trees hold the same data (numbers as their float text, since
// the writer keeps 15 significant digits).
bool SameTree(IJsonValue* a, IJsonValue* b) {
  auto isNumber = [](JsonKind k) { return k == jvInteger || k == jvFloat; };
  const JsonKind ka = a->GetKind(), kb = b->GetKind();
  if (isNumber(ka) && isNumber(kb)) return a->GetAsString() == b->GetAsString();
  if (ka != kb) return false;
  if (ka == jvArray) {
    IJsonArrayPtr x = a->GetAsArray(), y = b->GetAsArray();
    if (x->GetCount() != y->GetCount()) return false;
    for (int32_t i = 0; i < x->GetCount(); ++i) {
      if (!SameTree(x->GetItem(i), y->GetItem(i))) return false;
    }
    return true;
  }
  if (ka == jvObject) {
    IJsonObjectPtr x = a->GetAsObject(), y = b->GetAsObject();
    if (x->GetCount() != y->GetCount()) return false;
    for (int32_t i = 0; i < x->GetCount(); ++i) {
      if (x->GetKey(i) != y->GetKey(i) || !SameTree(x->GetValueAt(i), y->GetValueAt(i))) return false;
    }
    return true;
  }
  return a->GetAsString() == b->GetAsString();
}

// The case's text: UTF-8 or UTF-16 by their marks, UTF-16 without a mark
// by its zero bytes, else UTF-8 (invalid sequences as U+FFFD).
std::u16string DecodeCase(const std::string& bytes) {
  const bool even = bytes.size() >= 4 && bytes.size() % 2 == 0;
  if (even && bytes[0] == 0 && bytes[1] != 0) {
    std::string swapped(bytes);
    for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return Utf16LeBytesToUtf16(swapped);
  }
  if (even && bytes[0] != 0 && bytes[1] == 0) return Utf16LeBytesToUtf16(bytes);
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF) {
    std::string swapped(bytes.substr(2));
    for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return Utf16LeBytesToUtf16(swapped);
  }
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF && static_cast<unsigned char>(bytes[1]) == 0xBB &&
      static_cast<unsigned char>(bytes[2]) == 0xBF) {
    return Utf8ToUtf16(bytes.substr(3));
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return Utf16LeBytesToUtf16(bytes.substr(2));
  }
  return Utf8ToUtf16(bytes);
}

// The n_ cases the lenient reader refuses (every other n_ case reads
// without an error; the reader is lenient by design).
const std::set<std::string> kRefusedNCases = {
    "n_object_bracket_key.json",
    "n_object_comma_instead_of_colon.json",
    "n_object_double_colon.json",
    "n_object_emoji.json",
    "n_object_missing_colon.json",
    "n_object_missing_key.json",
    "n_object_missing_semicolon.json",
    "n_object_with_single_string.json",
    "n_string_1_surrogate_then_escape_u.json",
    "n_string_1_surrogate_then_escape_u1.json",
    "n_string_1_surrogate_then_escape_u1x.json",
    "n_string_incomplete_escaped_character.json",
    "n_string_incomplete_surrogate.json",
    "n_string_invalid-utf-8-in-escape.json",
    "n_string_invalid_unicode_escape.json",
    "n_structure_object_followed_by_closing_object.json",
};

TEST(JsonConformance, PeerSuite) {
  const std::filesystem::path dir = DataDir() / "JSONTestSuite" / "test_parsing";
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files.size(), 318u);
  std::set<std::string> refused, accepted;
  int yCases = 0;
  for (const auto& path : files) {
    const std::string name = path.filename().string();
    SCOPED_TRACE(name);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::u16string text = DecodeCase(bytes);

    IJsonValuePtr value = NewJsonValue();
    int errors = 0;
    try {
      value->Parse(text);
    } catch (const EJsonException&) {
      ++errors;
    }
    errors += TouchAll(value);
    // Whatever was read writes, compact and formatted, and reads back to
    // text that writes the same again.
    const std::u16string once = value->ToJson();
    IJsonValuePtr again = NewJsonValue();
    try {
      again->Parse(once);
    } catch (const EJsonException&) {
    }
    TouchAll(again);
    if (once.size() > 1) {
      EXPECT_EQ(again->ToJson(), once);
    }
    value->SetFormatted(true);
    value->ToJson();

    if (name[0] == 'y') {
      ++yCases;
      EXPECT_EQ(errors, 0);
      TRef reference;
      ASSERT_TRUE(TRefReader(text).Read(reference));
      std::string why;
      EXPECT_TRUE(SameAsReference(value, reference, why)) << why;
      EXPECT_TRUE(SameTree(value, again)) << U8(once);
    } else if (name[0] == 'n') {
      (errors ? refused : accepted).insert(name);
    }
  }
  EXPECT_EQ(yCases, 95);
  EXPECT_EQ(refused, kRefusedNCases);
  std::string list;
  for (const std::string& name : accepted) list += "  " + name + "\n";
  std::printf("%zu of %zu n_ cases read without an error:\n%s", accepted.size(), accepted.size() + refused.size(),
              list.c_str());
}

// The writer reproduces the peer's byte-exact write-back cases, except for
// the float forms its 15-digit text gives.
TEST(JsonConformance, RoundTrip) {
  const std::filesystem::path dir = DataDir() / "json-bench" / "roundtrip";
  const std::pair<const char*, const char*> differing[] = {
      {"roundtrip20.json", "[0]"},
      {"roundtrip21.json", "[0]"},
      {"roundtrip24.json", "[4.94065645841247E-324]"},
      {"roundtrip25.json", "[2.2250738585072E-308]"},
      {"roundtrip26.json", "[2.2250738585072E-308]"},
      {"roundtrip27.json", "[1.79769313486232E308]"},
  };
  int count = 0;
  for (int i = 1; i <= 27; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "roundtrip%02d.json", i);
    SCOPED_TRACE(name);
    std::ifstream in(dir / name, std::ios::binary);
    ASSERT_TRUE(in) << (dir / name);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string expected = bytes;
    for (const auto& d : differing) {
      if (std::string(d.first) == name) expected = d.second;
    }
    IJsonValuePtr v = NewJsonValue(Utf8ToUtf16(bytes));
    EXPECT_EQ(U8(v->ToJson()), bytes);  // untouched: the text itself
    TouchAll(v);
    const std::string written = U8(v->ToJson());
    EXPECT_EQ(written, expected);
    // The written text reads back to a tree that writes it again.
    IJsonValuePtr back = NewJsonValue(v->ToJson());
    TouchAll(back);
    EXPECT_EQ(U8(back->ToJson()), written);
    ++count;
  }
  EXPECT_EQ(count, 27);
}

}  // namespace
