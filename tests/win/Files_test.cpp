// Path texts, the app-relative rule, sizes, versions, times, text files in
// their encodings, copies of single files, special folders and disk space,
// through the real library.
#include <shlobj.h>
#include <winioctl.h>

#include <cmath>

#include "FileTestSupport.h"
#include "NativePaths.h"
#include "NativeTrace.h"

namespace {

TEST(PathTexts, PagesAndHostsGetTheTextRules) {
  TTestHost host;
  struct Case {
    const char16_t* method;
    const char16_t* filename;
    const char16_t* result;
  };
  const Case cases[] = {
      {u"ExtractFilePath", u"C:\\dir\\a.txt", u"C:\\dir\\"},
      {u"ExtractFileDir", u"C:\\a.txt", u"C:\\"},
      {u"ExtractFileDir", u"C:\\dir\\a.txt", u"C:\\dir"},
      {u"ExtractFileDrive", u"\\\\server\\share\\x", u"\\\\server\\share"},
      {u"ExtractFileName", u"C:\\dir\\a.txt", u"a.txt"},
      {u"ExtractFileExt", u"C:\\dir.x\\file", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(std::u16string(c.method) + u" " + c.filename));
    EXPECT_EQ(PageText(host, c.method, {{u"filename", c.filename}}), c.result);
  }
  EXPECT_EQ(PageText(host, u"ChangeFileExt", {{u"filename", u"a.tar.gz"}, {u"ext", u".zip"}}), u"a.tar.zip");
  TBstr text;
  ASSERT_EQ(host.Native()->ChangeFileExt(L"C:\\a\\b.txt", L".log", text.put()), S_OK);
  EXPECT_EQ(text.str(), u"C:\\a\\b.log");
  ASSERT_EQ(host.Native()->ExtractFileDir(nullptr, text.put()), S_OK);
  EXPECT_EQ(text.str(), u"");
  EXPECT_EQ(host.Native()->ExtractFileName(L"x", nullptr), E_POINTER);
}

// Restores the current directory when it goes.
class TCurrentDirectory {
 public:
  explicit TCurrentDirectory(const std::u16string& dir) {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    SetCurrentDirectoryW(W(dir));
  }
  ~TCurrentDirectory() { SetCurrentDirectoryW(saved_); }

