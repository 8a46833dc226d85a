// The text reader and writer: leniency, laziness and byte-for-byte write-back,
// escaping, numbers, the formatted writer, streams and files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <pthread.h>

#include <thread>

#include "JsonTestSupport.h"
#include "JsonValue.h"
#include "TextConv.h"

namespace {

TEST(JsonText, EntryFunctionsOnOddTexts) {
  for (const char16_t* text : {u"", u"   ", u"null", u"bareword", u"5", u"{}"}) {
    SCOPED_TRACE(U8(text));
    IJsonObjectPtr o = ParseJsonObject(text);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->GetCount(), 0);
  }
  EXPECT_EQ(ErrorOf([] { ParseJsonObject(u"[1]"); }), u"<TJsonValue>value type error: jvArray to jvObject");
  EXPECT_EQ(ErrorOf([] { ParseJsonObject(u"\"s\""); }), u"<TJsonValue>value type error: jvString to jvObject");
  EXPECT_EQ(ErrorOf([] { ParseJsonObject(u"12"); }), u"<TJsonValue>value type error: jvInteger to jvObject");
  EXPECT_EQ(ErrorOf([] { ParseJsonObject(u"true"); }), u"<TJsonValue>value type error: jvBoolean to jvObject");
  EXPECT_EQ(ErrorOf([] { ParseJsonArray(u"{}"); }), u"<TJsonValue>value type error: jvObject to jvArray");
  // One unit is too short for Parse; as a member the same digit is an integer.
  EXPECT_TRUE(NewJsonValue(u"7")->IsNull());
  EXPECT_EQ(ParseJsonArray(u"[7]")->GetItem(0)->GetKind(), jvInteger);
}

TEST(JsonText, LenientSyntax) {
  IJsonObjectPtr o = ParseJsonObject(
      u"{\n  // a line comment\n  \"a\": 1 /* after */,\n  unquoted: \"x\",\n  \"c\": 2 // before comma\n  ,\n"
      u"  \"d\": [1, 2,],\n}");
  EXPECT_EQ(o->GetCount(), 4);
  EXPECT_EQ(o->GetInteger(u"a"), 1);
  EXPECT_EQ(o->GetString(u"unquoted"), u"x");
  EXPECT_TRUE(o->GetValue(u"c")->IsNull());  // the line comment became part of the value
  EXPECT_EQ(o->GetArray(u"d")->GetCount(), 3);
  EXPECT_TRUE(o->GetArray(u"d")->GetItem(2)->IsNull());
  EXPECT_EQ(U8(o->ToJson()), R"({"a":1,"unquoted":"x","c":null,"d":[1,2,null]})");
}

TEST(JsonText, UntouchedTextIsWrittenBack) {
  const std::u16string text = u"{ \"a\" : [1, 2 ,3] , /* c */ \"b\":{ \"x\" : 1.50 } }";
  IJsonObjectPtr o = ParseJsonObject(text);
  EXPECT_EQ(o->ToJson(), text);
  // Reading one key rewrites the members, but not the untouched values.
  EXPECT_TRUE(o->GetValue(u"a"));
  EXPECT_EQ(U8(o->ToJson()), R"({"a":[1, 2 ,3],"b":{ "x" : 1.50 }})");
  EXPECT_EQ(o->GetObject(u"b")->IndexOf(u"x"), 0);
  EXPECT_EQ(U8(o->ToJson()), R"({"a":[1, 2 ,3],"b":{"x":1.50}})");
  EXPECT_EQ(o->GetObject(u"b")->GetFloat(u"x"), 1.5);
  EXPECT_EQ(U8(o->ToJson()), R"({"a":[1, 2 ,3],"b":{"x":1.5}})");
}

