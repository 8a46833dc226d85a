// The value model: kinds and conversions, containers, the key index,
// assignment and the algorithms over arrays and objects.
#include <gtest/gtest.h>

#include "JsonValue.h"
#include "TextConv.h"

namespace {

std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

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

TEST(JsonValue, BuildsRecords) {
  IJsonObjectPtr record = NewJsonObject();
  record->AddString(u"name", u"setup.exe");
  record->AddInteger(u"size", 1024);
  record->AddBoolean(u"ok", true);
  record->AddFloat(u"ratio", 0.5);
  IJsonArrayPtr files = record->GetArray(u"files");
  files->AddString(u"a\"b");
  files->AddInteger(-3);
  record->GetObject(u"sub")->AddValue(u"n", NewJsonValue());
  EXPECT_EQ(U8(record->ToJson()),
            R"({"name":"setup.exe","size":1024,"ok":true,"ratio":0.5,"files":["a\"b",-3],"sub":{"n":null}})");
  EXPECT_EQ(record->GetString(u"name"), u"setup.exe");
  EXPECT_EQ(record->GetInteger(u"size"), 1024);
  EXPECT_EQ(record->GetArray(u"files")->GetCount(), 2);
}

TEST(JsonValue, ConversionTable) {
  struct Case {
    const char16_t* text;  // parsed as an object member's value
    JsonKind kind;
    const char16_t* asString;
    int64_t asInteger;
    double asFloat;
    bool asBoolean;
  };
  const Case cases[] = {
      {u"null", jvNull, u"", 0, 0, false},
      {u"\"12.7\"", jvString, u"12.7", 12, 12.7, false},
      {u"\" true \"", jvString, u" true ", 0, 0, false},
      {u"\"1234567890123456789\"", jvString, u"1234567890123456789", 1234567890123456789, 1234567890123456789.0, false},
      {u"42", jvInteger, u"42", 42, 42, true},
      {u"0x1F", jvInteger, u"31", 31, 31, true},
      {u"$ff", jvInteger, u"255", 255, 255, true},
      {u"-2.9", jvFloat, u"-2.9", -2, -2.9, true},
      {u"2.9", jvFloat, u"2.9", 2, 2.9, true},
      {u"99999999999", jvInteger, u"99999999999", 99999999999, 99999999999.0, true},
      {u"1e15", jvFloat, u"1E15", 1000000000000000, 1e15, true},
      {u"True", jvBoolean, u"true", 1, 1, true},
      {u"FALSE", jvBoolean, u"false", 0, 0, false},
      {u"NULL", jvNull, u"", 0, 0, false},
      {u"bareword", jvNull, u"", 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.text));
    IJsonValuePtr v = ParseJsonObject(u"{\"v\":" + std::u16string(c.text) + u"}")->GetValue(u"v");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->GetKind(), c.kind);
    EXPECT_EQ(U8(v->GetAsString()), U8(c.asString));
    if (c.kind != jvString || c.asFloat != 0) {
      EXPECT_EQ(v->GetAsInteger(), c.asInteger);
      EXPECT_DOUBLE_EQ(v->GetAsFloat(), c.asFloat);
    }
    EXPECT_EQ(v->GetAsBoolean(), c.asBoolean);
  }
  EXPECT_TRUE(NewJsonValue(u"\"TRUE\"")->GetAsBoolean());
  IJsonValuePtr quoted = NewJsonValue(u"\"a\\\"b\\nc\"");
  EXPECT_EQ(quoted->GetAsString(), u"a\"b\nc");
  EXPECT_EQ(U8(quoted->GetAsRawString()), R"(a\"b\nc)");
}