 private:
  wchar_t saved_[MAX_PATH + 1] = {};
};

TEST(AppRelativeRule, RelativeNamesAreBesideTheHostWhateverTheCurrentDirectory) {
  TTestHost host;
  const TScratchDir app(HostExecutableDir());
  const TScratchDir elsewhere;
  const std::u16string rel = ExtractFileName(app.Path());
  app.File(u"sub\\a.txt", "12345");
  // The same relative name under the current directory must not be found.
  elsewhere.File(rel + u"\\sub\\a.txt", "1");
  elsewhere.File(u"old.txt", "x");
  const TCurrentDirectory cwd(elsewhere.Path());

  EXPECT_TRUE(PageFlag(host, u"FileExists", {{u"filename", rel + u"\\sub\\a.txt"}}));
  EXPECT_TRUE(PageFlag(host, u"FileExists", {{u"filename", rel + u"\\sub"}}));  // directories too
  EXPECT_FALSE(PageFlag(host, u"FileExists", {{u"filename", rel + u"\\none.txt"}}));
  EXPECT_TRUE(PageFlag(host, u"DirExists", {{u"dirname", rel + u"\\sub"}}));
  EXPECT_FALSE(PageFlag(host, u"DirExists", {{u"dirname", rel + u"\\sub\\a.txt"}}));
  EXPECT_EQ(Page(host, u"GetFileSize", {{u"filename", rel + u"\\sub\\a.txt"}}).integer, 5);
  EXPECT_EQ(PageText(host, u"GetFileStr", {{u"filename", rel + u"\\sub\\a.txt"}, {u"utf8", u"true"}}), u"12345");

  EXPECT_TRUE(PageFlag(host, u"ForceDir", {{u"dirname", rel + u"\\new\\deeper"}}));
  EXPECT_TRUE(Exists(app / u"new\\deeper"));
  EXPECT_FALSE(PageFlag(host, u"ForceDir", {{u"dirname", rel + u"\\sub\\a.txt"}}));  // a file is in the way
  // Nor on a drive that is not there.
  const DWORD drives = GetLogicalDrives();
  char16_t missingDrive = u'Z';
  while (missingDrive > u'D' && (drives >> (missingDrive - u'A') & 1)) --missingDrive;
  EXPECT_FALSE(PageFlag(host, u"ForceDir", {{u"dirname", std::u16string(1, missingDrive) + u":\\new\\deeper"}}));

  EXPECT_TRUE(PageFlag(host, u"SaveStrToFile", {{u"filename", rel + u"\\sub\\b.txt"}, {u"str", u"b"}}));
  EXPECT_EQ(ReadBytes(app / u"sub\\b.txt"), "b");
  EXPECT_TRUE(PageFlag(host, u"DeleteFile", {{u"filename", rel + u"\\sub\\b.txt"}}));
  EXPECT_FALSE(Exists(app / u"sub\\b.txt"));
  EXPECT_FALSE(PageFlag(host, u"DeleteFile", {{u"filename", rel + u"\\sub\\b.txt"}}));

  // RenameFile takes names as given: relative ones are in the current
  // directory, and an existing target is not replaced.
  EXPECT_TRUE(PageFlag(host, u"RenameFile", {{u"oldname", u"old.txt"}, {u"newname", u"new.txt"}}));
  EXPECT_TRUE(Exists(elsewhere / u"new.txt"));
  elsewhere.File(u"other.txt", "y");
  EXPECT_FALSE(PageFlag(host, u"RenameFile", {{u"oldname", u"other.txt"}, {u"newname", u"new.txt"}}));
  EXPECT_EQ(ReadBytes(elsewhere / u"new.txt"), "x");
}

TEST(GetFileSize, FirstMatchOrMinusOne) {
  TTestHost host;
  const TScratchDir dir;
  dir.File(u"a.txt", std::string(1000, 'a'));
  EXPECT_EQ(Page(host, u"GetFileSize", {{u"filename", dir / u"a.txt"}}).integer, 1000);
  EXPECT_EQ(Page(host, u"GetFileSize", {{u"filename", dir / u"*.txt"}}).integer, 1000);
  EXPECT_EQ(Page(host, u"GetFileSize", {{u"filename", dir / u"missing.txt"}}).integer, -1);

  // 3 GiB, sparse where the file system allows: beyond the 32-bit range the
  // result saturates instead of wrapping.
  const std::u16string big = dir / u"big.bin";
  {
    HANDLE h = CreateFileW(W(big), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD unused = 0;
    DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 3ll << 30;
    ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h));
    CloseHandle(h);
  }
  EXPECT_EQ(Page(host, u"GetFileSize", {{u"filename", big}}).integer, INT32_MAX);
}