TEST(JsonText, ReplacedContentNeverShowsOldText) {
  IJsonValuePtr v = NewJsonValue(u"{\"a\":1}");
  IJsonObjectPtr o = v->GetAsObject();
  IJsonValuePtr member = o->GetValue(u"a");
  member->Clear();
  EXPECT_EQ(U8(o->ToJson()), R"({"a":null})");
  IJsonArrayPtr a = ParseJsonArray(u"[ 1 , 2 ]");
  a->Clear();
  EXPECT_EQ(U8(a->ToJson()), "[]");
}

TEST(JsonText, Escaping) {
  IJsonValuePtr v = NewJsonValue();
  v->SetAsString(u"a/b\\c\"d\te\nf\r\b\f\x01\u4e2d");
  EXPECT_EQ(v->ToJson(), u"\"a\\/b\\\\c\\\"d\\te\\nf\\r\\b\\f\x01\u4e2d\"");
  EXPECT_EQ(NewJsonValue(v->ToJson())->GetAsString(), v->GetAsString());
  EXPECT_EQ(v->Unescape(u"\\u4E2d\\ud83d\\ude00\\x\\/"), u"\u4e2d\U0001F600x/");
  EXPECT_EQ(ErrorOf([&] { v->Unescape(u"ab\\u12"); }), u"<TJsonValue>parse error: Json is not correct!");
  EXPECT_EQ(ErrorOf([&] { v->Unescape(u"ab\\u12G4cd"); }), u"Illegal four-hex-digits \"12G4cd\"");
  // A lazily parsed string reports its error when first read.
  IJsonArrayPtr a = ParseJsonArray(u"[\"\\u12\"]");
  EXPECT_EQ(ErrorOf([&] { a->GetString(0); }), u"<TJsonValue>parse error: Json is not correct!");
}

TEST(JsonText, FloatText) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.5, "1.5"},
      {-1.2345, "-1.2345"},
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {100, "100"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E15"},
      {1e15, "1E15"},
      {1e20, "1E20"},
      {0.00001, "0.00001"},
      {0.000012345, "0.000012345"},
      {0.0000099, "9.9E-6"},
      {1.5e-10, "1.5E-10"},
      {5e-324, "4.94065645841247E-324"},
      {1.7976931348623157e308, "1.79769313486232E308"},
      {9.999999999999999e22, "1E23"},
      {0.1 + 0.2, "0.3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    IJsonValuePtr v = NewJsonValue();
    v->SetAsFloat(c.value);
    EXPECT_EQ(U8(v->GetAsString()), c.text);
    EXPECT_EQ(U8(v->ToJson()), c.text);
  }
}

TEST(JsonText, NumberReading) {
  struct Case {
    const char16_t* text;
    JsonKind kind;
    double value;
  };
  const Case cases[] = {
      {u"-9223372036854775808", jvInteger, -9223372036854775808.0},
      {u"9223372036854775808", jvFloat, 9223372036854775808.0},
      {u"0x7FFFFFFFFFFFFFFF", jvInteger, 9223372036854775807.0},
      {u"+5", jvInteger, 5},
      {u"1.", jvFloat, 1},
      {u".5", jvFloat, 0.5},
      {u"-1.5E+3", jvFloat, -1500},
      {u"1e-400", jvFloat, 0},
      {u"1e400", jvFloat, 1.7976931348623157e308},  // beyond the range: the largest double
      {u"-1e99999999999999999999", jvFloat, -1.7976931348623157e308},
      {u"1e", jvNull, 0},
      {u"1.5.5", jvNull, 0},
      {u"- 5", jvNull, 0},
      {u"Infinity", jvNull, 0},
      {u"0x", jvNull, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.text));
    IJsonValuePtr v = ParseJsonArray(u"[" + std::u16string(c.text) + u"]")->GetItem(0);
    EXPECT_EQ(v->GetKind(), c.kind);
    EXPECT_EQ(v->GetAsFloat(), c.value);
  }
  IJsonValuePtr probe = NewJsonValue();
  EXPECT_TRUE(probe->IsNumberText(u" 12.5e1 "));
  EXPECT_FALSE(probe->IsNumberText(u"0x10"));
  EXPECT_EQ(probe->DetectKind(u"0x10"), jvInteger);
  EXPECT_EQ(probe->DetectKind(u"tRuE"), jvBoolean);
  EXPECT_EQ(probe->DetectKind(u"x"), jvNull);
  EXPECT_EQ(probe->DetectKind(u"7"), jvInteger);
}

