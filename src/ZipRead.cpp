#include "ZipRead.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

#include "NativeError.h"
#include "NativePaths.h"
#include "NativeStrings.h"
#include "NativeTrace.h"
#include "TextConv.h"

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndRecordSignature = 0x06054B50;
constexpr uint32_t kDescriptorSignature = 0x08074B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;

constexpr uint64_t kLocalHeaderSize = 30;
constexpr uint64_t kCentralHeaderSize = 46;
constexpr uint64_t kEndRecordSize = 22;
constexpr uint64_t kZip64LocatorSize = 20;
constexpr uint64_t kDescriptorSize = 16;
// The end record starts within the last 22 + 127 bytes.
constexpr uint64_t kEndRecordPositions = 128;
constexpr uint32_t kSize32Marker = 0xFFFFFFFF;

constexpr uint16_t kFlagDescriptor = 1 << 3;
constexpr uint16_t kFlagUtf8 = 1 << 11;

constexpr size_t kInflateWindow = 64 * 1024;
// Stored data goes to the sink straight from the range, in large pieces.
constexpr size_t kStoredPiece = 1024 * 1024;

[[noreturn]] void RaiseZipFormat() { throw ENativeError(u"ZIP format"); }

// Bounds-checked little-endian reads over the archive: every offset and
// length is checked here, with 64-bit arithmetic so that archive offsets
// added to a base cannot wrap on 32-bit builds.
class TByteRange {
 public:
  explicit TByteRange(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  uint64_t Size() const { return bytes_.size(); }
  bool Has(uint64_t offset, uint64_t length) const { return offset <= Size() && length <= Size() - offset; }
  void Require(uint64_t offset, uint64_t length) const {
    if (!Has(offset, length)) RaiseZipFormat();
  }
  uint16_t U16(uint64_t offset) const {
    Require(offset, 2);
    return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  }
  uint32_t U32(uint64_t offset) const {
    Require(offset, 4);
    return bytes_[offset] | bytes_[offset + 1] << 8 | bytes_[offset + 2] << 16 |
           static_cast<uint32_t>(bytes_[offset + 3]) << 24;
  }
  bool SignatureAt(uint64_t offset, uint32_t signature) const { return Has(offset, 4) && U32(offset) == signature; }
  std::span<const uint8_t> Bytes(uint64_t offset, uint64_t length) const {
    Require(offset, length);
    return bytes_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
  }
  // The first offset that holds `signature`, or Size().
  uint64_t Find(uint32_t signature) const {
    const uint8_t pattern[4] = {static_cast<uint8_t>(signature), static_cast<uint8_t>(signature >> 8),
                                static_cast<uint8_t>(signature >> 16), static_cast<uint8_t>(signature >> 24)};
    return static_cast<uint64_t>(std::search(bytes_.begin(), bytes_.end(), pattern, pattern + 4) - bytes_.begin());
  }

 private:
  std::span<const uint8_t> bytes_;
};

std::u16string EntryName(std::span<const uint8_t> raw, uint16_t flags) {
  const std::string_view bytes(reinterpret_cast<const char*>(raw.data()), raw.size());
  // Kept as UTF-16: narrowing to the ANSI code page would turn characters it
  // lacks into "?", which no file name may hold.
  std::u16string name = (flags & kFlagUtf8) ? Utf8ToUtf16(bytes) : OemToUtf16(bytes);
  std::replace(name.begin(), name.end(), u'/', u'\\');
  return name;
}

[[noreturn]] void RaiseZlib(int code) { throw ENativeError(StrFormat(u"Error %d during zip/deflate process", {code})); }

// One raw deflate stream (window bits -15), ended on every path.
class TInflater {
 public:
  TInflater() {
    const int r = inflateInit2(&stream_, -MAX_WBITS);
    if (r != Z_OK) RaiseZlib(r);
  }
  ~TInflater() { inflateEnd(&stream_); }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;
  z_stream& Stream() { return stream_; }