TEST(JsonValue, ConversionErrors) {
  IJsonValuePtr s = NewJsonValue(u"\"abc\"");
  EXPECT_EQ(ErrorOf([&] { s->GetAsObject(); }), u"<TJsonValue>value type error: jvString to jvObject");
  EXPECT_EQ(ErrorOf([&] { s->GetAsArray(); }), u"<TJsonValue>value type error: jvString to jvArray");
  EXPECT_EQ(ErrorOf([&] { s->GetAsFloat(); }), u"'abc' is not a valid floating point value");
  EXPECT_EQ(ErrorOf([&] { s->GetAsInteger(); }), u"'abc' is not a valid floating point value");
  IJsonValuePtr o = NewJsonValue(u"{}");
  EXPECT_EQ(ErrorOf([&] { o->GetAsInteger(); }), u"<TJsonValue>value type error: jvObject to jvInteger");
  EXPECT_EQ(ErrorOf([&] { o->GetAsFloat(); }), u"<TJsonValue>value type error: jvObject to jvFloat");
  IJsonValuePtr m = NewJsonValue();
  m->SetAsMethod([](void*, IJsonValue*, void*) {});
  EXPECT_EQ(ErrorOf([&] { m->GetAsString(); }), u"<TJsonValue>value type error: jvMethod to jvString");
  // A float beyond the integer range cannot be truncated to one.
  IJsonValuePtr big = NewJsonValue(u"1e300");
  EXPECT_EQ(ErrorOf([&] { big->GetAsInteger(); }), u"<TJsonValue>value type error: jvFloat to jvInteger");
}

TEST(JsonValue, NullBecomesContainerOnDemand) {
  IJsonValuePtr v = NewJsonValue();
  EXPECT_EQ(v->GetKind(), jvNull);
  v->GetAsObject()->AddInteger(u"a", 1);
  EXPECT_EQ(v->GetKind(), jvObject);
  EXPECT_EQ(U8(v->ToJson()), R"({"a":1})");
  EXPECT_EQ(v->GetAsObject()->GetCapacity(), 1024);
  IJsonValuePtr w = NewJsonValue();
  EXPECT_EQ(w->GetAsArray()->GetCapacity(), 1024);
}

TEST(JsonValue, ObjectGettersAndAutoCreate) {
  IJsonObjectPtr o = NewJsonObject();
  EXPECT_EQ(o->GetInteger(u"missing"), 0);
  EXPECT_EQ(o->GetString(u"missing"), u"");
  EXPECT_EQ(o->GetCount(), 0);
  EXPECT_TRUE(o->GetObject(u"made"));
  EXPECT_EQ(o->GetCount(), 1);
  o->SetAutoCreate(false);
  EXPECT_FALSE(o->GetObject(u"other"));
  EXPECT_FALSE(o->GetArray(u"other"));
  o->SetString(u"other", u"x");  // missing and no auto-create: nothing
  EXPECT_EQ(o->GetCount(), 1);
  o->SetAutoCreate(true);
  o->SetString(u"other", u"x");
  EXPECT_EQ(o->GetString(u"other"), u"x");
}

TEST(JsonValue, DuplicateKeysAndStaleIndex) {
  for (int extra : {0, 20}) {  // small objects and objects with a key index
    SCOPED_TRACE(extra);
    IJsonObjectPtr o = NewJsonObject();
    for (int i = 0; i < extra; ++i) o->AddInteger(u"k" + AsciiToUtf16(std::to_string(i)), i);
    o->AddString(u"a", u"first");
    o->AddString(u"a", u"second");
    EXPECT_EQ(o->GetCount(), extra + 2);
    EXPECT_EQ(o->GetString(u"a"), u"second");
    EXPECT_EQ(o->IndexOf(u"a"), extra + 1);
    o->Delete(extra + 1);
    EXPECT_EQ(o->GetString(u"a"), u"first");
    o->Insert(0, u"a")->SetAsString(u"inserted");
    EXPECT_EQ(o->IndexOf(u"a"), extra + 1);  // the highest position wins
    o->Clear();
    o->AddInteger(u"b", 1);
    EXPECT_EQ(o->IndexOf(u"a"), -1);
    EXPECT_EQ(o->IndexOf(u"b"), 0);
  }
  IJsonObjectPtr ab = ParseJsonObject(u"{\"a\":1,\"b\":2}");
  ab->Delete(0);
  EXPECT_EQ(ab->IndexOf(u"b"), 0);
  EXPECT_EQ(ab->IndexOf(u"B"), -1);  // keys are case-sensitive
}

