#include <gtest/gtest.h>

#include "NativePaths.h"
#include "TextConv.h"

namespace {

TEST(NativePaths, PathTexts) {
  struct Case {
    const char16_t* name;
    const char16_t* path;
    const char16_t* dir;
    const char16_t* file;
    const char16_t* ext;
    const char16_t* drive;
  };
  const Case cases[] = {
      {u"C:\\a.txt", u"C:\\", u"C:\\", u"a.txt", u".txt", u"C:"},
      {u"C:\\dir\\a.txt", u"C:\\dir\\", u"C:\\dir", u"a.txt", u".txt", u"C:"},
      {u"C:\\dir.x\\file", u"C:\\dir.x\\", u"C:\\dir.x", u"file", u"", u"C:"},
      {u"C:a.txt", u"C:", u"C:", u"a.txt", u".txt", u"C:"},
      {u"C:", u"C:", u"C:", u"", u"", u"C:"},
      {u"C:\\", u"C:\\", u"C:\\", u"", u"", u"C:"},
      {u"C:\\dir\\", u"C:\\dir\\", u"C:\\dir", u"", u"", u"C:"},
      {u"dir.x\\name.", u"dir.x\\", u"dir.x", u"name.", u".", u""},
      {u"\\a.txt", u"\\", u"\\", u"a.txt", u".txt", u""},
      {u"a.tar.gz", u"", u"", u"a.tar.gz", u".gz", u""},
      {u"dir\\\\file", u"dir\\\\", u"dir\\\\", u"file", u"", u""},
      {u"\\\\server\\share\\dir\\f.txt", u"\\\\server\\share\\dir\\", u"\\\\server\\share\\dir", u"f.txt", u".txt",
       u"\\\\server\\share"},
      {u"\\\\server\\share", u"\\\\server\\", u"\\\\server", u"share", u"", u"\\\\server\\share"},
      {u"\\\\", u"\\\\", u"\\\\", u"", u"", u"\\\\"},
      {u"", u"", u"", u"", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    EXPECT_EQ(ExtractFilePath(c.name), c.path);
    EXPECT_EQ(ExtractFileDir(c.name), c.dir);
    EXPECT_EQ(ExtractFileName(c.name), c.file);
    EXPECT_EQ(ExtractFileExt(c.name), c.ext);
    EXPECT_EQ(ExtractFileDrive(c.name), c.drive);
  }
}

TEST(NativePaths, ChangeFileExt) {
  EXPECT_EQ(ChangeFileExt(u"a.tar.gz", u".zip"), u"a.tar.zip");
  EXPECT_EQ(ChangeFileExt(u"C:\\dir.x\\file", u".log"), u"C:\\dir.x\\file.log");
  EXPECT_EQ(ChangeFileExt(u"C:\\App\\Shell.exe", u"_202403.log"), u"C:\\App\\Shell_202403.log");
  EXPECT_EQ(ChangeFileExt(u"name.", u""), u"name");
}

TEST(NativePaths, AppRelativeRule) {
  EXPECT_EQ(ResolveAppRelativePath(u"sub\\a.txt", u"C:\\App"), u"C:\\App\\sub\\a.txt");
  EXPECT_EQ(ResolveAppRelativePath(u"sub\\a.txt", u"C:\\App\\"), u"C:\\App\\sub\\a.txt");
  EXPECT_EQ(ResolveAppRelativePath(u"D:\\x", u"C:\\App"), u"D:\\x");
  // UNC paths have no ":" and count as relative.
  EXPECT_EQ(ResolveAppRelativePath(u"\\\\s\\x", u"C:\\App"), u"C:\\App\\\\\\s\\x");
  EXPECT_EQ(ResolveAppRelativePath(u"", u"C:\\App"), u"C:\\App\\");
}

TEST(NativePaths, SizeText) {
  struct Case {
    int64_t size;
    const char16_t* text;
  };
  const Case cases[] = {
      {-1, u"--"},
      {0, u"0.00B"},
      {1024, u"1024.00B"},
      {1025, u"1.00KB"},
      {2048, u"2.00KB"},
      {1048576, u"1024.00KB"},
      {1048577, u"1.00MB"},
      {int64_t{5} << 40, u"5.00TB"},
      {int64_t{1} << 62, u"4096.00PB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    EXPECT_EQ(FormatSizeText(c.size), c.text);
  }
}

TEST(NativePaths, TimeSuffix) {
  EXPECT_EQ(TimeSuffix(9, 30, 15, 42), u".093015042");
  EXPECT_EQ(TimeSuffix(0, 0, 0, 0), u".000000000");
  EXPECT_EQ(TimeSuffix(23, 59, 59, 999), u".235959999");
}

}  // namespace
