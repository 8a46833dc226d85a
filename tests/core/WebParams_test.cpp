#include <gtest/gtest.h>

#include <set>
#include <string>

#include "TextConv.h"
#include "WebMethodTable.h"
#include "WebParams.h"

namespace {

TEST(WebParams, Conversions) {
  EXPECT_TRUE(ParamFlag(u"true"));
  for (const char16_t* text : {u"True", u"TRUE", u"1", u"", u" true", u"yes"}) EXPECT_FALSE(ParamFlag(text));

  EXPECT_EQ(ParamInteger(u"12", 0), 12);
  EXPECT_EQ(ParamInteger(u"$1F", 0), 31);
  EXPECT_EQ(ParamInteger(u"0x1f", 0), 31);
  EXPECT_EQ(ParamInteger(u"", 1), 1);
  EXPECT_EQ(ParamInteger(u"abc", -1), -1);
  EXPECT_EQ(ParamInteger(u"1.5", 7), 7);

  EXPECT_EQ(ParamTextOr(u"", u"utf-8"), u"utf-8");
  EXPECT_EQ(ParamTextOr(u"gbk", u"utf-8"), u"gbk");
  EXPECT_EQ(ParamTextOr(u"null", u"{}"), u"null");
  for (const char16_t* text : {u"", u"null", u"undefined"}) EXPECT_EQ(ParamNullableTextOr(text, u"{}"), u"{}");
  EXPECT_EQ(ParamNullableTextOr(u"{\"a\":1}", u"{}"), u"{\"a\":1}");
  EXPECT_EQ(ParamNullableTextOr(u"Null", u"{}"), u"Null");

  for (const char16_t* name : {u"", u"null", u"undefined"}) EXPECT_FALSE(IsUsableFunctionName(name));
  for (const char16_t* name : {u"f", u"NULL", u"Undefined", u" "}) EXPECT_TRUE(IsUsableFunctionName(name));

  struct {
    const char16_t* text;
    const char16_t* sent;
  } objects[] = {
      {u"{\"a\":1}", u"{\"a\":1}"}, {u"", u"{}"},          {u"null", u"{}"}, {u"undefined", u"{}"},
      {u"[1,2]", u"{}"},              {u"5", u"{}"},           {u"\"x\"", u"{}"}, {u"{ bad", u"{}"},
      {u"{}", u"{}"},
  };
  for (const auto& c : objects) EXPECT_EQ(ParamJsonObjectText(c.text), c.sent) << Utf16ToUtf8(c.text);

  EXPECT_EQ(JsonOrNullText(u""), u"null");
  EXPECT_EQ(JsonOrNullText(u"{}"), u"{}");
}

TEST(WebMethodTable, RowsAreWellFormed) {
  std::set<std::u16string> names;
  for (const TWebMethodRow& row : WebMethodTable()) {
    SCOPED_TRACE(Utf16ToUtf8(row.name));
    EXPECT_TRUE(names.insert(row.name).second) << "duplicate row";
    std::set<std::u16string> params;
    for (size_t i = 0; i < row.ParamCount(); ++i) {
      EXPECT_TRUE(params.insert(row.params[i].name).second) << "duplicate parameter";
      EXPECT_EQ(row.FindParam(row.params[i].name), &row.params[i]);
    }
    for (size_t i = row.ParamCount(); i < kMaxWebParams; ++i) EXPECT_EQ(row.params[i].kind, TWebParamKind::None);
  }
  EXPECT_EQ(names.size(), 170u);
  EXPECT_EQ(FindWebMethodRow(u"getdebugmode"), nullptr);  // rows are found by exact name
  const TWebMethodRow* row = FindWebMethodRow(u"ShellExecute");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->result, TWebResultKind::Boolean);
  ASSERT_EQ(row->ParamCount(), 5u);
  EXPECT_EQ(row->params[4].kind, TWebParamKind::Integer);
  EXPECT_EQ(row->params[4].intDefault, 1);
}

}  // namespace
