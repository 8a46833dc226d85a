#include <gtest/gtest.h>

#include "NativeSystemText.h"
#include "TextConv.h"

namespace {

TEST(NativeSystemText, RegistryNames) {
  struct Case {
    const char16_t* name;
    const char16_t* keyPath;
    const char16_t* valueName;
  };
  const Case cases[] = {
      {u"Software\\Test\\Count", u"Software\\Test", u"Count"},
      {u"Software\\Test\\", u"Software\\Test", u""},
      {u"Software\\Test\\(default)", u"Software\\Test", u"(default)"},
      {u"Count", u"", u"Count"},
      {u"", u"", u""},
      // ":" delimits as in paths.
      {u"Software\\A:B", u"Software\\A:", u"B"},
      {u"\\Value", u"\\", u"Value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    const TRegistryName split = SplitRegistryName(c.name);
    EXPECT_EQ(split.keyPath, c.keyPath);
    EXPECT_EQ(split.valueName, c.valueName);
  }
  EXPECT_TRUE(SplitRegistryName(u"Software\\Test\\").IsKey());
  EXPECT_TRUE(SplitRegistryName(u"Software\\Test\\(default)").IsDefaultValue());
  EXPECT_FALSE(SplitRegistryName(u"Software\\Test\\(Default)").IsDefaultValue());
}

TEST(NativeSystemText, DwordValueRule) {
  struct Case {
    const char16_t* text;
    bool dword;
    uint32_t value;
  };
  const Case cases[] = {
      {u"0x1f", true, 31},
      {u"0x", false, 0},
      {u"0X1f", false, 0},
      {u"x1f", false, 0},
      {u"31", false, 0},
      {u"0xFFFFFFFF", true, 0xFFFFFFFFu},
      // What the client script makes of -1, and other texts that do not
      // convert: a DWORD of 0.
      {u"0x-1", true, 0},
      {u"0xyz", true, 0},
      {u"0x100000000", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    EXPECT_EQ(IsDwordValueText(c.text), c.dword);
    if (c.dword) {
      EXPECT_EQ(DwordValueOf(c.text), c.value);
    }
  }
}

TEST(NativeSystemText, CommandLineArguments) {
  using Args = std::vector<std::u16string>;
  struct Case {
    const char16_t* line;
    Args args;
  };
  const Case cases[] = {
      {u"C:\\app\\host.exe", {u"C:\\app\\host.exe"}},
      {u"\"C:\\Program Files\\host.exe\" a  b", {u"C:\\Program Files\\host.exe", u"a", u"b"}},
      {u"host.exe \"two words\" x\"y z\"w", {u"host.exe", u"two words", u"xy zw"}},
      {u"host.exe \"\" last", {u"host.exe", u"", u"last"}},
      {u"host.exe\targ\t ", {u"host.exe", u"arg"}},
      {u"host.exe \"unclosed rest", {u"host.exe", u"unclosed rest"}},
      {u"", {}},
      {u"   ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    EXPECT_EQ(SplitCommandLine(c.line), c.args);
  }
}

TEST(NativeSystemText, RestartCommand) {
  EXPECT_EQ(RestartCommandText(1234, u"C:\\Program Files\\DeskShell.exe", {u"runmode=qbz", u"two words", u""}),
            u"/c taskkill /f /PID 1234 & start \"\" \"C:\\Program Files\\DeskShell.exe\" \"runmode=qbz\" "
            u"\"two words\" \"\"");
  EXPECT_EQ(RestartCommandText(7, u"C:\\a\\b.exe", {}), u"/c taskkill /f /PID 7 & start \"\" \"C:\\a\\b.exe\"");
}

TEST(NativeSystemText, UrlQueryItems) {
  using Items = std::vector<std::pair<std::u16string, std::u16string>>;
  struct Case {
    const char16_t* url;
    Items items;
  };
  const Case cases[] = {
      {u"http://h/p?a=1&b=x%20y", {{u"a", u"1"}, {u"b", u"x%20y"}}},
      {u"a=1&&b=2", {{u"a", u"1"}, {u"b", u"2"}}},
      {u"http://h/p", {}},
      {u"http://h/p?", {}},
      {u"?a=1?b=2", {{u"a", u"1?b=2"}}},
      {u"?a=1=2&=v&flag", {{u"a", u"1=2"}, {u"", u"v"}}},
      {u"?a=1\r\nb=2\nc=3&", {{u"a", u"1"}, {u"b", u"2"}, {u"c", u"3"}}},
      {u"?a=\"x&y\"&b='p&q'&c=3", {{u"a", u"\"x&y\""}, {u"b", u"'p&q'"}, {u"c", u"3"}}},
      {u"?q=it's&b=2", {{u"q", u"it's"}, {u"b", u"2"}}},
      {u"?q=\"a'b&c\"&d=1", {{u"q", u"\"a'b&c\""}, {u"d", u"1"}}},
      {u"?a=1&a=2", {{u"a", u"1"}, {u"a", u"2"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.url));
    EXPECT_EQ(SplitUrlQuery(c.url), c.items);
  }
}

TEST(NativeSystemText, WindowsVersions) {
  EXPECT_DOUBLE_EQ(WindowsVersionNumber(6, 1), 6.1);
  EXPECT_DOUBLE_EQ(WindowsVersionNumber(10, 0), 10.0);
  EXPECT_DOUBLE_EQ(WindowsVersionNumber(3, 51), 3.51);
  EXPECT_EQ(WindowsVersionName(WindowsVersionNumber(3, 51)), u"windows NT 3.51");
  EXPECT_EQ(WindowsVersionName(WindowsVersionNumber(6, 3)), u"windows 8.1");
  EXPECT_EQ(WindowsVersionName(WindowsVersionNumber(10, 0)), u"windows 10");
  EXPECT_EQ(WindowsVersionName(WindowsVersionNumber(3, 5)), u"");
  EXPECT_EQ(WindowsVersionName(WindowsVersionNumber(11, 0)), u"");
}

TEST(NativeSystemText, MacAddress) {
  const uint8_t bytes[] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0xfe};
  EXPECT_EQ(MacAddressText(bytes, 6), u"00-1A-2B-3C-4D-FE");
  EXPECT_EQ(MacAddressText(bytes, 1), u"00");
  EXPECT_EQ(MacAddressText(bytes, 0), u"");
}

TEST(NativeSystemText, ElevationHints) {
  for (const char16_t* name : {u"Setup.exe", u"AppInstaller.exe", u"xUpdate2.exe"}) {
    SCOPED_TRACE(Utf16ToUtf8(name));
    EXPECT_TRUE(NameSuggestsInstaller(name));
  }
  for (const char16_t* name : {u"setup.exe", u"INSTALL.exe", u"update.exe", u""}) {
    SCOPED_TRACE(Utf16ToUtf8(name));
    EXPECT_FALSE(NameSuggestsInstaller(name));
  }
  EXPECT_TRUE(ManifestRequiresAdministrator(
      R"(<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>)"));
  EXPECT_FALSE(ManifestRequiresAdministrator(R"(<requestedExecutionLevel level="asInvoker"/>)"));
  EXPECT_FALSE(ManifestRequiresAdministrator(R"(<requestedExecutionLevel level='requireAdministrator'/>)"));
}

}  // namespace