TEST(JsonText, ParseErrors) {
  struct Case {
    const char16_t* member;
    const char16_t* message;
  };
  const Case cases[] = {
      {u"\"a\"", u"<TJsonPair>parse error: \"a\""},
      {u"\"a\":1:2", u"<TJsonPair>parse error: \"a\":1:2"},
      {u":1", u"<TJsonPair>parse error: "},
      {u"\"a\\u12\":1", u"<TJsonPair>parse error: Json is not correct!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.member));
    IJsonObjectPtr o = ParseJsonObject(u"{\"ok\":1," + std::u16string(c.member) + u",\"after\":2}");
    EXPECT_EQ(ErrorOf([&] { o->GetCount(); }), c.message);
    // The members before the error stay; the node counts as parsed.
    EXPECT_EQ(o->GetCount(), 1);
    EXPECT_EQ(o->GetInteger(u"ok"), 1);
  }
  IJsonObjectPtr o = NewJsonObject();
  EXPECT_EQ(ErrorOf([&] { o->AddObjectText(u"k", u"[1]"); }), u"<TJsonObject>parse error: [1]");
  EXPECT_TRUE(ParseJsonObject(u"{\"\":0}")->GetValue(u""));  // an empty quoted key is a key
}

TEST(JsonText, FormattedWriter) {
  IJsonObjectPtr o = ParseJsonObject(u"{\"a\":1,\"b\":{\"c\":[1,2]},\"d\":[]}");
  o->SetFormatted(true);
  EXPECT_EQ(U8(o->ToJson()), "{\r\n  \"a\":1,\r\n  \"b\":{\"c\":[1,2]},\r\n  \"d\":[]\r\n}");
  IJsonArrayPtr a = ParseJsonArray(u"[1,{\"x\":[2]},[3]]");
  a->SetFormatted(true);
  EXPECT_EQ(U8(a->ToJson()), "[\r\n1,\r\n{\r\n  \"x\":[2]\r\n},\r\n[\r\n3\r\n]\r\n]");
  IJsonObjectPtr empty = NewJsonObject();
  empty->SetFormatted(true);
  empty->SetIndent(4);
  EXPECT_EQ(U8(empty->ToJson()), "    {}");
}

TEST(JsonText, MethodsAreLeftOut) {
  IJsonObjectPtr o = NewJsonObject();
  o->AddInteger(u"a", 1);
  o->AddMethod(u"m", [](void*, IJsonValue*, void*) {});
  o->AddInteger(u"b", 2);
  o->AddValue(u"none", nullptr);
  EXPECT_EQ(U8(o->ToJson()), R"({"a":1,"b":2})");
  IJsonArrayPtr a = NewJsonArray();
  a->AddMethod([](void*, IJsonValue*, void*) {});
  a->AddInteger(1);
  EXPECT_EQ(U8(a->ToJson()), "[1]");
}

}  // namespace

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define KV_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ASAN 1
#endif
#endif

// Runs `body` on a thread with a 1 MiB stack, the size Windows gives threads
// (AddressSanitizer's instrumented frames are several times larger: 4 MiB there).
void OnSmallStack(void (*body)()) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
#ifdef KV_ASAN
  pthread_attr_setstacksize(&attr, 4 << 20);
#else
  pthread_attr_setstacksize(&attr, 1 << 20);
