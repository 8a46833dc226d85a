#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DelimitedText.h"
#include "TextConv.h"

namespace {

using Items = std::vector<std::u16string>;

TEST(DelimitedText, SplitsAtTheDelimiterAndLineBreaks) {
  struct Case {
    std::u16string text;
    Items items;
  };
  const std::vector<Case> cases = {
      {u"", {}},
      {u";;", {}},
      {u"C:\\a.txt", {u"C:\\a.txt"}},
      {u"C:\\a.txt;D:\\b c.txt", {u"C:\\a.txt", u"D:\\b c.txt"}},
      {u";a;;b;", {u"a", u"b"}},
      {u"a\r\nb\nc\rd", {u"a", u"b", u"c", u"d"}},
      {u" a ; b ", {u" a ", u" b "}},
      // Quoted items keep their separators.
      {u"\"C:\\x;y\\f.txt\";D:\\g.txt", {u"C:\\x;y\\f.txt", u"D:\\g.txt"}},
      {u"'a;b';c", {u"a;b", u"c"}},
      {u"\"say \"\"hi\"\";\";x", {u"say \"hi\";", u"x"}},
      {u"\"ab\"cd;e", {u"abcd", u"e"}},
      {u"\"\";x", {u"x"}},
      // Quotes inside an item, or without a match, are ordinary characters.
      {u"O'Brien;x", {u"O'Brien", u"x"}},
      {u"'open;x", {u"'open", u"x"}},
      {u"\"", {u"\""}},
      {u"路径\\文件.txt;b", {u"路径\\文件.txt", u"b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    EXPECT_EQ(SplitDelimitedText(c.text, u';'), c.items);
  }
  EXPECT_EQ(SplitDelimitedText(u"a=1&&'b=x&y'&c='d&e'", u'&'), (Items{u"a=1", u"b=x&y", u"c='d", u"e'"}));
}

}  // namespace