TEST(GetFileStr, MarksAndEncodings) {
  TTestHost host;
  const TScratchDir dir;
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文 in GBK
  struct Case {
    const char* name;
    std::string bytes;
    const char16_t* utf8;
    std::u16string text;
  };
  const Case cases[] = {
      {"UTF-8 mark wins over utf8 false", "\xEF\xBB\xBF" + Utf16ToUtf8(u"中文 text"), u"false", u"中文 text"},
      {"UTF-8 without mark", Utf16ToUtf8(u"中文 text"), u"true", u"中文 text"},
      {"UTF-16LE mark", "\xFF\xFE" + Utf16ToUtf16LeBytes(u"中文 x"), u"true", u"中文 x"},
      {"UTF-16LE mark alone", "\xFF\xFE", u"true", u""},
      {"ANSI code page with utf8 false", gbk, u"false", AnsiToUtf16(gbk)},
      {"utf8 absent reads as false", gbk, u"", AnsiToUtf16(gbk)},
      {"no other marks",
       "\xFE\xFF"
       "AB",
       u"true", u"\uFFFD\uFFFDAB"},
      {"two bytes", "ab", u"true", u"ab"},
      {"empty file", "", u"true", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string file = dir.File(u"text.txt", c.bytes);
    EXPECT_EQ(PageText(host, u"GetFileStr", {{u"filename", file}, {u"utf8", c.utf8}}), c.text);
  }
  if (GetACP() == 936) {
    EXPECT_EQ(AnsiToUtf16(gbk), u"中文");
  }

  // The native form without the flag reads UTF-8.
  const std::u16string file = dir.File(u"text.txt", Utf16ToUtf8(u"中文"));
  TBstr text;
  ASSERT_EQ(host.Native()->GetFileStr1(W(file), text.put()), S_OK);
  EXPECT_EQ(text.str(), u"中文");

  EXPECT_EQ(PageText(host, u"GetFileStr", {{u"filename", u""}}), u"");
  const TCallOutcome missing = host.Call(u"GetFileStr", {{u"filename", dir / u"missing.txt"}});
  EXPECT_TRUE(missing.response.Failed());
  EXPECT_EQ(missing.response.message.rfind(u"[GetFileStr]Cannot open file", 0), 0u) << ToUtf8(missing.response.message);
  EXPECT_EQ(host.Native()->GetFileStr(W(dir / u"missing.txt"), TRUE, text.put()), E_FAIL);
  EXPECT_EQ(text.get(), nullptr);
}

TEST(SaveStrToFile, CharsetsAndFailures) {
  TTestHost host;
  const TScratchDir dir;
  const std::u16string text = u"中文 text";
  struct Case {
    const char16_t* encoding;
    std::string bytes;
  };
  const Case cases[] = {
      {u"utf-8", Utf16ToUtf8(text)},  // no mark
      {u"", Utf16ToUtf8(text)},       // the page's default
      {u"gb2312", "\xD6\xD0\xCE\xC4 text"},
      {u"GBK", "\xD6\xD0\xCE\xC4 text"},
      {u"unicode", Utf16ToUtf16LeBytes(text)},
  };
  const std::u16string file = dir / u"out.txt";
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.encoding));
    WriteBytes(file, std::string(100, 'z'));  // replaced, not overwritten in place
    EXPECT_TRUE(PageFlag(host, u"SaveStrToFile", {{u"filename", file}, {u"str", text}, {u"encoding", c.encoding}}));
    EXPECT_EQ(ReadBytes(file), c.bytes);
  }
  BOOL ok = FALSE;
  ASSERT_EQ(host.Native()->SaveStrToFile2(W(file), L"native", &ok), S_OK);
  EXPECT_TRUE(ok);
  EXPECT_EQ(ReadBytes(file), "native");

  // Failures write nothing and leave their reason in the trace.
  SYSTEMTIME st;
  GetLocalTime(&st);
  const std::u16string trace =
      TraceFileName(HostExecutablePath(), {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
  DeleteFileW(W(trace));
  const std::u16string unknown = dir / u"unknown.txt";
  EXPECT_FALSE(
      PageFlag(host, u"SaveStrToFile", {{u"filename", unknown}, {u"str", text}, {u"encoding", u"no-such-charset"}}));
  EXPECT_FALSE(Exists(unknown));
  EXPECT_FALSE(PageFlag(host, u"SaveStrToFile", {{u"filename", dir / u"missing\\x.txt"}, {u"str", text}}));
  EXPECT_FALSE(PageFlag(host, u"SaveStrToFile", {{u"filename", u""}, {u"str", text}}));
  const std::string log = ReadBytes(trace);
  const std::string prefix = Utf16ToAnsi(u"】[TNativeMethod.SaveStrToFile]");
  const size_t first = log.find(prefix);
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_NE(log.find(prefix, first + 1), std::string::npos) << log;
  DeleteFileW(W(trace));
}

TEST(CopySingleFile, FailIfExistsIsTrueOnlyForTrue) {
  TTestHost host;
  const TScratchDir dir;
  const std::u16string src = dir.File(u"src.txt", "new");
  const std::u16string des = dir.File(u"des.txt", "old");
  EXPECT_FALSE(PageFlag(host, u"CopyFile", {{u"srcFile", src}, {u"desFile", des}, {u"failIfExists", u"true"}}));
  EXPECT_EQ(ReadBytes(des), "old");
  BOOL ok = TRUE;
  ASSERT_EQ(host.Native()->CopyFile2(W(src), W(des), &ok), S_OK);  // fails if it exists
  EXPECT_FALSE(ok);
  EXPECT_TRUE(PageFlag(host, u"CopyFile", {{u"srcFile", src}, {u"desFile", des}, {u"failIfExists", u"True"}}));
  EXPECT_EQ(ReadBytes(des), "new");
  EXPECT_FALSE(PageFlag(host, u"CopyFile", {{u"srcFile", dir / u"missing"}, {u"desFile", des}}));
}

TEST(GetFileVersion, FirstTranslationOfTheVersionResource) {
  TTestHost host;
  const TScratchDir dir;
  // The fixture lists its string tables in the other order than its
  // translations; it lies beside the host, so its bare name is enough.
  EXPECT_EQ(PageText(host, u"GetFileVersion", {{u"filename", u"kvtest_versioninfo.dll"}}), u"1, 2, 3, 4");
  EXPECT_EQ(PageText(host, u"GetFileVersion", {{u"filename", dir.File(u"plain.txt", "text")}}), u"");
  EXPECT_EQ(PageText(host, u"GetFileVersion", {{u"filename", dir / u"missing.dll"}}), u"");
}

TEST(GetFileLastModified, UtcDateTimeValue) {
  TTestHost host;
  const TScratchDir dir;
  const std::u16string file = dir.File(u"a.txt", "a");
  // 2024-03-15 12:30:45.500 UTC is day 45366 since 1899-12-30.
  SYSTEMTIME utc = {2024, 3, 5, 15, 12, 30, 45, 500};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &ft));
  {
    HANDLE h = CreateFileW(W(file), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
  }
  const TResponseRecord r = Page(host, u"GetFileLastModified", {{u"filename", file}});
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::Float);
  EXPECT_NEAR(r.number, 45366 + (12 * 3600 + 30 * 60 + 45.5) / 86400, 1e-8);
  EXPECT_EQ(Page(host, u"GetFileLastModified", {{u"filename", dir / u"missing"}}).number, 0);
  DATE native = -1;
  ASSERT_EQ(host.Native()->GetFileLastModified(W(file), &native), S_OK);
  EXPECT_EQ(native, r.number);
}

