// Archive extraction through the real DLL: the web method ExtractZipFile and
// the service object's ExtractZipFile, ExtractZipRes and DecompressGZip,
// writing real files. Fixtures: bin/zipdata (tests/data/zip) and
// ZipResFixture.dll.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "../support/ZipFixture.h"
#include "TestHost.h"

namespace fs = std::filesystem;

namespace {

fs::path ExeDir() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

fs::path Fixture(const char* name) { return ExeDir() / "zipdata" / name; }

std::u16string U16(const fs::path& p) {
  const std::wstring w = p.wstring();
  return std::u16string(w.begin(), w.end());
}

std::string Contents(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Save(const fs::path& p, std::string_view data) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

void ClearReadOnly(const fs::path& root) {
  if (!fs::exists(root)) return;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// A fresh directory under the temporary directory, removed afterwards.
class TScratch {
 public:
  TScratch() {
    static int counter = 0;
    root_ = fs::temp_directory_path() /
            ("kvzip_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  ~TScratch() {
    ClearReadOnly(root_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const fs::path& Root() const { return root_; }

 private:
  fs::path root_;
};

// Every path below `root`, relative to it, with "/" separators.
std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> out;
  if (!fs::exists(root)) return out;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    out.insert(fs::relative(entry.path(), root).generic_string());
  }
  return out;
}

std::wstring Wide(const fs::path& p) { return p.wstring(); }

// The thread's error information after a failed service call.
std::u16string ComErrorMessage() {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || !info) return {};
  BSTR text = nullptr;
  info->GetDescription(&text);
  std::u16string out = text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)) : u"";
  SysFreeString(text);
  info->Release();
  return out;
}

TCallOutcome ExtractByPage(TTestHost& host, const fs::path& zip, const fs::path& dir) {
  return host.Call(u"ExtractZipFile", {{u"zipFile", U16(zip)}, {u"desDir", U16(dir)}});
}

const std::set<std::string> kMixedTree = {"bin", "bin/noise.bin", "dir", "dir/sub", "dir/sub/lines.txt", "readme.txt"};

void ExpectMixedTree(const fs::path& dir) {
  EXPECT_EQ(Tree(dir), kMixedTree);
  EXPECT_EQ(Contents(dir / "readme.txt"), "hello, archive\n");
  EXPECT_EQ(Contents(dir / "dir/sub/lines.txt"), FixtureLines());
  EXPECT_EQ(Contents(dir / "bin/noise.bin"), FixtureNoise(4096));
}

// Files in the deferred-delete folder whose name starts with `name`.
std::vector<fs::path> DeferredCopies(const std::string& name) {
  std::vector<fs::path> out;
  const fs::path folder = ExeDir() / "_DeleteFiles";
  if (!fs::exists(folder)) return out;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind(name + ".", 0) == 0) out.push_back(entry.path());
  }
  return out;
}

void RemoveDeferredCopies(const std::string& name) {
  for (const fs::path& p : DeferredCopies(name)) {
    SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove(p);
  }
}

}  // namespace

TEST(ExtractZipFile, ToolArchiveIntoNestedDirectoriesWithItsTimes) {
  TTestHost host;
  for (const char* file : {"mixed.zip", "sfx-signature.exe"}) {
    SCOPED_TRACE(file);
    TScratch scratch;
    const fs::path dest = scratch.Root() / "out" / "deeper";
    const TCallOutcome call = ExtractByPage(host, Fixture(file), dest);
    ASSERT_TRUE(call.response.Finished()) << ToUtf8(call.response.message);
    EXPECT_EQ(call.response.resultKind, TResponseRecord::ResultKind::Boolean);
    EXPECT_TRUE(call.response.boolean);
    ExpectMixedTree(dest);

    // The entry's DOS time (local) is the file's last-write time.
    const HANDLE h =
        CreateFileW((dest / "readme.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME written, local;
    SYSTEMTIME t;
    ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &written));
    CloseHandle(h);
    FileTimeToLocalFileTime(&written, &local);
    FileTimeToSystemTime(&local, &t);
    EXPECT_EQ(std::vector<int>({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}),
              std::vector<int>({2021, 6, 15, 10, 20, 30}));
  }
}

