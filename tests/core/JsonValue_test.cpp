// The value model: kinds and conversions, containers, the key index,
// assignment and the algorithms over arrays and objects.
#include <gtest/gtest.h>

#include "JsonTestSupport.h"
#include "JsonValue.h"
#include "TextConv.h"

namespace {

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

TEST(JsonValue, MatchingAndSorting) {
  IJsonArrayPtr a = ParseJsonArray(u"[\"b\",\"A\",\"a\",\"10\",\"9\"]");
  EXPECT_EQ(a->IndexOf(u"a", u"", true), 2);
  EXPECT_EQ(a->IndexOf(u"a", u"", false), 1);
  EXPECT_EQ(a->LastIndexOf(u"A", u"", false), 2);
  EXPECT_EQ(a->IndexOf(u"zz", u"", false), -1);
  EXPECT_EQ(a->Find(u"", u"10")->GetAsString(), u"10");
  EXPECT_FALSE(a->Find(u"", u"B"));  // Find is case-sensitive
  EXPECT_EQ(a->Remove(u"9", u"", true), 4);
  EXPECT_EQ(a->GetCount(), 4);
  IJsonArrayPtr people = ParseJsonArray(u"[{\"n\":\"9\"},{\"n\":\"10\"},{\"n\":\"2\"}]");
  people->Sort(nullptr, u"n", true);  // texts, so "10" < "2" < "9"
  EXPECT_EQ(people->Join(u",", u"n"), u"10,2,9");
  people->Sort([](IJsonValue* x, IJsonValue* y, std::u16string_view key, bool) {
    return static_cast<int>(y->GetAsObject()->GetInteger(key) - x->GetAsObject()->GetInteger(key));
  }, u"n", true);
  EXPECT_EQ(people->Join(u",", u"n"), u"10,9,2");
  people->SetFound(u"n", u"9", NewJsonValue(u"{\"n\":\"nine\"}"));
  EXPECT_EQ(people->Join(u"|", u"n"), u"10|nine|2");
  // Matching by key reads items as objects: other kinds raise.
  IJsonArrayPtr mixed = ParseJsonArray(u"[1]");
  EXPECT_EQ(ErrorOf([&] { mixed->IndexOf(u"x", u"k", true); }), u"<TJsonValue>value type error: jvInteger to jvObject");
  // An inconsistent comparison still sorts in place without leaving the list.
  IJsonArrayPtr many = NewJsonArray();
  for (int i = 0; i < 200; ++i) many->AddInteger(i % 7);
  many->Sort([](IJsonValue*, IJsonValue*, std::u16string_view, bool) { return -1; }, u"", true);
  EXPECT_EQ(many->GetCount(), 200);
  many->Sort(nullptr, u"", true);
  EXPECT_EQ(many->GetInteger(0), 0);
  EXPECT_EQ(many->GetInteger(199), 6);
}

TEST(JsonValue, SliceAndJoin) {
  IJsonArrayPtr a = ParseJsonArray(u"[\"x\",\"y\",\"z\"]");
  struct Case {
    int first, last;
    const char16_t* joined;
  };
  const Case cases[] = {
      {-2, 0, u"y,z"}, {0, 2, u""},  {1, 0, u"x,y,z"}, {2, 2, u"y"},  {2, 9, u"y,z"},
      {4, 0, u""},     {3, 1, u""},  {-9, 1, u"x"},    {1, -2, u"x,y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + "," + std::to_string(c.last));
    EXPECT_EQ(a->Slice(c.first, c.last)->Join(u",", u""), c.joined);
  }
  IJsonArrayPtr slice = a->Slice(1, 1);
  slice->GetItem(0)->SetAsString(u"shared");
  EXPECT_EQ(a->GetString(0), u"shared");
  EXPECT_EQ(ParseJsonArray(u"[\"\",\"a\",\"b\"]")->Join(u",", u""), u"a,b");
  EXPECT_EQ(NewJsonArray()->Join(u",", u""), u"");
  IJsonArrayPtr records = ParseJsonArray(u"[{\"a\":{\"b\":1}},{\"a\":{\"b\":2}}]");
  EXPECT_EQ(records->Join(u"-", u"a.b"), u"1-2");
}

TEST(JsonValue, PathsTemplatesAndMerge) {
  IJsonObjectPtr o = ParseJsonObject(u"{\"name\":\"Bob\",\"a\":{\"b\":{\"c\":5}}}");
  EXPECT_EQ(o->GetValueByPath(u"a.b.c")->GetAsInteger(), 5);
  EXPECT_TRUE(o->GetValueByPath(u"x.y")->IsNull());  // made on the way
  EXPECT_EQ(U8(o->GetObject(u"x")->ToJson()), R"({"y":null})");
  EXPECT_FALSE(o->GetValueByPath(u"a.b."));
  o->SetValueByPath(u"a.b.d", NewJsonValue(u"[1]"));
  EXPECT_EQ(U8(o->GetObject(u"a")->ToJson()), R"({"b":{"c":5,"d":[1]}})");
  EXPECT_EQ(ErrorOf([&] { o->GetValueByPath(u"name.first"); }), u"<TJsonValue>value type error: jvString to jvObject");

  EXPECT_EQ(o->FormatTemplate(u"Hello {name}, {missing}!", u'{', u'}'), u"Hello Bob, !");
  EXPECT_EQ(o->FormatTemplate(u"Hi {name", u'{', u'}'), u"Hi ");
  EXPECT_EQ(o->FormatTemplate(u"%name%%name%", u'%', u'%'), u"BobBob");

  IJsonObjectPtr target = ParseJsonObject(u"{\"keep\":1,\"sub\":{\"x\":1},\"list\":[1],\"v\":\"old\"}");
  IJsonObjectPtr other = ParseJsonObject(u"{\"sub\":{\"y\":2},\"list\":[{\"z\":3}],\"v\":[9],\"new\":{\"n\":1}}");
  target->Merge(other);
  EXPECT_EQ(U8(target->ToJson()), R"({"keep":1,"sub":{"x":1,"y":2},"list":[1,{"z":3}],"v":[9],"new":{"n":1}})");
  // Added members are copies; appended items are shared.
  other->GetObject(u"new")->SetInteger(u"n", 7);
  other->GetArray(u"list")->GetObject(0)->SetInteger(u"z", 4);
  EXPECT_EQ(U8(target->ToJson()), R"({"keep":1,"sub":{"x":1,"y":2},"list":[1,{"z":4}],"v":[9],"new":{"n":1}})");
  target->Merge(nullptr);
}

TEST(JsonValue, MethodsAndHandlers) {
  struct Call {
    void* a = nullptr;
    void* b = nullptr;
    std::u16string params;
  } call;
  IJsonObjectPtr o = NewJsonObject();
  o->AddMethod(u"run", [&call](void* a, IJsonValue* params, void* b) {
    call.a = a;
    call.b = b;
    call.params = params->ToJson();
  });
  int x = 0, y = 0;
  o->CallMethodText(u"run", u"{\"p\":1}", &x, &y);
  EXPECT_EQ(call.a, &x);
  EXPECT_EQ(call.b, &y);
  EXPECT_EQ(U8(call.params), R"({"p":1})");
  EXPECT_TRUE(o->GetValue(u"run")->IsKind(jvMethod));
  EXPECT_TRUE(o->GetValue(u"run")->GetAsBoolean());
  EXPECT_EQ(ErrorOf([&] { o->CallMethod(u"stop", nullptr, nullptr, nullptr); }),
            u"<TJsonObject>Method [stop] not exist in JsonObject!");
  IJsonArrayPtr a = NewJsonArray();
  a->AddInteger(1);
  EXPECT_EQ(ErrorOf([&] { a->CallMethod(0, nullptr, nullptr, nullptr); }),
            u"<TJsonArray>Method [0] not exist in JsonArray!");

  // The pair handler sees each member as it is parsed, before the next.
  IJsonObjectPtr parsed = NewJsonObject();
  std::u16string seen;
  parsed->SetOnPairParsed([&seen](IJsonObject* owner, std::u16string_view key, IJsonValue* value) {
    seen += std::u16string(key) + u"=" + value->ToJson() + u"#" + AsciiToUtf16(std::to_string(owner->GetCount())) + u";";
  });
  parsed->Parse(u"{\"a\":1, b : [2] ,}");
  EXPECT_EQ(U8(seen), "a=1#1;b=[2]#2;");
  EXPECT_TRUE(parsed->GetOnPairParsed());
}

TEST(JsonValue, CloneSplitAndInterfaces) {
  IJsonValuePtr v = NewJsonValue(u"{\"a\":1}");
  IJsonValuePtr c = v->Clone();
  c->GetAsObject()->AddInteger(u"b", 2);  // containers are shared
  EXPECT_EQ(U8(v->ToJson()), R"({"a":1,"b":2})");
  IJsonValuePtr s = NewJsonValue(u"\"text\"");
  IJsonValuePtr sc = s->Clone();
  sc->SetAsString(u"other");
  EXPECT_EQ(s->GetAsString(), u"text");

  std::vector<std::u16string> parts;
  auto collect = [](void* context, const char16_t*, int32_t index, bool isItem, std::u16string_view item) {
    auto& out = *static_cast<std::vector<std::u16string>*>(context);
    out.push_back(AsciiToUtf16(std::to_string(index)) + (isItem ? u"+" : u"-") + std::u16string(item));
  };
  v->SplitTopLevel(u" a , \"b,c\" /*,*/ ,[1,2]// x\n, ", u',', collect, &parts);
  const std::vector<std::u16string> expected = {u"0+a", u"1+\"b,c\"", u"2+[1,2]// x", u"3+", u"4-"};
  EXPECT_EQ(parts, expected);
  parts.clear();
  v->SplitTopLevel(u"  /* only */ ", u',', collect, &parts);
  EXPECT_TRUE(parts.empty());

  EXPECT_TRUE(JsonQuery<IJsonBase>(v));
  EXPECT_TRUE(JsonQuery<IJsonValue>(v));
  EXPECT_FALSE(JsonQuery<IJsonObject>(v));
  EXPECT_TRUE(JsonQuery<IJsonObject>(v->GetAsObject()));
  EXPECT_EQ(JsonKindName(jsRawString), std::u16string(u"jsRawString"));
  IJsonArrayPtr a = NewJsonArray();
  EXPECT_EQ(ErrorOf([&] { a->AddInteger(1), a->SetCapacity(0); }), u"List capacity out of bounds (0)");
  IJsonObjectPtr o = NewJsonObject();
  o->SetCapacity(64);
  EXPECT_EQ(o->GetCapacity(), 1024);
  o->SetCapacity(4096);
  EXPECT_EQ(o->GetCapacity(), 4096);
}

}  // namespace
