// ZIP archives and gzip members over a byte range: the archive's directory,
// entry names, and the checked copy or inflation of entry data into a sink.
// Archives are untrusted input: every offset and length is checked against
// the range, and entry names that would leave the destination are refused.
// Mapping the bytes and writing files is the platform's (ZipRead_win.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Where extracted bytes go, one piece at a time (inflation hands out at most
// 64 KiB a call).
class IZipSink {
 public:
  virtual ~IZipSink() = default;
  // False stops the extraction of the entry, which then fails.
  virtual bool Write(const uint8_t* data, size_t size) = 0;
};

struct TZipEntry {
  // Offsets into the archive's byte range.
  uint64_t centralHeader = 0;
  uint64_t localHeader = 0;
  uint64_t data = 0;
  // With "/" turned into "\".
  std::u16string name;
  uint16_t flags = 0;  // of the local header
  uint16_t method = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint32_t dosDateTime = 0;  // date in the high word, time in the low word
  // False for an entry whose sizes live in a data descriptor that was not
  // found: it is listed, but it cannot be extracted.
  bool sizesKnown = true;

  bool Encrypted() const { return (flags & 1) != 0; }
  bool Extractable() const { return sizesKnown && !Encrypted(); }
};

class TZipRead {
 public:
  // An empty reader: no entries.
  TZipRead() = default;
  // Reads the directory of the archive in `bytes`, which must outlive the
  // reader (it is not copied). Raises ENativeError with "No ZIP header found",
  // "ZIP format", "ZIP extended format", "ZIP64 format not supported" or
  // "Unsupported compression method %d for %s".
  explicit TZipRead(std::span<const uint8_t> bytes);

  // The file entries in directory order; directories are left out.
  const std::vector<TZipEntry>& Entries() const { return entries_; }
  // Where the archive begins in the range (after a prefix such as a
  // self-extracting stub).
  uint64_t ArchiveStart() const { return base_; }

  // Copies (method 0) or inflates (method 8) the entry's data into `sink`.
  // True when the length is the entry's uncompressed size and the CRC-32
  // matches; inflation that runs past that size stops there with false.
  // Raises "Unsupported method %d for %s" and, for zlib failures,
  // "Error %d during zip/deflate process".
  bool ExtractEntry(const TZipEntry& entry, IZipSink& sink) const;
  // The same into memory: `out` holds the uncompressed size + 1 bytes.
  bool ExtractEntryInto(const TZipEntry& entry, uint8_t* out) const;

 private:
  void ReadDirectory();
  void CheckEntries(uint64_t directoryStart, uint64_t directoryEnd);
  // The entry's stored bytes, after the method and sizes were checked.
  std::span<const uint8_t> EntryData(const TZipEntry& entry) const;

  std::span<const uint8_t> bytes_;
  uint64_t base_ = 0;
  std::vector<TZipEntry> entries_;
};

// True for a name that stays inside the destination directory when appended
// to it: relative components only, none empty or made of dots and spaces, no
// drive, stream or wildcard characters, no reserved device names.
bool IsSafeZipEntryName(std::u16string_view name);

// The file system side of an extraction.
class IZipTargetFile : public IZipSink {
 public:
  // Keeps the written file, giving it the DOS date-time when that is not 0;
  // false when the file could not be completed. A target destroyed without
  // Commit removes what was written.
  virtual bool Commit(uint32_t dosDateTime) = 0;
};

class IZipTargetFiles {
 public:
  virtual ~IZipTargetFiles() = default;
  // A new, empty file at `path`, with its directory chain created and an
  // existing file there removed or moved aside; null when that fails.
  virtual std::unique_ptr<IZipTargetFile> Create(const std::u16string& path) = 0;
};

// Extracts every entry below `desDir` in directory order, stopping at the
// first entry that fails (unsafe name, no usable sizes, target not creatable,
// length or CRC mismatch). True when all succeeded; files written before a
// failure stay. Raises what ExtractEntry raises.
//
// `workers` threads inflate small deflated entries into memory ahead of the
// walk (within a fixed budget); the files are still made by the calling
// thread, one after the other, so the result is the same for any number.
bool ExtractZipEntries(const TZipRead& zip, std::u16string_view desDir, IZipTargetFiles& files, unsigned workers);
// With one worker fewer than the machine has hardware threads, at most 3.
bool ExtractZipEntries(const TZipRead& zip, std::u16string_view desDir, IZipTargetFiles& files);

// The first member of a gzip file.
struct TGzipMember {
  std::span<const uint8_t> deflate;  // from the end of the header to the trailer
  uint32_t crc = 0;
  uint32_t size = 0;  // ISIZE, from the file's last four bytes
};

// False when `bytes` is not a gzip file this reader takes (18 bytes or fewer,
// no 1F 8B mark, ISIZE 0). Raises "Error in gzip header!" when the header
// runs into the trailer.
bool ReadGzipMember(std::span<const uint8_t> bytes, TGzipMember& member);

// Inflates the member into `sink`; true when the length is ISIZE and the CRC
// matches. Output is produced 64 KiB at a time and stops once it would pass
// ISIZE, so a lying ISIZE costs neither memory nor more than ISIZE bytes of
// output. Raises "Error %d during zip/deflate process" for zlib failures.
bool InflateGzipMember(const TGzipMember& member, IZipSink& sink);
