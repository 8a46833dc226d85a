// Archives and gzip members written field by field for tests, so that
// damaged and hostile forms are one patch away from a valid one. Portable:
// used by the core tests and the tests through the DLL.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

struct TZipFixtureEntry {
  std::string name;  // bytes as stored
  std::string data;  // uncompressed
  bool deflate = false;
  uint16_t flags = 0;
};

struct TZipFixture {
  std::string bytes;
  std::vector<size_t> localHeaders;
  std::vector<size_t> centralHeaders;
  size_t directory = 0;
  size_t endRecord = 0;

  void Put16(size_t at, uint16_t v) {
    bytes[at] = static_cast<char>(v);
    bytes[at + 1] = static_cast<char>(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    Put16(at, static_cast<uint16_t>(v));
    Put16(at + 2, static_cast<uint16_t>(v >> 16));
  }
  // Where entry i's data begins.
  size_t Data(size_t i) const {
    const size_t lh = localHeaders[i];
    auto u16 = [&](size_t at) { return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8; };
    return lh + 30 + u16(lh + 26) + u16(lh + 28);
  }
};

inline uint32_t FixtureCrc(std::string_view data) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Raw deflate (no zlib or gzip framing).
inline std::string RawDeflate(std::string_view data) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A complete archive: local headers with their data, the central directory
// and the end record, sizes and CRCs filled in (also for entries with flag
// bit 3, whose local fields stay zero and which get no descriptor).
inline TZipFixture BuildZip(const std::vector<TZipFixtureEntry>& entries, std::string_view comment = {}) {
  TZipFixture z;
  std::string central;
  auto put16 = [](std::string& s, uint16_t v) {
    s += static_cast<char>(v);
    s += static_cast<char>(v >> 8);
  };
  auto put32 = [&](std::string& s, uint32_t v) {
    put16(s, static_cast<uint16_t>(v));
    put16(s, static_cast<uint16_t>(v >> 16));
  };
  const uint16_t time = 10 << 11 | 20 << 5 | 15, date = 41 << 9 | 6 << 5 | 15;  // 2021-06-15 10:20:30
  std::vector<std::string> headers;
  for (const TZipFixtureEntry& e : entries) {
    const std::string stored = e.deflate ? RawDeflate(e.data) : e.data;
    const uint32_t crc = FixtureCrc(e.data);
    const bool descriptor = (e.flags & 8) != 0;
    // The fields from the flags to the name length, alike in both headers.
    auto fields = [&](std::string& h, bool zeroSizes) {
      put16(h, e.flags);
      put16(h, e.deflate ? 8 : 0);
      put16(h, time);
      put16(h, date);
      put32(h, zeroSizes ? 0 : crc);
      put32(h, zeroSizes ? 0 : static_cast<uint32_t>(stored.size()));
      put32(h, zeroSizes ? 0 : static_cast<uint32_t>(e.data.size()));
      put16(h, static_cast<uint16_t>(e.name.size()));
    };
    z.localHeaders.push_back(z.bytes.size());
    std::string& s = z.bytes;
    put32(s, 0x04034B50);
    put16(s, 20);
    fields(s, descriptor);
    put16(s, 0);
    s += e.name;
    s += stored;

    std::string c;
    put32(c, 0x02014B50);
    put16(c, 20);
    put16(c, 20);
    fields(c, false);
    for (int i = 0; i < 4; ++i) put16(c, 0);  // extra, comment, disk, internal attributes
    put32(c, 0);
    put32(c, static_cast<uint32_t>(z.localHeaders.back()));
    c += e.name;
    headers.push_back(c);
  }
  z.directory = z.bytes.size();
  for (const std::string& c : headers) {
    z.centralHeaders.push_back(z.bytes.size());
    z.bytes += c;
  }
  z.endRecord = z.bytes.size();
  std::string& s = z.bytes;
  put32(s, 0x06054B50);
  put16(s, 0);
  put16(s, 0);
  put16(s, static_cast<uint16_t>(entries.size()));
  put16(s, static_cast<uint16_t>(entries.size()));
  put32(s, static_cast<uint32_t>(z.endRecord - z.directory));
  put32(s, static_cast<uint32_t>(z.directory));
  put16(s, static_cast<uint16_t>(comment.size()));
  s += comment;
  return z;
}

// gzip header flags.
constexpr uint8_t kGzipHeaderCrc = 2, kGzipExtra = 4, kGzipName = 8, kGzipComment = 16;

// One gzip member of `data` with the optional header fields that `flags`
// names.
inline std::string BuildGzip(std::string_view data, uint8_t flags) {
  std::string s = {'\x1F', '\x8B', 8, static_cast<char>(flags), 0, 0, 0, 0, 0, 3};
  if (flags & kGzipExtra) s += std::string("\x06\x00" "AB\x02\x00xy", 8);
  if (flags & kGzipName) s += std::string("name.txt\0", 9);
  if (flags & kGzipComment) s += std::string("a comment\0", 10);
  if (flags & kGzipHeaderCrc) {
    const uint32_t crc = FixtureCrc(s);
    s += static_cast<char>(crc);
    s += static_cast<char>(crc >> 8);
  }
  s += RawDeflate(data);
  for (const uint32_t v : {FixtureCrc(data), static_cast<uint32_t>(data.size())}) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
  }
  return s;
}

inline std::string ReadFixtureFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The contents the fixture script gives its files.
inline std::string FixtureLines() {
  std::string s;
  for (int i = 0; i < 2000; ++i) s += "line " + std::to_string(i) + "\n";
  return s;
}

inline std::string FixtureNoise(size_t n, uint32_t seed = 1) {
  std::string s;
  uint32_t x = seed;
  for (size_t i = 0; i < n; ++i) {
    x = (x * 1103515245u + 12345u) & 0x7FFFFFFF;
    s += static_cast<char>((x >> 16) & 0xFF);
  }
  return s;
}