TEST(ExtractZipFile, Utf8NamesAndDescriptors) {
  TTestHost host;
  TScratch scratch;
  ASSERT_TRUE(ExtractByPage(host, Fixture("utf8.zip"), scratch.Root()).response.boolean);
  EXPECT_EQ(Contents(scratch.Root() / fs::path(u8"中文目录/子目录/文件.txt")), "你好，世界\n");
  ASSERT_TRUE(ExtractByPage(host, Fixture("descriptor.zip"), scratch.Root()).response.boolean);
  EXPECT_EQ(Contents(scratch.Root() / "first.txt"), FixtureLines());
  EXPECT_EQ(Contents(scratch.Root() / "second.bin"), FixtureNoise(3000, 7));
}

TEST(ExtractZipFile, ArchivesThatCannotBeReadFailTheCall) {
  TTestHost host;
  TScratch scratch;
  const struct {
    fs::path zip;
    std::u16string message;
  } cases[] = {
      {scratch.Root() / "missing.zip", u"[ExtractZipFile]Missing File"},
      {Fixture("comment200.zip"), u"[ExtractZipFile]ZIP format"},
      {Fixture("bzip2.zip"), u"[ExtractZipFile]Unsupported compression method 12 for big.txt"},
      {Fixture("text.gz"), u"[ExtractZipFile]No ZIP header found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.message));
    const TCallOutcome call = ExtractByPage(host, c.zip, scratch.Root() / "out");
    EXPECT_TRUE(call.response.Failed());
    EXPECT_EQ(call.response.message, c.message);
    EXPECT_EQ(call.response.resultKind, TResponseRecord::ResultKind::None);
  }
  // The opening fails before anything is written, also for method 12 after
  // a stored entry.
  EXPECT_FALSE(fs::exists(scratch.Root() / "out"));

  // The service object reports the same through error information.
  INativeMethods* native = host.Native();
  ASSERT_NE(native, nullptr);
  BOOL result = TRUE;
  EXPECT_EQ(native->ExtractZipFile(Fixture("comment200.zip").c_str(), Wide(scratch.Root()).c_str(), &result), E_FAIL);
  EXPECT_EQ(ComErrorMessage(), u"ZIP format");
}

TEST(ExtractZipFile, DamagedEntryStopsTheWalkKeepingEarlierFiles) {
  TTestHost host;
  TScratch scratch;
  TZipFixture z = BuildZip({{"first.txt", "one"}, {"second.txt", FixtureLines(), true}, {"third.txt", "three"}});
  z.Put32(z.localHeaders[1] + 14, 0x12345678);  // a CRC that the data does not have
  Save(scratch.Root() / "damaged.zip", z.bytes);
  const fs::path dest = scratch.Root() / "out";
  const TCallOutcome call = ExtractByPage(host, scratch.Root() / "damaged.zip", dest);
  ASSERT_TRUE(call.response.Finished());
  EXPECT_FALSE(call.response.boolean);
  // The failed entry's partial file is removed; later entries are not written.
  EXPECT_EQ(Tree(dest), std::set<std::string>{"first.txt"});
  EXPECT_EQ(Contents(dest / "first.txt"), "one");
}

TEST(ExtractZipFile, HostileNamesWriteNothingOutsideTheDestination) {
  TTestHost host;
  const std::string t = "kvzip_evil_" + std::to_string(GetCurrentProcessId());
  const char* patterns[] = {"../%",     "a/../../%",        "/%",       "C:/%",        "C:%", "//?/C:/%",
                            "//./C:/%", "//localhost/C$/%", "ok.txt:%", "a/./../../%", "CON", "aux.txt",
                            "dir/nul",  "com1.log"};
  std::vector<fs::path> outside = {fs::path("C:\\") / t, fs::current_path().root_path() / t, fs::current_path() / t};
  for (const char* pattern : patterns) {
    std::string name = pattern;
    if (const size_t at = name.find('%'); at != std::string::npos) name.replace(at, 1, t);
    std::string backslashed = name;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    for (const std::string& stored : {name, backslashed}) {
      SCOPED_TRACE(stored);
      TScratch scratch;
      const fs::path dest = scratch.Root() / "a" / "b" / "dest";
      Save(scratch.Root() / "evil.zip", BuildZip({{"ok.txt", "fine"}, {stored, "evil"}}).bytes);
      const TCallOutcome call = ExtractByPage(host, scratch.Root() / "evil.zip", dest);
      ASSERT_TRUE(call.response.Finished()) << ToUtf8(call.response.message);
      EXPECT_FALSE(call.response.boolean);
      EXPECT_EQ(Tree(scratch.Root()), (std::set<std::string>{"a", "a/b", "a/b/dest", "a/b/dest/ok.txt", "evil.zip"}));
      EXPECT_EQ(Contents(dest / "ok.txt"), "fine");
      for (const fs::path& p : outside) EXPECT_FALSE(fs::exists(p)) << p.string();
    }
  }
}

TEST(ExtractZipFile, TargetThatCannotBeDeletedIsMovedAside) {
  // A read-only file, and a module loaded by the process: neither can be
  // deleted, both can be renamed.
  TTestHost host;
  TScratch scratch;
  const fs::path dest = scratch.Root() / "out";
  Save(dest / "readme.txt", "old text");
  ASSERT_TRUE(SetFileAttributesW((dest / "readme.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  fs::create_directories(dest / "bin");
  fs::copy_file(ExeDir() / "ZipResFixture.dll", dest / "bin" / "module.dll");
  const std::string module = Contents(dest / "bin" / "module.dll");
  const HMODULE loaded = LoadLibraryW((dest / "bin" / "module.dll").c_str());
  ASSERT_NE(loaded, nullptr);
  TZipFixture z = BuildZip({{"readme.txt", "new text"}, {"bin/module.dll", "new module"}});
  Save(scratch.Root() / "update.zip", z.bytes);
  for (const char* name : {"readme.txt", "module.dll"}) RemoveDeferredCopies(name);

  EXPECT_TRUE(ExtractByPage(host, scratch.Root() / "update.zip", dest).response.boolean);
  FreeLibrary(loaded);
  EXPECT_EQ(Contents(dest / "readme.txt"), "new text");
  EXPECT_EQ(Contents(dest / "bin" / "module.dll"), "new module");
  const struct {
    const char* name;
    std::string old;
  } cases[] = {{"readme.txt", "old text"}, {"module.dll", module}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Moved under its name and the ".hhnnsszzz" time of the move.
    const std::vector<fs::path> moved = DeferredCopies(c.name);
    ASSERT_EQ(moved.size(), 1u);
    const std::string suffix = moved[0].filename().string().substr(std::string(c.name).size());
    EXPECT_EQ(suffix.size(), 10u);
    EXPECT_TRUE(std::all_of(suffix.begin() + 1, suffix.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
        << suffix;
    EXPECT_EQ(Contents(moved[0]), c.old);
    RemoveDeferredCopies(c.name);
  }
}

TEST(ExtractZipFile, TargetHeldOpenFailsTheEntryAndStaysIntact) {
  TTestHost host;
  TScratch scratch;
  const fs::path dest = scratch.Root() / "out";
  Save(dest / "dir/sub/lines.txt", "in use");
  RemoveDeferredCopies("lines.txt");
  const HANDLE held = CreateFileW((dest / "dir/sub/lines.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const TCallOutcome call = ExtractByPage(host, Fixture("mixed.zip"), dest);
  CloseHandle(held);
  ASSERT_TRUE(call.response.Finished());
  EXPECT_FALSE(call.response.boolean);
  EXPECT_EQ(Contents(dest / "dir/sub/lines.txt"), "in use");
  EXPECT_EQ(Contents(dest / "bin/noise.bin"), FixtureNoise(4096));  // the entry before it
  EXPECT_FALSE(fs::exists(dest / "readme.txt"));                    // the entry after it
  EXPECT_TRUE(DeferredCopies("lines.txt").empty());
}

TEST(ExtractZipRes, ArchivesInModuleResources) {
  TTestHost host;
  INativeMethods* native = host.Native();
  ASSERT_NE(native, nullptr);
  const HMODULE module = LoadLibraryW((ExeDir() / "ZipResFixture.dll").c_str());
  ASSERT_NE(module, nullptr);
  {
    TScratch scratch;
    BOOL result = FALSE;
    ASSERT_EQ(native->ExtractZipRes(module, L"ARCHIVE", L"ZIP", Wide(scratch.Root()).c_str(), &result), S_OK);
    EXPECT_TRUE(result);
    ExpectMixedTree(scratch.Root());
  }
  {
    TScratch scratch;
    BOOL result = FALSE;
    ASSERT_EQ(native->ExtractZipRes(module, MAKEINTRESOURCEW(101), RT_RCDATA, Wide(scratch.Root()).c_str(), &result),
              S_OK);
    EXPECT_TRUE(result);
    ExpectMixedTree(scratch.Root());
  }
  {
    // No such resource: nothing to extract.
    TScratch scratch;
    BOOL result = FALSE;
    ASSERT_EQ(native->ExtractZipRes(module, L"NOSUCH", L"ZIP", Wide(scratch.Root() / "out").c_str(), &result), S_OK);
    EXPECT_TRUE(result);
    EXPECT_FALSE(fs::exists(scratch.Root() / "out"));
  }
  BOOL result = TRUE;
  EXPECT_EQ(native->ExtractZipRes(module, MAKEINTRESOURCEW(102), RT_RCDATA, L"unused", &result), E_FAIL);
  EXPECT_EQ(ComErrorMessage(), u"No ZIP header found");
  FreeLibrary(module);
}

TEST(DecompressGZip, WritesOnlyMembersThatCheckOut) {
  TTestHost host;
  INativeMethods* native = host.Native();
  ASSERT_NE(native, nullptr);
  TScratch scratch;
  const fs::path dest = scratch.Root() / "text.txt";
  for (const char* file : {"text.gz", "text-noname.gz"}) {
    SCOPED_TRACE(file);
    Save(dest, "previous");
    BOOL result = FALSE;
    ASSERT_EQ(native->DecompressGZip(Fixture(file).c_str(), dest.c_str(), &result), S_OK);
    EXPECT_TRUE(result);
    EXPECT_EQ(Contents(dest), FixtureLines());
  }

  std::string lying = BuildGzip("short text", kGzipName);
  lying[lying.size() - 4] = 11;  // ISIZE one more than the data
  const struct {
    const char* what;
    std::string file;
  } rejected[] = {{"not gzip", "plain text, not a gzip file"}, {"lying ISIZE", lying}};
  for (const auto& r : rejected) {
    SCOPED_TRACE(r.what);
    Save(scratch.Root() / "in.gz", r.file);
    Save(dest, "previous");
    BOOL result = TRUE;
    ASSERT_EQ(native->DecompressGZip((scratch.Root() / "in.gz").c_str(), dest.c_str(), &result), S_OK);
    EXPECT_FALSE(result);
    EXPECT_EQ(Contents(dest), "previous");
  }
  BOOL result = TRUE;
  EXPECT_EQ(native->DecompressGZip((scratch.Root() / "missing.gz").c_str(), dest.c_str(), &result), S_OK);
  EXPECT_FALSE(result);

  Save(scratch.Root() / "in.gz", std::string("\x1F\x8B\x08\x08\0\0\0\0\0\x03", 10) + std::string(30, 'n'));
  EXPECT_EQ(native->DecompressGZip((scratch.Root() / "in.gz").c_str(), dest.c_str(), &result), E_FAIL);
  EXPECT_EQ(ComErrorMessage(), u"Error in gzip header!");
  EXPECT_EQ(Contents(dest), "previous");
}