TEST(JsonValue, HashIndex) {
  IJsonHashPtr hash = NewJsonHash(1024);
  EXPECT_EQ(hash->HashOf(u"ab", 2), ((u'a' << 2) ^ u'b'));
  hash->Add(u"k", 1);
  hash->Add(u"k", 2);
  EXPECT_EQ(hash->ValueOf(u"k"), 2);  // the last added is found first
  EXPECT_TRUE(hash->Modify(u"k", 5));
  EXPECT_FALSE(hash->Modify(u"x", 5));
  hash->Remove(u"k");
  EXPECT_EQ(hash->ValueOf(u"k"), 1);
  hash->Clear();
  EXPECT_EQ(hash->ValueOf(u"k"), -1);
  EXPECT_EQ(*hash->Find(u"k"), nullptr);
}

TEST(JsonValue, SetValueCopiesIntoExistingAndSharesNew) {
  IJsonObjectPtr o = NewJsonObject();
  IJsonValuePtr given = NewJsonValue(u"\"one\"");
  o->SetValue(u"k", given);  // missing: the object holds `given` itself
  given->SetAsString(u"two");
  EXPECT_EQ(o->GetString(u"k"), u"two");
  IJsonValuePtr other = NewJsonValue(u"\"three\"");
  o->SetValue(u"k", other);  // existing: copied into the old value
  other->SetAsString(u"four");
  EXPECT_EQ(o->GetString(u"k"), u"three");
  EXPECT_EQ(given->GetAsString(), u"three");
}

TEST(JsonValue, AssignIsDeep) {
  IJsonObjectPtr source = ParseJsonObject(u"{\"a\":{\"b\":[1,2]},\"s\":\"x\"}");
  IJsonObjectPtr copy = NewJsonObject();
  copy->Assign(source);
  source->GetObject(u"a")->GetArray(u"b")->AddInteger(3);
  EXPECT_EQ(U8(copy->ToJson()), R"({"a":{"b":[1,2]},"s":"x"})");
  IJsonValuePtr v = NewJsonValue(u"[1,2]");
  v->Assign(source);
  EXPECT_EQ(v->GetKind(), jvObject);
  EXPECT_EQ(U8(v->ToJson()), R"({"a":{"b":[1,2,3]},"s":"x"})");
  v->Assign(nullptr);
  EXPECT_TRUE(v->IsNull());
  IJsonArrayPtr array = NewJsonArray();
  EXPECT_EQ(ErrorOf([&] { array->Assign(source); }), u"<TJsonArray>assign error: TJsonObject to TJsonArray");
  EXPECT_EQ(ErrorOf([&] { array->Assign(nullptr); }), u"<TJsonArray>assign error: nil to TJsonArray");
  // A value assigned from a value inside its own tree keeps what it copies.
  IJsonValuePtr tree = NewJsonValue(u"{\"inner\":{\"x\":1}}");
  tree->Assign(tree->GetAsObject()->GetValue(u"inner"));
  EXPECT_EQ(U8(tree->ToJson()), R"({"x":1})");
}

TEST(JsonValue, ArrayBasics) {
  IJsonArrayPtr a = ParseJsonArray(u"[1,\"two\",3.5,true,null]");
  EXPECT_EQ(a->GetCount(), 5);
  EXPECT_EQ(a->GetInteger(0), 1);
  EXPECT_EQ(a->GetString(1), u"two");
  EXPECT_DOUBLE_EQ(a->GetFloat(2), 3.5);
  EXPECT_TRUE(a->GetBoolean(3));
  EXPECT_TRUE(a->GetItem(4)->IsNull());
  EXPECT_EQ(ErrorOf([&] { a->GetItem(5); }), u"List index out of bounds (5)");
  EXPECT_EQ(ErrorOf([&] { a->Delete(-1); }), u"List index out of bounds (-1)");
  a->Exchange(0, 4);
  a->Delete(1);
  a->Insert(0, NewJsonValue(u"\"first\""));
  EXPECT_EQ(U8(a->ToJson()), R"(["first",null,3.5,true,1])");
  a->Reverse();
  EXPECT_EQ(U8(a->ToJson()), R"([1,true,3.5,null,"first"])");
  EXPECT_EQ(a->First()->GetAsInteger(), 1);
  EXPECT_EQ(a->Last()->GetAsString(), u"first");
  a->Clear();
  EXPECT_TRUE(a->IsEmpty());
  EXPECT_FALSE(a->First());
}

}  // namespace