#endif
  pthread_t thread;
  auto entry = [](void* arg) -> void* {
    reinterpret_cast<void (*)()>(arg)();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, entry, reinterpret_cast<void*>(body)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

std::u16string Nested(int depth, std::u16string_view inner = u"") {
  return std::u16string(depth, u'[') + std::u16string(inner) + std::u16string(depth, u']');
}

TEST(JsonText, DeepNestingIsRefused) {
  OnSmallStack([] {
    // 100,000 nested arrays: an error on the first touch, not a stack overflow.
    IJsonArrayPtr deep = ParseJsonArray(Nested(100000));
    const std::u16string message = ErrorOf([&] { deep->GetCount(); });
    EXPECT_EQ(U8(message.substr(0, 30)), "<TJsonArray>parse error: [[[[[");
    EXPECT_EQ(deep->GetCount(), 0);
    // The limit itself: 1000 levels are read, written, copied and merged.
    IJsonValuePtr limit = NewJsonValue(Nested(kJsonMaxDepth, u"1"));
    IJsonValuePtr v = limit;
    for (int i = 1; i < kJsonMaxDepth; ++i) v = v->GetAsArray()->GetItem(0);
    EXPECT_EQ(v->GetAsArray()->GetInteger(0), 1);
    EXPECT_EQ(limit->ToJson(), Nested(kJsonMaxDepth, u"1"));
    IJsonValuePtr copy = NewJsonValue();
    copy->Assign(limit);
    limit->GetAsArray()->Clear();
    EXPECT_EQ(copy->ToJson(), Nested(kJsonMaxDepth, u"1"));
    IJsonArrayPtr over = ParseJsonArray(Nested(kJsonMaxDepth + 1));
    EXPECT_NE(ErrorOf([&] { over->GetCount(); }), u"");
    // Trees built deeper than that (or cyclic) are refused by the writer and
    // by Assign, and freeing them does not recurse.
    IJsonArrayPtr root = NewJsonArray();
    IJsonArrayPtr tip = root;
    for (int i = 0; i < 100000; ++i) {
      IJsonArrayPtr next = NewJsonArray();
      tip->AddArray(next);
      tip = next;
    }
    EXPECT_EQ(ErrorOf([&] { root->ToJson(); }), u"<TJsonArray>nesting deeper than 1000 levels");
    EXPECT_EQ(ErrorOf([&] { NewJsonArray()->Assign(root); }), u"<TJsonArray>nesting deeper than 1000 levels");
    IJsonObjectPtr a = ParseJsonObject(u"{\"x\":{}}");
    IJsonObjectPtr b = ParseJsonObject(u"{\"x\":{}}");
    IJsonObjectPtr ax = a->GetObject(u"x");
    IJsonObjectPtr bx = b->GetObject(u"x");
    ax->AddObject(u"x", ax);  // a cycle
    bx->AddObject(u"x", bx);
    EXPECT_EQ(ErrorOf([&] { a->Merge(b); }), u"<TJsonObject>nesting deeper than 1000 levels");
    EXPECT_EQ(ErrorOf([&] { a->ToJson(); }), u"<TJsonObject>nesting deeper than 1000 levels");
    ax->Clear();  // breaks the cycles, which reference counting cannot free
    bx->Clear();
  });
}

}  // namespace

namespace {

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class JsonFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kv_json_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(JsonFiles, SaveEncodings) {
  IJsonObjectPtr o = ParseJsonObject(u"{\"k\":\"\u4e2d\"}");
  struct Case {
    const char16_t* encoding;
    std::string bytes;
  };
  const Case cases[] = {
      {u"", "{\"k\":\"\xD6\xD0\"}"},  // the ANSI code page (936)
      {u"utf-8", "\xEF\xBB\xBF{\"k\":\"\xE4\xB8\xAD\"}"},
      {u"utf8", "\xEF\xBB\xBF{\"k\":\"\xE4\xB8\xAD\"}"},
      {u"unicode", std::string("\xFF\xFE{\0\"\0k\0\"\0:\0\"\0\x2D\x4E\"\0}\0", 20)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.encoding));
    const auto path = dir_ / "out.json";
    o->SaveToFile(path.u16string(), c.encoding);
    EXPECT_EQ(ReadBytes(path), c.bytes);
    // Every form reads back (a file without a mark as the ANSI code page).
    EXPECT_EQ(LoadJsonFile(path.u16string())->GetAsObject()->GetString(u"k"), u"\u4e2d");
  }
  const auto refused = dir_ / "refused.json";
  EXPECT_EQ(ErrorOf([&] { o->SaveToFile(refused.u16string(), u"UTF-8"); }),
            u"<TJsonObject>Can not support UTF-8 encode!");
  EXPECT_FALSE(std::filesystem::exists(refused));
}