 private:
  z_stream stream_{};
};

// The inflation loop: `next(total)` gives where the output after `total`
// bytes goes and how much fits there, `take` hands out what was produced.
// True when the stream ends after exactly `size` bytes whose CRC-32 is `crc`;
// output that would pass `size` is not handed out.
template <typename Next, typename Take>
bool InflateLoop(std::span<const uint8_t> input, uint32_t size, uint32_t crc, Next next, Take take) {
  TInflater inflater;
  z_stream& z = inflater.Stream();
  size_t fed = 0;
  uint64_t total = 0;
  uLong check = crc32(0, nullptr, 0);
  for (;;) {
    if (z.avail_in == 0 && fed < input.size()) {
      // avail_in is 32-bit; feed very large inputs in parts.
      const size_t part = std::min<size_t>(input.size() - fed, 1u << 30);
      z.next_in = const_cast<Bytef*>(input.data() + fed);
      z.avail_in = static_cast<uInt>(part);
      fed += part;
    }
    const auto [out, room] = next(total);
    z.next_out = out;
    z.avail_out = room;
    const int r = inflate(&z, Z_NO_FLUSH);
    if (r != Z_OK && r != Z_STREAM_END) RaiseZlib(r);  // Z_BUF_ERROR: the stream is cut short
    const size_t produced = room - z.avail_out;
    if (produced > size - total) return false;
    if (produced > 0) {
      check = crc32(check, out, static_cast<uInt>(produced));
      if (!take(out, produced)) return false;
      total += produced;
    }
    if (r == Z_STREAM_END) break;
  }
  return total == size && check == crc;
}

// Through a 64 KiB window into `sink`. The window never reaches past `size`
// + 1, so that a stream that runs on stops where InflateRawInto stops.
bool InflateRaw(std::span<const uint8_t> input, uint32_t size, uint32_t crc, IZipSink& sink) {
  const std::unique_ptr<uint8_t[]> window(new uint8_t[kInflateWindow]);
  return InflateLoop(
      input, size, crc,
      [&](uint64_t total) {
        return std::pair(window.get(), static_cast<uInt>(std::min<uint64_t>(kInflateWindow, uint64_t{size} + 1 - total)));
      },
      [&](const uint8_t* data, size_t n) { return sink.Write(data, n); });
}

// Straight into `out`, which holds `size` + 1 bytes (the one more shows a
// stream that runs past `size`).
bool InflateRawInto(std::span<const uint8_t> input, uint32_t size, uint32_t crc, uint8_t* out) {
  return InflateLoop(
      input, size, crc,
      [&](uint64_t total) {
        return std::pair(out + total, static_cast<uInt>(std::min<uint64_t>(uint64_t{size} + 1 - total, 1u << 30)));
      },
      [](const uint8_t*, size_t) { return true; });
}

bool CopyStored(std::span<const uint8_t> data, uint32_t crc, IZipSink& sink) {
  uLong check = crc32(0, nullptr, 0);
  for (size_t at = 0; at < data.size();) {
    const size_t piece = std::min(data.size() - at, kStoredPiece);
    check = crc32(check, data.data() + at, static_cast<uInt>(piece));
    if (!sink.Write(data.data() + at, piece)) return false;
    at += piece;
  }
  return check == crc;
}

bool IsNameCharacterAllowed(char16_t c) {
  if (c < 0x20) return false;
  switch (c) {
    case u'<':
    case u'>':
    case u':':
    case u'"':
    case u'|':
    case u'?':
    case u'*':
    case u'/':
      return false;
    default:
      return true;
  }
}

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (with the
// superscript digits), with any extension: the system opens the device.
bool IsReservedDeviceName(std::u16string_view component) {
  std::u16string_view base = component.substr(0, component.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  for (const char16_t* name : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
    if (SameTextAscii(base, name)) return true;
  }
  if (base.size() == 4 && (SameTextAscii(base.substr(0, 3), u"COM") || SameTextAscii(base.substr(0, 3), u"LPT"))) {
    const char16_t d = base[3];
    return (d >= u'0' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3';
  }
  return false;
}

}  // namespace

TZipRead::TZipRead(std::span<const uint8_t> bytes) : bytes_(bytes) { ReadDirectory(); }

void TZipRead::ReadDirectory() {
  const TByteRange range(bytes_);
  // The archive begins at its first local header; without one it may still
  // be an archive without entries.
  base_ = range.Find(kLocalHeaderSignature);
  if (base_ == range.Size()) base_ = range.Find(kEndRecordSignature);
  if (base_ == range.Size()) throw ENativeError(u"No ZIP header found");

  uint64_t end = range.Size();
  bool found = false;
  for (uint64_t i = 0; i < kEndRecordPositions && range.Size() >= kEndRecordSize + i; ++i) {
    end = range.Size() - kEndRecordSize - i;
    if (range.U32(end) == kEndRecordSignature) {
      found = true;
      break;
    }
  }
  if (!found) RaiseZipFormat();
  const uint16_t count = range.U16(end + 10);
  const uint32_t directorySize = range.U32(end + 12);
  const uint32_t directoryOffset = range.U32(end + 16);
  if ((count == 0xFFFF || directoryOffset == kSize32Marker) && end >= kZip64LocatorSize &&
      range.SignatureAt(end - kZip64LocatorSize, kZip64LocatorSignature)) {
    throw ENativeError(u"ZIP64 format not supported");
  }
  if (count > 0 && !range.SignatureAt(base_ + directoryOffset, kCentralHeaderSignature)) {
    // A prefix that itself holds a local header signature (a stub with
    // archive code in it) misplaces the start; the end record places it too.
    const uint64_t behind = uint64_t{directorySize} + directoryOffset;
    if (end >= behind && range.SignatureAt(end - directorySize, kCentralHeaderSignature)) base_ = end - behind;
  }

  uint64_t at = base_ + directoryOffset;
  const uint64_t directoryStart = at;
  entries_.reserve(std::min<uint64_t>(count, range.Size() / kCentralHeaderSize));
  for (uint32_t i = 0; i < count; ++i) {
    if (!range.SignatureAt(at, kCentralHeaderSignature)) RaiseZipFormat();
    range.Require(at, kCentralHeaderSize);
    TZipEntry e;
    e.centralHeader = at;
    const uint32_t centralCrc = range.U32(at + 16);
    const uint32_t centralCompressed = range.U32(at + 20);
    const uint32_t centralUncompressed = range.U32(at + 24);
    const uint64_t centralVariable = uint64_t{range.U16(at + 28)} + range.U16(at + 30) + range.U16(at + 32);
    range.Require(at + kCentralHeaderSize, centralVariable);

    e.localHeader = base_ + range.U32(at + 42);
    const uint64_t lh = e.localHeader;
    if (!range.SignatureAt(lh, kLocalHeaderSignature)) RaiseZipFormat();
    range.Require(lh, kLocalHeaderSize);
    e.flags = range.U16(lh + 6);
    e.method = range.U16(lh + 8);
    e.dosDateTime = uint32_t{range.U16(lh + 12)} << 16 | range.U16(lh + 10);
    e.crc = range.U32(lh + 14);
    e.compressedSize = range.U32(lh + 18);
    e.uncompressedSize = range.U32(lh + 22);
    const uint16_t nameLength = range.U16(lh + 26);
    const uint16_t extraLength = range.U16(lh + 28);
    e.name = EntryName(range.Bytes(lh + kLocalHeaderSize, nameLength), e.flags);
    e.data = lh + kLocalHeaderSize + nameLength + extraLength;
    range.Require(e.data, 0);

    if (e.flags & kFlagDescriptor) {
      if (e.crc != 0 || e.compressedSize != 0 || e.uncompressedSize != 0) throw ENativeError(u"ZIP extended format");
      e.crc = centralCrc;
      e.compressedSize = centralCompressed;
      e.uncompressedSize = centralUncompressed;
      e.sizesKnown = centralCompressed != kSize32Marker && centralUncompressed != kSize32Marker;
    } else if (e.compressedSize == kSize32Marker || e.uncompressedSize == kSize32Marker) {
      throw ENativeError(u"ZIP64 format not supported");
    }
    if (e.method != 0 && e.method != 8) {
      throw ENativeError(StrFormat(u"Unsupported compression method %d for %s", {int{e.method}, e.name}));
    }
    entries_.push_back(std::move(e));
    at += kCentralHeaderSize + centralVariable;
  }
  CheckEntries(directoryStart, at);
  std::erase_if(entries_, [](const TZipEntry& e) { return !e.name.empty() && e.name.back() == u'\\'; });
}

// Requires every entry's headers and data to lie in the range without
// overlapping another entry or the central directory, finding on the way the
// sizes that live only in data descriptors.
void TZipRead::CheckEntries(uint64_t directoryStart, uint64_t directoryEnd) {
  const TByteRange range(bytes_);
  std::vector<TZipEntry*> order;
  order.reserve(entries_.size());
  for (TZipEntry& e : entries_) order.push_back(&e);
  std::sort(order.begin(), order.end(),
            [](const TZipEntry* a, const TZipEntry* b) { return a->localHeader < b->localHeader; });
  // Each entry owns the span up to the next local header: the descriptor
  // scans cover disjoint spans, and data running past its span overlaps.
  for (size_t i = 0; i < order.size(); ++i) {
    TZipEntry& e = *order[i];
    uint64_t next = i + 1 < order.size() ? order[i + 1]->localHeader : range.Size();
    if (directoryStart >= e.data) next = std::min(next, directoryStart);
    if (!e.sizesKnown && next >= e.data + kDescriptorSize) {
      // Back from the next entry to a descriptor whose compressed size is
      // its distance from the data.
      for (uint64_t at = next - kDescriptorSize;; --at) {
        if (range.U32(at) == kDescriptorSignature && range.U32(at + 8) == at - e.data) {
          e.crc = range.U32(at + 4);
          e.compressedSize = range.U32(at + 8);
          e.uncompressedSize = range.U32(at + 12);
          e.sizesKnown = e.uncompressedSize != kSize32Marker;
          break;
        }
        if (at == e.data) break;
      }
    }
    const uint64_t end = e.data + (e.sizesKnown ? e.compressedSize : 0);
    if (end > next) RaiseZipFormat();
    if (e.localHeader < directoryEnd && end > directoryStart) RaiseZipFormat();
  }
}

std::span<const uint8_t> TZipRead::EntryData(const TZipEntry& entry) const {
  if (entry.method != 0 && entry.method != 8) {
    throw ENativeError(StrFormat(u"Unsupported method %d for %s", {int{entry.method}, entry.name}));
  }
  return TByteRange(bytes_).Bytes(entry.data, entry.sizesKnown ? entry.compressedSize : 0);
}

bool TZipRead::ExtractEntry(const TZipEntry& entry, IZipSink& sink) const {
  const std::span<const uint8_t> data = EntryData(entry);
  if (!entry.sizesKnown) return false;
  if (entry.method == 0) {
    return entry.compressedSize == entry.uncompressedSize && CopyStored(data, entry.crc, sink);
  }
  return InflateRaw(data, entry.uncompressedSize, entry.crc, sink);
}

bool TZipRead::ExtractEntryInto(const TZipEntry& entry, uint8_t* out) const {
  const std::span<const uint8_t> data = EntryData(entry);
  if (!entry.sizesKnown) return false;
  if (entry.method == 0) {
    if (entry.compressedSize != entry.uncompressedSize) return false;
    std::memcpy(out, data.data(), data.size());
    return crc32(0, out, static_cast<uInt>(data.size())) == entry.crc;
  }
  return InflateRawInto(data, entry.uncompressedSize, entry.crc, out);
}

bool IsSafeZipEntryName(std::u16string_view name) {
  if (name.empty()) return false;
  for (char16_t c : name) {
    if (!IsNameCharacterAllowed(c)) return false;
  }
  size_t start = 0;
  for (;;) {
    const size_t stop = std::min(name.find(u'\\', start), name.size());
    const std::u16string_view component = name.substr(start, stop - start);
    // Empty: a rooted or UNC name, or a doubled separator. Dots and spaces
    // only: "." and "..", and the forms the system trims down to them.
    if (component.find_first_not_of(u". ") == std::u16string_view::npos) return false;
    if (IsReservedDeviceName(component)) return false;
    if (stop == name.size()) return true;
    start = stop + 1;
  }
}

namespace {

// Deflated entries up to this size are inflated ahead, into memory that all
// of them together hold at most kAheadBudget of. Buffers the walk is done
// with are kept for reuse up to kSpareLimit: fresh memory costs a page fault
// and the zeroing of every page.
constexpr uint32_t kAheadEntryLimit = 4 << 20;
constexpr uint64_t kAheadBudget = 16 << 20;
constexpr uint64_t kSpareLimit = 8 << 20;
constexpr size_t kBufferGranule = 64 << 10;
constexpr size_t kSmallestBuffer = 256 << 10;

// Worker threads that inflate entries in directory order ahead of the walk.
// The walk takes each entry in turn: either a worker has claimed it (the walk
// waits for its result) or the walk claims it and does it itself. Workers
// only read the archive and fill their own buffers.
class TInflateAhead {
 public:
  struct TResult {
    std::unique_ptr<uint8_t[]> data;  // the entry's uncompressed size, when ok
    size_t capacity = 0;
    bool ok = false;
    std::exception_ptr error;  // what the extraction raised
  };

  TInflateAhead(const TZipRead& zip, unsigned workers) : zip_(zip), slots_(zip.Entries().size()) {
    for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~TInflateAhead() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  TInflateAhead(const TInflateAhead&) = delete;
  TInflateAhead& operator=(const TInflateAhead&) = delete;

  // True with the entry's inflated data and check, or what its extraction
  // raised, when it was inflated ahead; false when the walk is to extract
  // the entry itself. While a worker is still on the entry, the walk helps
  // with the entries after it.
  bool Take(size_t i, TResult& result) {
    std::unique_lock<std::mutex> lock(mutex_);
    TSlot& slot = slots_[i];
    if (next_ == i) {
      next_ = i + 1;
      return false;
    }
    while (slot.state == TSlot::Working) {
      if (!ClaimNext(lock)) changed_.wait(lock);
    }
    if (slot.state == TSlot::Inline) return false;
    result = std::move(slot.result);
    return true;
  }

  // Gives back the memory of a result the walk has written.
  void Recycle(TResult& result) {
    const std::lock_guard<std::mutex> lock(mutex_);
    held_ -= result.capacity;
    if (spareBytes_ + result.capacity <= kSpareLimit) {
      spareBytes_ += result.capacity;
      spares_.emplace_back(result.capacity, std::move(result.data));
    }
    result = {};
    changed_.notify_all();
  }

 private:
  struct TSlot {
    enum State { Unclaimed, Working, Done, Inline } state = Unclaimed;
    TResult result;
  };

  // The memory entry i takes when inflated ahead; 0 when it is not.
  uint64_t Need(size_t i) const {
    const TZipEntry& e = zip_.Entries()[i];
    return e.method == 8 && e.Extractable() && e.uncompressedSize <= kAheadEntryLimit ? e.uncompressedSize + 1 : 0;
  }

  // Claims the next entry when the budget allows it and inflates it when it
  // is one to inflate ahead (unlocked meanwhile); false when none could be
  // claimed.
  bool ClaimNext(std::unique_lock<std::mutex>& lock) {
    if (stop_ || next_ >= slots_.size() || held_ + Need(next_) > kAheadBudget) return false;
    const size_t i = next_++;
    TSlot& slot = slots_[i];
    const uint64_t need = Need(i);
    if (need == 0) {
      slot.state = TSlot::Inline;
      changed_.notify_all();
      return true;
    }
    TResult& result = slot.result;
    // The smallest spare buffer that fits, else a new one made outside the lock.
    auto spare = spares_.end();
    for (auto it = spares_.begin(); it != spares_.end(); ++it) {
      if (it->first >= need && (spare == spares_.end() || it->first < spare->first)) spare = it;
    }
    if (spare != spares_.end()) {
      result.capacity = spare->first;
      result.data = std::move(spare->second);
      spareBytes_ -= spare->first;
      spares_.erase(spare);
    } else {
      result.capacity =
          std::max<size_t>(kSmallestBuffer, (need + kBufferGranule - 1) / kBufferGranule * kBufferGranule);
    }
    held_ += result.capacity;
    slot.state = TSlot::Working;
    lock.unlock();
    bool inlined = false;
    try {
      if (!result.data) result.data.reset(new uint8_t[result.capacity]);
      result.ok = zip_.ExtractEntryInto(zip_.Entries()[i], result.data.get());
    } catch (const std::bad_alloc&) {
      inlined = true;  // the walk streams it instead
    } catch (...) {
      result.error = std::current_exception();
    }
    lock.lock();
    if (inlined) {
      held_ -= result.capacity;
      result = {};
    }
    slot.state = inlined ? TSlot::Inline : TSlot::Done;
    changed_.notify_all();
    return true;
  }

  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return stop_ || next_ >= slots_.size() || held_ + Need(next_) <= kAheadBudget; });
      if (!ClaimNext(lock)) return;
    }
  }

  const TZipRead& zip_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<TSlot> slots_;
  size_t next_ = 0;    // the first entry nobody has claimed
  uint64_t held_ = 0;  // memory of entries inflated ahead that the walk has not given back
  std::vector<std::pair<size_t, std::unique_ptr<uint8_t[]>>> spares_;  // capacity, buffer
  uint64_t spareBytes_ = 0;
  bool stop_ = false;
  std::vector<std::thread> threads_;  // last: they start once the rest is set up
};

// Why entry i failed, or null. The target is made before the result is
// looked at, so that inflating ahead changes nothing on disk.
const char16_t* ExtractOne(const TZipRead& zip, size_t i, TInflateAhead& ahead, const std::u16string& path,
                           IZipTargetFiles& files) {
  const TZipEntry& entry = zip.Entries()[i];
  TInflateAhead::TResult inflated;
  const bool done = ahead.Take(i, inflated);
  const std::unique_ptr<IZipTargetFile> file = files.Create(path);
  if (!file) return u"the target cannot be created";
  if (inflated.error) std::rethrow_exception(inflated.error);
  const bool written =
      done ? inflated.ok && file->Write(inflated.data.get(), entry.uncompressedSize) : zip.ExtractEntry(entry, *file);
  if (done) ahead.Recycle(inflated);
  if (!written || !file->Commit(entry.dosDateTime)) return u"length or CRC mismatch, or the file cannot be written";
  return nullptr;
}

}  // namespace