TEST(SpecialFolders, TheShellsFoldersForUserAndCommon) {
  TTestHost host;
  struct Case {
    const char16_t* method;
    const char16_t* common;  // nullptr: no parameter
    int csidl;
  };
  const Case cases[] = {
      {u"GetDesktopDir", u"false", CSIDL_DESKTOPDIRECTORY},
      {u"GetDesktopDir", u"true", CSIDL_COMMON_DESKTOPDIRECTORY},
      {u"GetProgramsDir", u"", CSIDL_PROGRAMS},
      {u"GetProgramsDir", u"true", CSIDL_COMMON_PROGRAMS},
      {u"GetStartMenuDir", u"false", CSIDL_STARTMENU},
      {u"GetStartMenuDir", u"true", CSIDL_COMMON_STARTMENU},
      {u"GetStartupDir", u"false", CSIDL_STARTUP},
      {u"GetStartupDir", u"true", CSIDL_COMMON_STARTUP},
      {u"GetFontsDir", nullptr, CSIDL_FONTS},
      {u"GetSendToDir", nullptr, CSIDL_SENDTO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(std::u16string(c.method) + u" " + (c.common ? c.common : u"-")));
    wchar_t expected[MAX_PATH + 1] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, expected, c.csidl, FALSE));
    TParams params;
    if (c.common) params[u"common"] = c.common;
    EXPECT_EQ(PageText(host, c.method, params), as_u16cstr(expected));
  }
  TBstr user, common;
  ASSERT_EQ(host.Native()->GetDesktopDir0(user.put()), S_OK);
  ASSERT_EQ(host.Native()->GetDesktopDir(TRUE, common.put()), S_OK);
  EXPECT_FALSE(user.str().empty());
  EXPECT_NE(user.str(), common.str());

  wchar_t drive[16] = {};
  GetEnvironmentVariableW(L"SYSTEMDRIVE", drive, 16);
  EXPECT_EQ(PageText(host, u"GetSystemDrive"), as_u16cstr(drive));
}

TEST(DiskSpace, FullByteCountsOrMinusOne) {
  TTestHost host;
  ULARGE_INTEGER available, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, &total, &free));
  const TResponseRecord size = Page(host, u"DiskSize", {{u"drive", u"C:\\"}});
  EXPECT_EQ(size.resultKind, TResponseRecord::ResultKind::Float);
  EXPECT_EQ(size.number, static_cast<double>(total.QuadPart));
  const double freeBytes = Page(host, u"DiskFree", {{u"drive", u"C:\\"}}).number;
  EXPECT_GT(freeBytes, 0);
  EXPECT_LE(freeBytes, size.number);
  EXPECT_EQ(Page(host, u"DiskFree", {{u"drive", u"C:\\no such folder\\x"}}).number, -1);
  LONGLONG native = 0;
  ASSERT_EQ(host.Native()->DiskSize(L"C:\\", &native), S_OK);
  EXPECT_EQ(native, static_cast<LONGLONG>(total.QuadPart));
}

}  // namespace
