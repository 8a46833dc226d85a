#include <gtest/gtest.h>

#include "NativeStrings.h"
#include "TextConv.h"

namespace {

TEST(NativeStrings, IntegerReading) {
  struct Case {
    const char16_t* text;
    bool ok;
    int64_t value;
  };
  const Case cases[] = {
      {u"0", true, 0},
      {u"  42", true, 42},
      {u"+7", true, 7},
      {u"-15", true, -15},
      {u"$ff", true, 255},
      {u"0x1F", true, 31},
      {u"0XfF", true, 255},
      {u"x10", true, 16},
      {u"X10", true, 16},
      {u"-$10", true, -16},
      {u"9223372036854775807", true, INT64_MAX},
      {u"-9223372036854775808", true, INT64_MIN},
      {u"9223372036854775808", false, 0},
      {u"$8000000000000000", false, 0},
      {u"", false, 0},
      {u"-", false, 0},
      {u"0x", false, 0},
      {u"12 ", false, 0},
      {u"1.5", false, 0},
      {u"\t1", false, 0},
      {u"99999999999999999999999", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    int64_t value = -1;
    EXPECT_EQ(TryStrToInt64(c.text, value), c.ok);
    if (c.ok) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(NativeStrings, ThirtyTwoBitParameterRule) {
  EXPECT_EQ(StrToIntDef(u"12", 5), 12);
  EXPECT_EQ(StrToIntDef(u"-2147483648", 5), INT32_MIN);
  EXPECT_EQ(StrToIntDef(u"2147483648", 5), 5);
  // Hexadecimal spells the 32-bit pattern, as predefined registry keys need.
  EXPECT_EQ(StrToIntDef(u"0x80000001", 5), static_cast<int32_t>(0x80000001u));
  EXPECT_EQ(StrToIntDef(u"$FFFFFFFF", 5), -1);
  EXPECT_EQ(StrToIntDef(u"$100000000", 5), 5);
  EXPECT_EQ(StrToIntDef(u"abc", -1), -1);
  EXPECT_EQ(StrToIntDef(u"", 1), 1);
}

TEST(NativeStrings, Format) {
  EXPECT_EQ(StrFormat(u"[%s] not found [%s] method!", {u"methods", u"X"}), u"[methods] not found [X] method!");
  EXPECT_EQ(StrFormat(u"%.2f%s", {1024.0, u"B"}), u"1024.00B");
  EXPECT_EQ(StrFormat(u".%02d%02d%02d%03d", {9, 30, 15, 42}), u".093015042");
  EXPECT_EQ(StrFormat(u"%d|%u|%x|%X|%5d|%-3d|", {-3, 7u, 255, 255, 42, 1}), u"-3|7|ff|FF|   42|1  |");
  EXPECT_EQ(StrFormat(u"100%% %s", {u"【信息】"}), u"100% 【信息】");
  EXPECT_EQ(StrFormat(u"%s and %s", {u"one"}), u"one and ");
  EXPECT_EQ(StrFormat(u"%08X", {0x80004005u}), u"80004005");
}

TEST(NativeStrings, CaseAndTrim) {
  EXPECT_TRUE(SameTextAscii(u"GetDebugMode", u"getdebugmode"));
  EXPECT_FALSE(SameTextAscii(u"GetDebugMode", u"GetDebugMod"));
  EXPECT_FALSE(SameTextAscii(u"Ä", u"ä"));  // only ASCII letters fold
  EXPECT_EQ(UpperCaseAscii(u"abc-Ä"), u"ABC-Ä");
  EXPECT_EQ(TrimBlanks(u" \t\r\n x y \x01"), u"x y");
  EXPECT_EQ(TrimBlanks(u"   "), u"");
}

}  // namespace
