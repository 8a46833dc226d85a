// The archive reader over byte ranges: archives made by the zip tool and
// Python's zipfile (tests/data/zip, made by make_fixtures.py), and damaged
// and hostile forms written field by field.
#include "ZipRead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "../support/ZipFixture.h"
#include "NativeError.h"
#include "TextConv.h"

namespace {

std::string Fixture(const char* name) {
  const std::string data = ReadFixtureFile(std::string(KV_SOURCE_DIR) + "/tests/data/zip/" + name);
  EXPECT_FALSE(data.empty()) << name;
  return data;
}

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

// The message the reader raises for `archive`, or empty when it reads.
std::u16string OpenError(const std::string& archive) {
  try {
    TZipRead zip(Bytes(archive));
  } catch (const ENativeError& e) {
    return e.Message();
  }
  return {};
}

class TStringSink final : public IZipSink {
 public:
  bool Write(const uint8_t* data, size_t size) override {
    text.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string text;
};

// Files in memory: what was created, and what was committed with which time.
class TMemoryFiles final : public IZipTargetFiles {
 public:
  class TFile final : public IZipTargetFile {
   public:
    TFile(TMemoryFiles& owner, std::u16string path) : owner_(owner), path_(std::move(path)) {}
    bool Write(const uint8_t* data, size_t size) override {
      text_.append(reinterpret_cast<const char*>(data), size);
      return true;
    }
    bool Commit(uint32_t dosDateTime) override {
      owner_.committed[path_] = text_;
      owner_.times[path_] = dosDateTime;
      return true;
    }

   private:
    TMemoryFiles& owner_;
    std::u16string path_;
    std::string text_;
  };

  std::unique_ptr<IZipTargetFile> Create(const std::u16string& path) override {
    created.push_back(path);
    return std::make_unique<TFile>(*this, path);
  }