TEST_F(JsonFiles, LoadEdgeCases) {
  const auto empty = dir_ / "empty.json";
  WriteBytes(empty, "");
  EXPECT_EQ(LoadJsonFile(empty.u16string())->GetKind(), jvObject);
  EXPECT_EQ(ErrorOf([&] { LoadJsonArrayFile(empty.u16string()); }), u"<TJsonValue>value type error: jvObject to jvArray");
  const auto list = dir_ / "list.json";
  WriteBytes(list, "\xEF\xBB\xBF [1, \"\xE4\xB8\xAD\"] ");
  IJsonArrayPtr a = LoadJsonArrayFile(list.u16string());
  EXPECT_EQ(a->GetString(1), u"\u4e2d");
  const std::u16string missing = (dir_ / "missing.json").u16string();
  const std::u16string message = ErrorOf([&] { LoadJsonFile(missing); });
  EXPECT_EQ(message.rfind(u"Cannot open file \"" + missing + u"\". ", 0), 0u) << U8(message);
  // Refused before anything is read (the file is sparse).
  const auto huge = dir_ / "huge.json";
  WriteBytes(huge, "");
  std::filesystem::resize_file(huge, uint64_t{1} << 31);
  EXPECT_EQ(ErrorOf([&] { LoadJsonFile(huge.u16string()); }), u"File too large: \"" + huge.u16string() + u"\"");
}

TEST(JsonText, Streams) {
  // Marks decide the encoding; two bytes are too few for one.
  struct Case {
    std::string bytes;
    bool utf8Default;
    JsonKind kind;
    const char16_t* text;
  };
  const Case cases[] = {
      {std::string("\xFF\xFE[\0\"\0\x2D\x4E\"\0]\0", 12), false, jvArray, u"[\"\u4e2d\"]"},
      {"\xEF\xBB\xBF[\"\xE4\xB8\xAD\"]", false, jvArray, u"[\"\u4e2d\"]"},
      {"[\"\xE4\xB8\xAD\"]", true, jvArray, u"[\"\u4e2d\"]"},
      {"[\"\xD6\xD0\"]", false, jvArray, u"[\"\u4e2d\"]"},
      {"\xFF\xFE", false, jvNull, u"null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    TJsonMemoryStream in(c.bytes);
    IJsonValuePtr v = NewJsonValue(u"{}");
    v->LoadFromStream(in, c.utf8Default);
    EXPECT_EQ(v->GetKind(), c.kind);
    EXPECT_EQ(v->ToJson(), c.text);
  }
  // SaveToStream writes UTF-16LE at the position and cuts what follows.
  TJsonMemoryStream out;
  EXPECT_EQ(out.Allocated(), 0u);
  out.Write("0123456789ABCDEFGHIJ", 20);
  EXPECT_EQ(out.Allocated(), 64u);
  out.SetPosition(2);
  EXPECT_EQ(ParseJsonArray(u"[1]")->SaveToStream(out), 6);
  EXPECT_EQ(out.Bytes(), std::string("01[\0" "1\0]\0", 8));
  std::string big(100, 'x');
  out.Write(big.data(), big.size());
  EXPECT_EQ(out.Allocated(), 128u);
}

}  // namespace

namespace {

// The splitting rule, transcribed unit by unit, as the reference for the
// library's scanner (which jumps over runs 64 units at a time).
struct TReferenceSplit {
  std::u16string_view t;

