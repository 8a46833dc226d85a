#include <gtest/gtest.h>

#include "ParamText.h"
#include "TextConv.h"

namespace {

TEST(ParamText, ValuesWithSeparatorsRoundTrip) {
  std::u16string list;
  ParamTextAdd(u"a", u"x=1;y", list);
  EXPECT_EQ(list, u"a=x&eq%1&lim%y;");
  ParamTextAdd(u"Per", u"50", list);
  ParamTextAdd(u"empty", u"", list);
  ParamTextAdd(u"path", u"C:\\下载\\a;b==c", list);
  EXPECT_EQ(ParamTextGet(list, u"a", u"?"), u"x=1;y");
  EXPECT_EQ(ParamTextGet(list, u"Per", u"-1"), u"50");
  EXPECT_EQ(ParamTextGet(list, u"empty", u"?"), u"");
  EXPECT_EQ(ParamTextGet(list, u"path", u"?"), u"C:\\下载\\a;b==c");
  EXPECT_EQ(ParamTextGet(list, u"per", u"-1"), u"-1");  // names match exactly
  EXPECT_EQ(ParamTextGet(list, u"missing", u"def"), u"def");
  EXPECT_EQ(ParamTextGet(u"", u"a", u"def"), u"def");
}

TEST(ParamText, Reading) {
  struct Case {
    const char16_t* list;
    const char16_t* name;
    const char16_t* value;
  };
  const Case cases[] = {
      {u"a=1", u"a", u"1"},                // last item without ";"
      {u"a=1;a=2;", u"a", u"1"},           // the first item wins
      {u"ba=1;a=2;", u"a", u"2"},          // an item of the name wins over a longer name
      {u"ba=1;", u"a", u"1"},              // ...which is read when there is no such item
      {u"x=1; a=2;", u"a", u"2"},
      {u"a==1;", u"a", u"=1"},
      {u"a=&eq%&lim%&x;", u"a", u"=;&x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.list));
    EXPECT_EQ(ParamTextGet(c.list, c.name, u"-"), c.value);
  }
}

TEST(ParamText, EscapingAlone) {
  EXPECT_EQ(ParamTextEscape(u"k=v;k2=v2"), u"k&eq%v&lim%k2&eq%v2");
  EXPECT_EQ(ParamTextUnescape(u"k&eq%v&lim%k2&eq%v2"), u"k=v;k2=v2");
  // "&eq%" is undone before "&lim%".
  EXPECT_EQ(ParamTextUnescape(u"&l&eq%im%"), u"&l=im%");
  EXPECT_EQ(ParamTextUnescape(u"&&lim%eq%"), u"&;eq%");
}

}  // namespace
