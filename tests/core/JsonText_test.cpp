// The text reader and writer: leniency, laziness and byte-for-byte write-back,
// escaping, numbers, the formatted writer, streams and files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "JsonValue.h"
#include "TextConv.h"

namespace {

std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

template <class F>
std::u16string ErrorOf(F&& body) {
  try {
    body();
  } catch (const EJsonException& e) {
    return e.Message();
  }
  return u"";
}

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