  size_t SkipForward(size_t i, size_t end) const {
    for (;;) {
      while (i < end && t[i] <= u' ') ++i;
      if (i + 1 < end && t[i] == u'/' && t[i + 1] == u'/') {
        i += 2;
        while (i < end && t[i] != u'\n') ++i;
        if (i < end) ++i;
      } else if (i + 1 < end && t[i] == u'/' && t[i + 1] == u'*') {
        size_t q = i + 1;
        while (q + 1 < end && !(t[q] == u'*' && t[q + 1] == u'/')) ++q;
        i = q + 1 < end ? q + 2 : end;
      } else {
        return i;
      }
    }
  }
  size_t TrimBackward(size_t start, size_t e) const {
    for (;;) {
      while (e > start && t[e - 1] <= u' ') --e;
      if (e - start >= 2 && t[e - 1] == u'/' && t[e - 2] == u'*') {
        size_t k = e - 2;
        bool found = false;
        while (k > start) {
          --k;
          if (t[k] == u'/' && t[k + 1] == u'*') {
            found = true;
            break;
          }
        }
        if (found) {
          e = k;
          continue;
        }
      }
      return e;
    }
  }
  size_t Closer(size_t p, size_t end) const {
    if (t[p] == u'"') {
      for (size_t i = p + 1; i < end; ++i) {
        if (t[i] == u'\\') {
          ++i;
        } else if (t[i] == u'"') {
          return i;
        }
      }
      return end;
    }
    const char16_t close = t[p] == u'[' ? u']' : u'}';
    for (size_t i = p + 1; i < end; ++i) {
      const char16_t c = t[i];
      if (c == u'"' || c == u'[' || c == u'{') {
        i = Closer(i, end);
        if (i >= end) return end;
      } else if (c == close) {
        return i;
      }
    }
    return end;
  }
  std::vector<std::u16string> Split(char16_t separator) const {
    std::vector<std::u16string> out;
    const size_t end = t.size();
    size_t i = SkipForward(0, end);
    if (i == end) return out;
    size_t start = i;
    int index = 0;
    auto report = [&](size_t e, bool isItem) {
      out.push_back(AsciiToUtf16(std::to_string(index)) + (isItem ? u"+" : u"-") +
                    std::u16string(t.substr(start, e - start)));
    };
    while (i < end) {
      if (t[i] == separator) {
        report(TrimBackward(start, i), true);
        i = SkipForward(i + 1, end);
        start = i;
        ++index;
        continue;
      }
      if (t[i] == u'"' || t[i] == u'[' || t[i] == u'{') i = Closer(i, end);
      if (i < end) ++i;
      i = SkipForward(i, end);
    }
    const size_t e = TrimBackward(start, end);
    report(e, true);
    ++index;
    report(e, false);
    return out;
  }
};

TEST(JsonText, SplittingMatchesTheRule) {
  const char16_t alphabet[] = u"[[]]{{}}\"\"\\,,/*a \n:";
  const size_t letters = sizeof alphabet / sizeof alphabet[0] - 1;
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  IJsonValuePtr node = NewJsonValue();
  auto collect = [](void* context, const char16_t*, int32_t index, bool isItem, std::u16string_view item) {
    static_cast<std::vector<std::u16string>*>(context)->push_back(AsciiToUtf16(std::to_string(index)) +
                                                                  (isItem ? u"+" : u"-") + std::u16string(item));
  };
  for (int round = 0; round < 3000; ++round) {
    std::u16string text(next() % 400, u' ');
    // Mostly filler, so that runs are long enough for the block scanner.
    for (char16_t& c : text) c = next() % 4 == 0 ? alphabet[next() % letters] : u'a' + next() % 3;
    std::vector<std::u16string> got;
    node->SplitTopLevel(text, u',', collect, &got);
    ASSERT_EQ(got, TReferenceSplit{text}.Split(u',')) << U8(text);
  }
}

}  // namespace