bool ExtractZipEntries(const TZipRead& zip, std::u16string_view desDir, IZipTargetFiles& files, unsigned workers) {
  const std::u16string dir = desDir.empty() ? std::u16string() : IncludeTrailingBackslash(desDir);
  const std::vector<TZipEntry>& entries = zip.Entries();
  TInflateAhead ahead(zip, entries.size() > 1 ? workers : 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    const TZipEntry& entry = entries[i];
    const char16_t* failure = !IsSafeZipEntryName(entry.name) ? u"the name leaves the destination"
                              : !entry.Extractable()          ? u"encrypted, or no usable sizes"
                                                              : ExtractOne(zip, i, ahead, dir + entry.name, files);
    if (failure) {
      _NativeTraceError(u"[TZipRead.Extract]" + entry.name + u": " + failure);
      return false;
    }
  }
  return true;
}

bool ExtractZipEntries(const TZipRead& zip, std::u16string_view desDir, IZipTargetFiles& files) {
  const unsigned threads = std::thread::hardware_concurrency();
  return ExtractZipEntries(zip, desDir, files, threads > 1 ? std::min(threads - 1, 3u) : 0);
}

bool ReadGzipMember(std::span<const uint8_t> bytes, TGzipMember& member) {
  constexpr uint8_t kFlagHeaderCrc = 1 << 1, kFlagExtra = 1 << 2, kFlagName = 1 << 3, kFlagComment = 1 << 4;
  constexpr size_t kTrailerSize = 8;
  if (bytes.size() <= 18 || bytes[0] != 0x1F || bytes[1] != 0x8B) return false;
  const size_t n = bytes.size();
  auto u32 = [&](size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
  };
  member.size = u32(n - 4);
  member.crc = u32(n - 8);
  if (member.size == 0) return false;

  const size_t trailer = n - kTrailerSize;
  const uint8_t flags = bytes[3];
  size_t at = 10;
  auto fail = [] { throw ENativeError(u"Error in gzip header!"); };
  if (flags & kFlagExtra) at = 12 + (bytes[10] | bytes[11] << 8);
  if (at > trailer) fail();
  for (const uint8_t flag : {kFlagName, kFlagComment}) {
    if (!(flags & flag)) continue;
    const auto zero = std::find(bytes.begin() + at, bytes.begin() + trailer, 0);
    if (zero == bytes.begin() + trailer) fail();
    at = static_cast<size_t>(zero - bytes.begin()) + 1;
  }
  if (flags & kFlagHeaderCrc) at += 2;
  if (at > trailer) fail();
  member.deflate = bytes.subspan(at, trailer - at);
  return true;
}

bool InflateGzipMember(const TGzipMember& member, IZipSink& sink) {
  return InflateRaw(member.deflate, member.size, member.crc, sink);
}
