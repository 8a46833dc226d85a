// Emptying, removing and copying directory trees, through the real library.
#include <cstring>
#include <regex>
#include <vector>

#include "FileTestSupport.h"
// After <windows.h>, which it needs.
#include <winioctl.h>

#include "NativePaths.h"

namespace {

// root: a.txt, b.txt (1000 bytes each), hidden.txt (hidden), ro.txt
// (read-only), sub\c.txt, sub\deep\d.txt, empty\.
void MakeTree(const TScratchDir& dir) {
  dir.File(u"a.txt", std::string(1000, 'a'));
  dir.File(u"b.txt", std::string(1000, 'b'));
  SetFileAttributesW(W(dir.File(u"hidden.txt", "h")), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(W(dir.File(u"ro.txt", "r")), FILE_ATTRIBUTE_READONLY);
  dir.File(u"sub\\c.txt", std::string(48, 'c'));
  dir.File(u"sub\\deep\\d.txt", "d");
  dir.Dir(u"empty");
}

TEST(EmptyDir, DeletesWhatItCanAndRemoveDirReportsTheRest) {
  TTestHost host;
  const TScratchDir dir;
  MakeTree(dir);

  EXPECT_TRUE(Page(host, u"EmptyDir", {{u"dirname", dir.Path()}, {u"recursive", u"false"}}).Finished());
  for (const char16_t* gone : {u"a.txt", u"b.txt", u"hidden.txt"}) EXPECT_FALSE(Exists(dir / gone)) << ToUtf8(gone);
  for (const char16_t* kept : {u"ro.txt", u"sub\\deep\\d.txt", u"empty"})
    EXPECT_TRUE(Exists(dir / kept)) << ToUtf8(kept);

  EXPECT_TRUE(Page(host, u"EmptyDir", {{u"dirname", dir.Path()}, {u"recursive", u"true"}}).Finished());
  EXPECT_FALSE(Exists(dir / u"sub"));
  EXPECT_FALSE(Exists(dir / u"empty"));
  EXPECT_TRUE(Exists(dir / u"ro.txt"));  // read-only files stay, quietly

  EXPECT_FALSE(PageFlag(host, u"RemoveDir", {{u"dirname", dir.Path()}}));
  EXPECT_TRUE(Exists(dir.Path()));
  SetFileAttributesW(W(dir / u"ro.txt"), FILE_ATTRIBUTE_NORMAL);
  dir.File(u"again\\x.txt", "x");
  EXPECT_TRUE(PageFlag(host, u"RemoveDir", {{u"dirname", dir.Path()}}));
  EXPECT_FALSE(Exists(dir.Path()));
  EXPECT_FALSE(PageFlag(host, u"RemoveDir", {{u"dirname", dir.Path()}}));
}

TEST(EmptyDir, TheNativeFormTakesTheNameAsGiven) {
  TTestHost host;
  const TScratchDir dir;
  dir.File(u"inner\\x\\a.txt", "a");
  wchar_t saved[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(W(dir.Path()));
  EXPECT_EQ(host.Native()->EmptyDir1(L"inner"), S_OK);
  SetCurrentDirectoryW(saved);
  EXPECT_TRUE(Exists(dir / u"inner"));
  EXPECT_FALSE(Exists(dir / u"inner\\x"));
}

// A junction at `link` to `target`; false where the file system has none.
bool MakeJunction(const std::u16string& link, const std::u16string& target) {
  if (!CreateDirectoryW(W(link), nullptr)) return false;
  HANDLE h = CreateFileW(W(link), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // REPARSE_DATA_BUFFER of a mount point: the NT name, then an empty print name.
  const std::u16string nt = u"\\??\\" + target;
  const WORD bytes = static_cast<WORD>(nt.size() * 2);
  std::vector<BYTE> buffer(8 + 8 + bytes + 4);
  auto put = [&](size_t at, WORD v) { memcpy(buffer.data() + at, &v, 2); };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  memcpy(buffer.data(), &tag, 4);
  put(4, static_cast<WORD>(8 + bytes + 4));
  put(8, 0);
  put(10, bytes);
  put(12, static_cast<WORD>(bytes + 2));
  put(14, 0);
  memcpy(buffer.data() + 16, nt.data(), bytes);
  DWORD unused = 0;
  const BOOL ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                                  0, &unused, nullptr);
  CloseHandle(h);
  if (!ok) RemoveDirectoryW(W(link));
  return ok != FALSE;
}

TEST(EmptyDir, LinksGoWithoutWhatTheyPointTo) {
  TTestHost host;
  const TScratchDir dir, target;
  const std::u16string keep = target.File(u"keep.txt", "k");
  dir.File(u"a.txt", "a");
  if (!MakeJunction(dir / u"link", target.Path())) GTEST_SKIP() << "Wine gap: no junctions";
  ASSERT_TRUE(Exists(dir / u"link\\keep.txt"));
  EXPECT_TRUE(Page(host, u"EmptyDir", {{u"dirname", dir.Path()}, {u"recursive", u"true"}}).Finished());
  EXPECT_FALSE(Exists(dir / u"link"));
  EXPECT_TRUE(Exists(keep));

  ASSERT_TRUE(MakeJunction(dir / u"link", target.Path()));
  EXPECT_TRUE(PageFlag(host, u"RemoveDir", {{u"dirname", dir / u"link"}}));
  EXPECT_FALSE(Exists(dir / u"link"));
  EXPECT_TRUE(Exists(keep));
}

// Empty names and relative ones that reach the folder they are taken from
// would empty the host's installation (or the current drive): nothing of
// it may go.
TEST(EmptyDir, NamesThatReachTheirBaseDeleteNothing) {
  TTestHost host;
  const TScratchDir app(HostExecutableDir());
  const std::u16string rel = ExtractFileName(app.Path());
  const std::u16string sentinel = app.File(u"sentinel.txt", "s");
  const std::u16string besideHost = HostExecutableDir() + u"\\" + rel + u".sentinel";
  WriteBytes(besideHost, "s");
  for (const std::u16string& name : {std::u16string(u""), std::u16string(u" "), std::u16string(u"."),
                                     std::u16string(u"\\"), rel + u"\\..", rel + u"\\.\\..\\"}) {
    SCOPED_TRACE("\"" + ToUtf8(name) + "\"");
    EXPECT_FALSE(PageFlag(host, u"RemoveDir", {{u"dirname", name}}));
    EXPECT_TRUE(Page(host, u"EmptyDir", {{u"dirname", name}, {u"recursive", u"true"}}).Finished());
    EXPECT_EQ(host.Native()->EmptyDir(W(name), TRUE), S_OK);
    EXPECT_TRUE(Exists(besideHost));
  }
  EXPECT_TRUE(Exists(sentinel));
  DeleteFileW(W(besideHost));

  // The native form's base is the current directory; on the test drive a
  // mistake could cost only the test's own files.
  if (GetDriveTypeW(L"R:\\") != DRIVE_REMOVABLE) GTEST_SKIP() << "no test drive R:";
  const TScratchDir drive(u"R:\\");
  const std::u16string outer = drive.File(u"outer.txt", "o");
  const std::u16string inner = drive.File(u"inner\\inner.txt", "i");
  wchar_t saved[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(W(drive / u"inner"));
  for (const wchar_t* name : {L"", L".", L"..", L"\\", L"..\\inner"}) {
    EXPECT_EQ(host.Native()->EmptyDir1(name), S_OK);
  }
  SetCurrentDirectoryW(saved);
  EXPECT_TRUE(Exists(outer));
  EXPECT_TRUE(Exists(inner));
}

// Folders to copy from and to, and what ended up in the deferred-delete
// folder.
class CopyDir : public ::testing::Test {
 protected:
  void SetUp() override {
    src_.File(u"app.dll", "new dll");
    src_.File(u"data\\x.txt", "x");
    SetFileAttributesW(W(src_.File(u"hidden.txt", "h")), FILE_ATTRIBUTE_HIDDEN);
    des_.File(u"app.dll", "old dll");
  }
  std::vector<std::u16string> Deferred() const {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(W(des_ / u"__DeleteFiles\\*"), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::u16string name(as_u16cstr(fd.cFileName));
      if (name != u"." && name != u"..") names.push_back(name);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return names;
  }
  bool Copy(const std::u16string& src, const std::u16string& des, const char16_t* ignore) {
    return PageFlag(host_, u"CopyDir", {{u"srcDir", src}, {u"desDir", des}, {u"ignoreIfExists", ignore}});
  }

  TTestHost host_;
  const TScratchDir src_, des_;
};

TEST_F(CopyDir, AFileInUseMovesAsideAndTheNewOneTakesItsPlace) {
  // Held open as a running program holds its files: neither written nor
  // shared for writing, but renamable.
  HANDLE held = CreateFileW(W(des_ / u"app.dll"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SYSTEMTIME before;
  GetLocalTime(&before);
  EXPECT_TRUE(Copy(src_.Path(), des_.Path(), u"false"));
  CloseHandle(held);

  EXPECT_EQ(ReadBytes(des_ / u"app.dll"), "new dll");
  EXPECT_EQ(ReadBytes(des_ / u"data\\x.txt"), "x");
  EXPECT_TRUE(Exists(des_ / u"hidden.txt"));
  const std::vector<std::u16string> moved = Deferred();
  ASSERT_EQ(moved.size(), 1u);
  const std::string name = ToUtf8(moved[0]);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(name, m, std::regex(R"(app\.dll\.(\d\d)(\d\d)(\d\d)(\d\d\d))"))) << name;
  const int seconds = std::stoi(m[1]) * 3600 + std::stoi(m[2]) * 60 + std::stoi(m[3]);
  const int start = before.wHour * 3600 + before.wMinute * 60 + before.wSecond;
  EXPECT_LE(((seconds - start) + 86400) % 86400, 5) << name;
  EXPECT_EQ(ReadBytes(des_ / (u"__DeleteFiles\\" + moved[0])), "old dll");
}

TEST_F(CopyDir, AFileHeldWithoutSharingStopsTheCopy) {
  HANDLE held = CreateFileW(W(des_ / u"app.dll"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Copy(src_.Path(), des_.Path(), u"false"));
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(des_ / u"app.dll"), "old dll");
  EXPECT_TRUE(Deferred().empty());
}

TEST_F(CopyDir, IgnoreIfExistsKeepsExistingFiles) {
  EXPECT_TRUE(Copy(src_.Path(), des_.Path(), u"true"));
  EXPECT_EQ(ReadBytes(des_ / u"app.dll"), "old dll");
  EXPECT_EQ(ReadBytes(des_ / u"data\\x.txt"), "x");
  WriteBytes(des_ / u"data\\x.txt", "changed");
  BOOL ok = FALSE;
  ASSERT_EQ(host_.Native()->CopyDir2(W(src_.Path()), W(des_.Path()), &ok), S_OK);  // ignores by default
  EXPECT_TRUE(ok);
  EXPECT_EQ(ReadBytes(des_ / u"data\\x.txt"), "changed");
  EXPECT_TRUE(Copy(src_.Path(), des_.Path(), u"True"));  // only "true" is true
  EXPECT_EQ(ReadBytes(des_ / u"app.dll"), "new dll");
  EXPECT_EQ(ReadBytes(des_ / u"data\\x.txt"), "x");
  EXPECT_TRUE(Deferred().empty());
}

TEST_F(CopyDir, RefusesWhatCannotEndWell) {
  const std::u16string inside = src_ / u"inside";
  struct Case {
    const char* name;
    std::u16string src, des;
  };
  const Case cases[] = {
      {"missing source", src_ / u"missing", des_.Path()},
      {"empty source", u"", des_.Path()},
      {"empty destination", src_.Path(), u""},
      {"destination inside the source", src_.Path(), inside},
      {"destination is the source", src_.Path(), src_.Path() + u"\\"},
      {"destination is a file", src_.Path(), des_ / u"app.dll"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Copy(c.src, c.des, u"false"));
  }
  EXPECT_FALSE(Exists(inside));
  EXPECT_EQ(ReadBytes(src_ / u"app.dll"), "new dll");

  // A folder where the source has a file is neither replaced nor skipped.
  DeleteFileW(W(des_ / u"app.dll"));
  des_.File(u"app.dll\\keep.txt", "k");
  EXPECT_FALSE(Copy(src_.Path(), des_.Path(), u"false"));
  EXPECT_FALSE(Copy(src_.Path(), des_.Path(), u"true"));
  EXPECT_EQ(ReadBytes(des_ / u"app.dll\\keep.txt"), "k");
}

TEST_F(CopyDir, ARelativeSourceIsBesideTheHost) {
  const TScratchDir app(HostExecutableDir());
  app.File(u"from-app.txt", "app");
  const std::u16string rel = ExtractFileName(app.Path());
  const TScratchDir elsewhere;
  elsewhere.File(rel + u"\\decoy.txt", "decoy");
  wchar_t saved[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(W(elsewhere.Path()));
  const bool ok = Copy(rel, des_.Path(), u"false");
  SetCurrentDirectoryW(saved);
  EXPECT_TRUE(ok);
  EXPECT_EQ(ReadBytes(des_ / u"from-app.txt"), "app");
  EXPECT_FALSE(Exists(des_ / u"decoy.txt"));
}

}  // namespace