namespace {

// Deeper levels of a large text jump nested runs by the closers its first
// walk recorded; the trees must be those that scanning gives. Reference:
// the root's items as SplitTopLevel (which scans) finds them, each read on
// its own (small texts are always scanned). Inner comments hold quotes and
// brackets that the root's scan, which knows no comments, takes as such.
TEST(JsonText, LargeTextsReadAsScanned) {
  const std::u16string items[] = {
      u"{\"a\": [1, /* \" [ */ 2], \"b\": \"x]\"}",
      u"[[1,2],[3,[4,{\"k\":\"}\"}]]]",
      u"{\"c\": {\"d\": [ // ]\n 5 ]}, e: \"\\\"]\"}",
      u"[\"/*\", {\"x\":[]} /* } */, 7]",
      u"{\"n\": [ /* \"x\" [[ ]] */ [1], {\"m\": [2] /* ] */ }]}",
  };
  std::u16string content;
  for (int i = 0; i < 400; ++i) content += (i ? u",\n" : u"") + items[i % 5];
  const std::u16string whole = u"[" + content + u"]";
  ASSERT_GT(whole.size(), 4096u);

  std::vector<std::u16string> parts;
  auto collect = [](void* context, const char16_t*, int32_t, bool isItem, std::u16string_view item) {
    if (isItem) static_cast<std::vector<std::u16string>*>(context)->push_back(std::u16string(item));
  };
  IJsonValuePtr probe = NewJsonValue();
  probe->SplitTopLevel(content, u',', collect, &parts);
  std::u16string expected = u"[";
  for (size_t i = 0; i < parts.size(); ++i) {
    ASSERT_LT(parts[i].size(), 2048u);
    IJsonArrayPtr single = ParseJsonArray(u"[" + parts[i] + u"]");
    ASSERT_EQ(single->GetCount(), 1);
    IJsonValuePtr item = single->GetItem(0);
    TouchAll(item);
    expected += (i ? u"," : u"") + item->ToJson();
  }
  expected += u"]";
  IJsonValuePtr large = NewJsonValue(whole);
  TouchAll(large);
  EXPECT_EQ(large->ToJson(), expected);
}

}  // namespace

namespace {

// A finished tree may go to other threads: subtrees of one text, parsed on
// two threads at once, share its block (and the memory for their nodes).
TEST(JsonText, SubtreesOfOneTextOnTwoThreads) {
  std::u16string text = u"[";
  for (int i = 0; i < 2000; ++i) {
    text += (i ? u"," : u"") + (u"{\"n\":" + AsciiToUtf16(std::to_string(i)) + u",\"list\":[1,2,{\"s\":\"x\"}]}");
  }
  text += u"]";
  for (int round = 0; round < 5; ++round) {
    IJsonArrayPtr all = ParseJsonArray(text);
    ASSERT_EQ(all->GetCount(), 2000);
    std::vector<IJsonValuePtr> halves[2];
    for (int32_t i = 0; i < all->GetCount(); ++i) halves[i % 2].push_back(all->GetItem(i));
    all = nullptr;  // the threads hold the only references
    auto work = [](std::vector<IJsonValuePtr>* items) {
      for (IJsonValuePtr& v : *items) {
        TouchAll(v);
        v->GetAsObject()->GetArray(u"list")->AddInteger(3);
      }
    };
    std::thread a(work, &halves[0]), b(work, &halves[1]);
    a.join();
    b.join();
    for (int k = 0; k < 2; ++k) {
      for (size_t i = 0; i < halves[k].size(); ++i) {
        const int n = static_cast<int>(i * 2 + k);
        ASSERT_EQ(U8(halves[k][i]->ToJson()), "{\"n\":" + std::to_string(n) + ",\"list\":[1,2,{\"s\":\"x\"},3]}");
      }
    }
  }
}

}  // namespace