  std::vector<std::u16string> created;
  std::map<std::u16string, std::string> committed;
  std::map<std::u16string, uint32_t> times;
};

std::string Extract(const TZipRead& zip, const TZipEntry& entry) {
  TStringSink sink;
  EXPECT_TRUE(zip.ExtractEntry(entry, sink)) << Utf16ToUtf8(entry.name);
  return sink.text;
}

}  // namespace

TEST(ZipRead, ToolArchivesAlsoBehindAStub) {
  // sfx-signature has the local header signature inside its stub;
  // sfx-adjusted has offsets counted from the file's start (zip -A).
  const struct {
    const char* file;
    uint64_t start;
  } cases[] = {{"mixed.zip", 0}, {"sfx-plain.exe", 512}, {"sfx-signature.exe", 512}, {"sfx-adjusted.exe", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string archive = Fixture(c.file);
    const TZipRead zip(Bytes(archive));
    EXPECT_EQ(zip.ArchiveStart(), c.start);
    // The directory entry dir/empty/ is left out.
    ASSERT_EQ(zip.Entries().size(), 3u);
    EXPECT_EQ(zip.Entries()[0].name, u"bin\\noise.bin");
    EXPECT_EQ(zip.Entries()[1].name, u"dir\\sub\\lines.txt");
    EXPECT_EQ(zip.Entries()[2].name, u"readme.txt");
    EXPECT_EQ(zip.Entries()[0].method, 0);
    EXPECT_EQ(zip.Entries()[1].method, 8);
    EXPECT_EQ(Extract(zip, zip.Entries()[0]), FixtureNoise(4096));
    EXPECT_EQ(Extract(zip, zip.Entries()[1]), FixtureLines());
    EXPECT_EQ(Extract(zip, zip.Entries()[2]), "hello, archive\n");
    EXPECT_EQ(zip.Entries()[2].dosDateTime, uint32_t{41 << 9 | 6 << 5 | 15} << 16 | (10 << 11 | 20 << 5 | 15));
  }
}

TEST(ZipRead, DataDescriptors) {
  std::string archive = Fixture("descriptor.zip");
  {
    const TZipRead zip(Bytes(archive));
    ASSERT_EQ(zip.Entries().size(), 2u);
    EXPECT_TRUE(zip.Entries()[0].flags & 8);
    EXPECT_EQ(Extract(zip, zip.Entries()[0]), FixtureLines());
    EXPECT_EQ(Extract(zip, zip.Entries()[1]), FixtureNoise(3000, 7));
  }
  // Central sizes of 0xFFFFFFFF: the sizes come from the descriptors found
  // back from the next entry.
  std::vector<uint64_t> central;
  const TZipRead original(Bytes(archive));
  for (const TZipEntry& e : original.Entries()) central.push_back(e.centralHeader);
  for (uint64_t at : central) archive.replace(at + 20, 8, 8, '\xFF');
  {
    const TZipRead zip(Bytes(archive));
    ASSERT_EQ(zip.Entries().size(), 2u);
    EXPECT_EQ(Extract(zip, zip.Entries()[0]), FixtureLines());
    EXPECT_EQ(Extract(zip, zip.Entries()[1]), FixtureNoise(3000, 7));
  }
  // Without a findable descriptor the entry is listed but fails.
  const uint64_t descriptor = archive.rfind("PK\x07\x08", central[0]);
  archive[descriptor] = 'X';
  const TZipRead zip(Bytes(archive));
  EXPECT_TRUE(zip.Entries()[0].Extractable());
  EXPECT_FALSE(zip.Entries()[1].Extractable());
  TMemoryFiles files;
  EXPECT_FALSE(ExtractZipEntries(zip, u"out", files));
  EXPECT_EQ(files.created, std::vector<std::u16string>{u"out\\first.txt"});
}

TEST(ZipRead, NamesUtf8AndOem) {
  const std::string archive = Fixture("utf8.zip");
  const TZipRead zip(Bytes(archive));
  ASSERT_EQ(zip.Entries().size(), 1u);
  EXPECT_EQ(zip.Entries()[0].name, u"中文目录\\子目录\\文件.txt");
  EXPECT_EQ(Extract(zip, zip.Entries()[0]), "你好，世界\n");

  // Without flag bit 11 the name is in the OEM code page (936 here).
  const TZipFixture oem = BuildZip({{"\xC3\xFB\xD7\xD6/a.txt", "x"}});
  EXPECT_EQ(TZipRead(Bytes(oem.bytes)).Entries()[0].name, u"名字\\a.txt");
}

TEST(ZipRead, FormatErrors) {
  const TZipFixture good = BuildZip({{"a.txt", "alpha"}, {"b.txt", std::string(300, 'b'), true}});
  ASSERT_EQ(OpenError(good.bytes), u"");
  auto patched = [&](auto patch) {
    TZipFixture z = good;
    patch(z);
    return z.bytes;
  };
  const struct {
    const char* what;
    std::string archive;
    std::u16string message;
  } cases[] = {
      {"comment of 127 bytes", Fixture("comment127.zip"), u""},
      {"comment of 200 bytes", Fixture("comment200.zip"), u"ZIP format"},
      {"method 12", Fixture("bzip2.zip"), u"Unsupported compression method 12 for big.txt"},
      {"empty", "", u"No ZIP header found"},
      {"no signature", std::string(400, 'x'), u"No ZIP header found"},
      {"only a local header signature", "PK\x03\x04", u"ZIP format"},
      {"bit 3 with a local CRC", patched([](TZipFixture& z) { z.Put16(z.localHeaders[0] + 6, 8); }),
       u"ZIP extended format"},
      {"64-bit size marker", patched([](TZipFixture& z) { z.Put32(z.localHeaders[1] + 22, 0xFFFFFFFF); }),
       u"ZIP64 format not supported"},
      {"bad central signature", patched([](TZipFixture& z) { z.bytes[z.centralHeaders[1]] = 'X'; }), u"ZIP format"},
      {"bad local signature", patched([](TZipFixture& z) { z.bytes[z.localHeaders[1] + 2] = 'X'; }), u"ZIP format"},
      {"directory past the end", patched([](TZipFixture& z) { z.Put32(z.endRecord + 16, 0xFFFFFF00); }),
       u"ZIP format"},
      {"more entries than headers", patched([](TZipFixture& z) { z.Put16(z.endRecord + 10, 3); }), u"ZIP format"},
      {"local header past the end", patched([](TZipFixture& z) { z.Put32(z.centralHeaders[1] + 42, 0xFFFFFFF0); }),
       u"ZIP format"},
      {"local name past the end", patched([](TZipFixture& z) { z.Put16(z.localHeaders[1] + 26, 0xFFFF); }),
       u"ZIP format"},
      {"central name past the end", patched([](TZipFixture& z) { z.Put16(z.centralHeaders[1] + 28, 0xFFFF); }),
       u"ZIP format"},
      {"data past the end", patched([](TZipFixture& z) { z.Put32(z.localHeaders[1] + 18, 0x7FFFFFFF); }),
       u"ZIP format"},
      {"data into the next entry", patched([](TZipFixture& z) { z.Put32(z.localHeaders[0] + 18, 6); }), u"ZIP format"},
      {"data into the directory", patched([](TZipFixture& z) {
         z.Put32(z.localHeaders[1] + 18, static_cast<uint32_t>(z.directory - z.Data(1) + 1));
       }),
       u"ZIP format"},
      {"two entries on one local header",
       patched([](TZipFixture& z) { z.Put32(z.centralHeaders[1] + 42, static_cast<uint32_t>(z.localHeaders[0])); }),
       u"ZIP format"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(OpenError(c.archive), c.message);
  }
}

TEST(ZipRead, EveryTruncationFailsCleanly) {
  const std::string archive = Fixture("mixed.zip");
  for (size_t n = 0; n < archive.size(); ++n) {
    const std::string cut = archive.substr(0, n);
    EXPECT_NE(OpenError(cut), u"") << n;
  }
}

TEST(ZipRead, EntryChecks) {
  const std::string text = FixtureLines();
  const auto check = [](const TZipFixture& z, size_t limit) {
    const TZipRead zip(Bytes(z.bytes));
    TStringSink sink;
    const bool ok = zip.ExtractEntry(zip.Entries()[0], sink);
    EXPECT_LE(sink.text.size(), limit);
    return ok;
  };
  {
    SCOPED_TRACE("damaged stored byte");
    TZipFixture z = BuildZip({{"a.txt", "abcdef"}});
    z.bytes[z.Data(0) + 2] ^= 1;
    EXPECT_FALSE(check(z, 6));
  }
  {
    SCOPED_TRACE("stored sizes differ");
    TZipFixture z = BuildZip({{"a.txt", "abcdef"}});
    z.Put32(z.localHeaders[0] + 22, 5);
    EXPECT_FALSE(check(z, 6));
  }
  {
    // The stream inflates past the declared size: the output stops there.
    SCOPED_TRACE("declared size too small");
    TZipFixture z = BuildZip({{"a.txt", std::string(1 << 20, 'z'), true}});
    z.Put32(z.localHeaders[0] + 22, 1000);
    EXPECT_FALSE(check(z, 1000));
  }
  {
    SCOPED_TRACE("declared size too large");
    TZipFixture z = BuildZip({{"a.txt", text, true}});
    z.Put32(z.localHeaders[0] + 22, static_cast<uint32_t>(text.size() + 1));
    EXPECT_FALSE(check(z, text.size()));
  }
  {
    SCOPED_TRACE("invalid deflate data");
    TZipFixture z = BuildZip({{"a.txt", text, true}});
    z.bytes[z.Data(0)] = '\xFF';  // block type 3 does not exist
    EXPECT_THROW(
        {
          try {
            check(z, text.size());
          } catch (const ENativeError& e) {
            EXPECT_EQ(e.Message(), u"Error -3 during zip/deflate process");
            throw;
          }
        },
        ENativeError);
  }
  {
    SCOPED_TRACE("deflate stream cut short");
    TZipFixture z = BuildZip({{"a.txt", text, true}, {"b.txt", "b"}});
    const uint32_t compressed = static_cast<uint32_t>(z.localHeaders[1] - z.Data(0));
    z.Put32(z.localHeaders[0] + 18, compressed / 2);
    EXPECT_THROW(check(z, text.size()), ENativeError);
  }
}

TEST(ZipExtract, StopsAtTheFirstFailingEntryKeepingEarlierOnes) {
  TZipFixture z = BuildZip({{"first.txt", "one"}, {"dir/second.txt", "two"}, {"third.txt", "three"}});
  z.bytes[z.Data(1)] = 'T';
  const TZipRead zip(Bytes(z.bytes));
  for (const std::u16string_view dir : {u"C:\\out", u"C:\\out\\", u""}) {
    SCOPED_TRACE(Utf16ToUtf8(dir));
    const std::u16string prefix = dir.empty() ? u"" : u"C:\\out\\";
    TMemoryFiles files;
    EXPECT_FALSE(ExtractZipEntries(zip, dir, files));
    EXPECT_EQ(files.created, (std::vector<std::u16string>{prefix + u"first.txt", prefix + u"dir\\second.txt"}));
    ASSERT_EQ(files.committed.size(), 1u);
    EXPECT_EQ(files.committed[prefix + u"first.txt"], "one");
    EXPECT_EQ(files.times[prefix + u"first.txt"], uint32_t{41 << 9 | 6 << 5 | 15} << 16 | (10 << 11 | 20 << 5 | 15));
  }
  TMemoryFiles files;
  EXPECT_TRUE(ExtractZipEntries(TZipRead(), u"C:\\out", files));
  EXPECT_TRUE(files.created.empty());
}

TEST(ZipExtract, InflatingAheadChangesNothing) {
  // Many entries of mixed sizes and methods, one beyond the size that is
  // inflated ahead; then the same with a CRC mismatch and with invalid
  // deflate data in the middle. Every worker count gives the same files.
  std::vector<TZipFixtureEntry> entries;
  for (int i = 0; i < 100; ++i) {  // more than the memory for inflating ahead holds
    const std::string name = "d" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".txt";
    entries.push_back({name, FixtureNoise(100 + 997 * i, i) + FixtureLines().substr(0, 50 * i), i % 3 != 0});
  }
  entries[20].data = std::string(5 << 20, 'z');
  TZipFixture clean = BuildZip(entries);
  TZipFixture mismatch = clean;
  mismatch.Put32(mismatch.localHeaders[34] + 14, 0);
  TZipFixture invalid = clean;
  invalid.bytes[invalid.Data(40)] = '\xFF';
  for (const TZipFixture* z : {&clean, &mismatch, &invalid}) {
    const TZipRead zip(Bytes(z->bytes));
    std::optional<TMemoryFiles> first;
    for (unsigned workers : {0u, 1u, 3u}) {
      SCOPED_TRACE(workers);
      TMemoryFiles files;
      std::u16string error;
      bool ok = false;
      try {
        ok = ExtractZipEntries(zip, u"C:\\out", files, workers);
      } catch (const ENativeError& e) {
        error = e.Message();
      }
      EXPECT_EQ(ok, z == &clean);
      EXPECT_EQ(error, z == &invalid ? u"Error -3 during zip/deflate process" : u"");
      EXPECT_EQ(files.created.size(), z == &clean ? 100u : z == &mismatch ? 35u : 41u);
      EXPECT_EQ(files.committed.size(), z == &clean ? 100u : z == &mismatch ? 34u : 40u);
      if (!first) {
        first = std::move(files);
        EXPECT_EQ(first->committed[u"C:\\out\\d0\\f20.txt"], entries[20].data);
        continue;
      }
      EXPECT_EQ(files.created, first->created);
      EXPECT_EQ(files.committed, first->committed);
    }
  }
}

TEST(ZipEntryNames, HostileNamesFailBeforeAnythingIsWritten) {
  // Each as stored with "/" and with "\": the reader turns "/" into "\".
  const char* hostile[] = {
      "../evil.txt",        "a/../../evil.txt", "a/..",          "./../evil.txt",  ".. /evil.txt",
      "... /evil.txt",      "a/. ./evil.txt",   "/evil.txt",     "/abs/evil.txt",  "C:/evil.txt",
      "C:evil.txt",         "c:/windows/evil",  "//server/share/evil.txt",         "//?/C:/evil.txt",
      "//./C:/evil.txt",    "a.txt:stream",     "a.txt::$DATA",  "dir//evil.txt",  "CON",
      "con.txt",            "dir/NUL",          "Aux.tar.gz",    "com1",           "LPT9.log",
      "prn .txt",           "CONIN$",           "conout$.x",     "COM\xC2\xB9.txt", "a/b/lpt3",
      "a\x01.txt",          "what?.txt",        "star*.txt",     "pipe|.txt",      "quote\".txt",
      "less<.txt",          "",
  };
  for (const char* name : hostile) {
    std::string backslashed = name;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    for (const std::string& stored : {std::string(name), backslashed}) {
      SCOPED_TRACE(stored);
      const TZipFixture z = BuildZip({{"ok.txt", "fine"}, {stored, "evil", false, 0x800}});
      const TZipRead zip(Bytes(z.bytes));
      ASSERT_EQ(zip.Entries().size(), 2u);
      EXPECT_FALSE(IsSafeZipEntryName(zip.Entries()[1].name));
      TMemoryFiles files;
      EXPECT_FALSE(ExtractZipEntries(zip, u"C:\\dest", files));
      EXPECT_EQ(files.created, std::vector<std::u16string>{u"C:\\dest\\ok.txt"});
    }
  }
  for (const char16_t* name : {u"a.txt", u"dir\\sub\\a.txt", u"..a", u"a..b", u"...txt", u".hidden", u"a b.txt",
                               u"con1.txt", u"console", u"nul_x", u"COM10", u"LPT", u"中文\\文件.txt"}) {
    SCOPED_TRACE(Utf16ToUtf8(name));
    EXPECT_TRUE(IsSafeZipEntryName(name));
  }
}

TEST(Gzip, ToolFilesAndHeaderFields) {
  const std::string text = FixtureLines();
  std::vector<std::pair<std::string, std::string>> files = {{"gzip tool", Fixture("text.gz")},
                                                            {"gzip tool, no name", Fixture("text-noname.gz")}};
  for (int flags : {0, 4, 8, 16, 2, 4 | 8 | 16 | 2}) {
    files.emplace_back("flags " + std::to_string(flags), BuildGzip(text, static_cast<uint8_t>(flags)));
  }
  for (const auto& [what, file] : files) {
    SCOPED_TRACE(what);
    TGzipMember member;
    ASSERT_TRUE(ReadGzipMember(Bytes(file), member));
    TStringSink sink;
    EXPECT_TRUE(InflateGzipMember(member, sink));
    EXPECT_EQ(sink.text, text);
  }
}

TEST(Gzip, Rejections) {
  const std::string text = FixtureLines();
  const std::string good = BuildGzip(text, kGzipName);
  auto withTrailer = [&](uint32_t crc, uint32_t size) {
    std::string s = good.substr(0, good.size() - 8);
    for (const uint32_t v : {crc, size}) {
      for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
    }
    return s;
  };
  const uint32_t crc = FixtureCrc(text);
  const uint32_t size = static_cast<uint32_t>(text.size());
  // Not taken: false before any inflation.
  for (const auto& [what, file] : std::vector<std::pair<const char*, std::string>>{
           {"plain text", text}, {"18 bytes", good.substr(0, 18)}, {"ISIZE 0", withTrailer(crc, 0)}}) {
    SCOPED_TRACE(what);
    TGzipMember member;
    EXPECT_FALSE(ReadGzipMember(Bytes(file), member));
  }
  // Headers that run into the trailer.
  std::string unterminated = std::string("\x1F\x8B\x08\x08\0\0\0\0\0\x03", 10) + std::string(30, 'n');
  std::string longExtra = std::string("\x1F\x8B\x08\x04\0\0\0\0\0\x03\xFF\xFF", 12) + std::string(30, 'e');
  std::string headerCrcOnly = std::string("\x1F\x8B\x08\x02\0\0\0\0\0\x03", 10) + std::string(9, 'x');
  for (const std::string& file : {unterminated, longExtra, headerCrcOnly}) {
    TGzipMember member;
    EXPECT_THROW(ReadGzipMember(Bytes(file), member), ENativeError);
    try {
      ReadGzipMember(Bytes(file), member);
    } catch (const ENativeError& e) {
      EXPECT_EQ(e.Message(), u"Error in gzip header!");
    }
  }
  // A lying ISIZE or CRC: false, and never more output than ISIZE.
  const struct {
    const char* what;
    uint32_t crc, size;
  } lies[] = {{"ISIZE larger", crc, 0xFFFFFFF0},
              {"ISIZE largest", crc, 0xFFFFFFFF},
              {"ISIZE smaller", crc, 100},
              {"CRC", crc ^ 1, size}};
  for (const auto& lie : lies) {
    SCOPED_TRACE(lie.what);
    const std::string file = withTrailer(lie.crc, lie.size);
    TGzipMember member;
    ASSERT_TRUE(ReadGzipMember(Bytes(file), member));
    TStringSink sink;
    EXPECT_FALSE(InflateGzipMember(member, sink));
    EXPECT_LE(sink.text.size(), lie.size);
  }
}
