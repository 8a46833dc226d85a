// Directory listings, directory information and drive records, through the
// real library.
#include <map>

#include "FileTestSupport.h"
#include "JsonValue.h"
#include "NativePaths.h"
#include "NativeStrings.h"

namespace {

// A last-write time of 12:30:45.678 on 2024-03-15 (UTC): the listing stamp
// cuts it to an even second of local time.
FILETIME TestTime() {
  SYSTEMTIME utc = {2024, 3, 5, 15, 12, 30, 45, 678};
  FILETIME ft;
  SystemTimeToFileTime(&utc, &ft);
  return ft;
}

void SetLastWrite(const std::u16string& path, const FILETIME& ft) {
  HANDLE h = CreateFileW(W(path), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
  CloseHandle(h);
}

// Milliseconds from 1970-01-01 to the local time of `ft`, cut to two seconds.
std::u16string ExpectedStamp(const FILETIME& ft) {
  FILETIME local;
  FileTimeToLocalFileTime(&ft, &local);
  SYSTEMTIME st;
  FileTimeToSystemTime(&local, &st);
  st.wSecond -= st.wSecond % 2;
  st.wMilliseconds = 0;
  FILETIME cut;
  SystemTimeToFileTime(&st, &cut);
  const uint64_t ticks = (static_cast<uint64_t>(cut.dwHighDateTime) << 32) | cut.dwLowDateTime;
  return AsciiToUtf16(std::to_string((static_cast<int64_t>(ticks) - 116444736000000000ll) / 10000));
}

// Entries by name, each as its JSON text.
std::map<std::u16string, std::u16string> EntriesByName(const std::u16string& json) {
  std::map<std::u16string, std::u16string> entries;
  const IJsonArrayPtr list = ParseJsonArray(json);
  for (int32_t i = 0; i < list->GetCount(); ++i) {
    const IJsonObjectPtr entry = list->GetObject(i);
    entries[entry->GetString(u"name")] = entry->ToJson();
  }
  return entries;
}

TEST(GetFilesOfDir, OneRecordPerEntryWithItsMembersInOrder) {
  TTestHost host;
  const TScratchDir dir;
  const FILETIME ft = TestTime();
  const std::u16string stamp = ExpectedStamp(ft);
  for (const char16_t* name : {u"a.txt", u"hidden.txt", u"ro.txt", u"App.DLL", u"big.bin"}) {
    dir.File(name, std::string(std::u16string_view(name) == u"big.bin" ? 1025 : 1000, 'x'));
    SetLastWrite(dir / name, ft);
  }
  SetFileAttributesW(W(dir / u"hidden.txt"), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(W(dir / u"ro.txt"), FILE_ATTRIBUTE_READONLY);
  dir.File(u"sub\\nested.txt", "n");
  SetFileAttributesW(W(dir.Dir(u"hiddendir")), FILE_ATTRIBUTE_HIDDEN);

  const TResponseRecord r = Page(host, u"GetFilesOfDir", {{u"dirname", dir.Path()}});
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::Json);
  const auto file = [&](const std::u16string& name, const char16_t* lib, const char16_t* size, const char16_t* text,
                        const char16_t* flags) {
    return u"{\"name\":\"" + name + u"\",\"lib\":" + lib + u",\"type\":\"file\",\"time\":" + stamp + u",\"size\":" +
           size + u",\"sizeStr\":\"" + text + u"\"" + flags + u"}";
  };
  const std::map<std::u16string, std::u16string> expected = {
      {u"a.txt", file(u"a.txt", u"false", u"1000", u"1000.00B", u"")},
      {u"hidden.txt", file(u"hidden.txt", u"false", u"1000", u"1000.00B", u",\"hidden\":true")},
      {u"ro.txt", file(u"ro.txt", u"false", u"1000", u"1000.00B", u",\"readonly\":true")},
      {u"App.DLL", file(u"App.DLL", u"true", u"1000", u"1000.00B", u"")},
      {u"big.bin", file(u"big.bin", u"false", u"1025", u"1.00KB", u"")},
      {u"sub", u"{\"name\":\"sub\",\"type\":\"dir\"}"},
      {u"hiddendir", u"{\"name\":\"hiddendir\",\"type\":\"dir\",\"hidden\":true}"},
  };
  EXPECT_EQ(EntriesByName(r.text), expected) << ToUtf8(r.text);

  TBstr native;
  ASSERT_EQ(host.Native()->GetFilesOfDir(W(dir.Path() + u"\\"), native.put()), S_OK);
  EXPECT_EQ(EntriesByName(native.str()), expected);
}

TEST(GetFilesOfDir, EmptyArrayForNothingToList) {
  TTestHost host;
  const TScratchDir dir;
  for (const std::u16string& name :
       {std::u16string(), dir / u"missing", dir.Dir(u"empty"), dir.File(u"file.txt", "f")}) {
    SCOPED_TRACE(ToUtf8(name));
    EXPECT_EQ(PageText(host, u"GetFilesOfDir", {{u"dirname", name}}), u"[]");
  }
}

TEST(GetFilesOfDir, ARelativeNameIsListedBesideTheHost) {
  TTestHost host;
  const TScratchDir app(HostExecutableDir());
  app.File(u"beside-host.txt");
  const std::u16string rel = ExtractFileName(app.Path());
  const TScratchDir elsewhere;
  elsewhere.File(rel + u"\\decoy.txt");
  wchar_t saved[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(W(elsewhere.Path()));
  const std::u16string json = PageText(host, u"GetFilesOfDir", {{u"dirname", rel}});
  SetCurrentDirectoryW(saved);
  const auto entries = EntriesByName(json);
  EXPECT_EQ(entries.size(), 1u) << ToUtf8(json);
  EXPECT_EQ(entries.count(u"beside-host.txt"), 1u) << ToUtf8(json);
}

TEST(GetDirInfos, TotalsOfTheWholeTree) {
  TTestHost host;
  const TScratchDir dir;
  const std::u16string root = dir.Dir(u"root");
  dir.File(u"root\\a.txt", std::string(1000, 'a'));
  dir.File(u"root\\b.txt", std::string(1000, 'b'));
  dir.File(u"root\\sub\\c.txt", std::string(48, 'c'));
  const FILETIME ft = TestTime();
  SetLastWrite(root, ft);
  const std::u16string head =
      u"{\"name\":\"root\",\"readonly\":false,\"hidden\":false,\"sysfile\":false,\"time\":" + ExpectedStamp(ft);
  EXPECT_EQ(PageText(host, u"GetDirInfos", {{u"dirname", root}}),
            head + u",\"filesCount\":3,\"filesSize\":2048,\"filesSizeStr\":\"2.00KB\",\"dirsCount\":1}");
  EXPECT_EQ(PageText(host, u"GetDirInfos", {{u"dirname", root + u"\\"}}),
            head + u",\"filesCount\":3,\"filesSize\":2048,\"filesSizeStr\":\"2.00KB\",\"dirsCount\":1}");

  // Hidden files and folders count: a hidden folder is one of the folders
  // inside, and its files are files below.
  SetFileAttributesW(W(dir.File(u"root\\hidden\\h.txt", std::string(10, 'h'))), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(W(root + u"\\hidden"), FILE_ATTRIBUTE_HIDDEN);
  SetLastWrite(root, ft);
  EXPECT_EQ(PageText(host, u"GetDirInfos", {{u"dirname", root}}),
            head + u",\"filesCount\":4,\"filesSize\":2058,\"filesSizeStr\":\"2.01KB\",\"dirsCount\":2}");
}

TEST(GetDirInfos, NullWhenNotFound) {
  TTestHost host;
  const TScratchDir dir;
  SetFileAttributesW(W(dir.Dir(u"hidden")), FILE_ATTRIBUTE_HIDDEN);
  dir.Dir(u"plain");
  for (const std::u16string& name : {std::u16string(), dir / u"missing", dir / u"hidden", dir / u"pl*"}) {
    SCOPED_TRACE(ToUtf8(name));
    const TResponseRecord r = Page(host, u"GetDirInfos", {{u"dirname", name}});
    EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::Json);
    EXPECT_EQ(r.text, u"null");
  }
  // A plain file is found, but has no content to count.
  const std::u16string file = dir.File(u"f.txt", "f");
  SetFileAttributesW(W(file), FILE_ATTRIBUTE_READONLY);
  const std::u16string json = PageText(host, u"GetDirInfos", {{u"dirname", file}});
  const IJsonObjectPtr info = ParseJsonObject(json);
  EXPECT_EQ(info->GetString(u"name"), u"f.txt");
  EXPECT_TRUE(info->GetBoolean(u"readonly"));
  EXPECT_EQ(info->IndexOf(u"filesCount"), -1) << ToUtf8(json);
}

TEST(GetAllDrivers, DriveRecordsByKind) {
  TTestHost host;
  const TResponseRecord r = Page(host, u"GetAllDrivers");
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::Json);
  std::map<std::u16string, std::u16string> kinds;
  const IJsonArrayPtr list = ParseJsonArray(r.text);
  for (int32_t i = 0; i < list->GetCount(); ++i) {
    const IJsonObjectPtr drive = list->GetObject(i);
    EXPECT_EQ(drive->GetCount(), 2);
    kinds[UpperCaseAscii(drive->GetString(u"name"))] = drive->GetString(u"type");
  }
  wchar_t system[MAX_PATH + 1] = {};
  GetWindowsDirectoryW(system, MAX_PATH);
  EXPECT_EQ(kinds[UpperCaseAscii(ExtractFileDrive(as_u16cstr(system)))], u"fixed") << ToUtf8(r.text);
  TBstr native;
  ASSERT_EQ(host.Native()->GetAllDrivers(native.put()), S_OK);
  EXPECT_EQ(native.str(), r.text);

  // The test drives of the Wine prefix: a removable one and a CD-ROM, which
  // both count as removable.
  if (GetDriveTypeW(L"R:\\") != DRIVE_REMOVABLE || GetDriveTypeW(L"Q:\\") != DRIVE_CDROM) {
    GTEST_SKIP() << "no test drives R: and Q:";
  }
  EXPECT_EQ(kinds[u"R:"], u"removable") << ToUtf8(r.text);
  EXPECT_EQ(kinds[u"Q:"], u"removable") << ToUtf8(r.text);
}

}  // namespace
