#include <gtest/gtest.h>

#include "TextConv.h"

namespace {

TEST(TextConv, Utf8RoundTripsEveryPlane) {
  const std::u16string text = u"a\u00e9\u4e2d\U0001F600z";
  EXPECT_EQ(Utf16ToUtf8(text), "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z");
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

TEST(TextConv, InvalidUtf8) {
  struct Case {
    const char* bytes;
    const char16_t* lenient;
  };
  const Case cases[] = {
      {"\xC3", u"\uFFFD"},                  // truncated
      {"\xC0\xAF", u"\uFFFD\uFFFD"},        // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // surrogate code point
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"a\xFFz", u"a\uFFFDz"},
      {"\xE4\xB8z", u"\uFFFDz"},            // maximal subpart replaced once
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(Utf8ToUtf16(c.bytes), c.lenient);
    std::u16string strict = u"x";
    EXPECT_FALSE(TryUtf8ToUtf16(c.bytes, strict));
    EXPECT_TRUE(strict.empty());
  }
  std::u16string ok;
  EXPECT_TRUE(TryUtf8ToUtf16("\xE4\xB8\xAD", ok));
  EXPECT_EQ(ok, u"\u4e2d");
}

TEST(TextConv, UnpairedSurrogatesBecomeReplacement) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(u"\xDC00x"), "\xEF\xBF\xBDx");
}

TEST(TextConv, SystemCodePageIs936) {
  // The users' code page: GBK bytes for 中文.
  EXPECT_EQ(Utf16ToAnsi(u"中文"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(AnsiToUtf16("\xD6\xD0\xCE\xC4"), u"中文");
  EXPECT_EQ(Utf16ToAnsi(u"abc"), "abc");
  EXPECT_EQ(AnsiToUtf16(""), u"");
  // Text the code page cannot hold becomes "?".
  EXPECT_EQ(Utf16ToAnsi(u"\U0001F600"), "??");
}

TEST(TextConv, Utf16LeBytes) {
  EXPECT_EQ(Utf16ToUtf16LeBytes(u"A\u4e2d"), std::string("A\0\x2d\x4e", 4));
  EXPECT_EQ(Utf16LeBytesToUtf16(std::string("A\0\x2d\x4e\x01", 5)), u"A\u4e2d");
}

}  // namespace
