// Text level of the JSON library: shared text runs, the scanner that finds
// top-level items, escaping, number reading and the float text, and the
// writer's buffer. Used by the node classes; portable.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "JsonValue.h"

// The closer of one bracket run of a text block, as offsets into the block,
// and how many recorded runs it nests (they follow it).
struct TJsonRun {
  uint32_t open;
  uint32_t close;  // kJsonNoCloser when the run is not closed
  uint32_t nested;
};
constexpr uint32_t kJsonNoCloser = 0xFFFFFFFFu;

// Memory for the nodes parsed from one text block, freed with the block:
// bump allocation, safe from several threads.
class TJsonArena {
 public:
  explicit TJsonArena(size_t firstChunk) : chunk_(firstChunk) {}
  ~TJsonArena();
  void* Allocate(size_t size);

 private:
  std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
  char* next_ = nullptr;
  size_t left_ = 0;
  size_t chunk_;
  std::vector<void*> chunks_;
};

// One immutable block of UTF-16 text shared by the nodes parsed from it.
struct TJsonTextBlock {
  std::atomic<int32_t> refs;
  uint32_t length;
  // The bracket runs of a large block, recorded by the first walk over it
  // (the root's), so that nested levels jump runs instead of scanning them.
  std::atomic<const std::vector<TJsonRun>*> runs;
  std::atomic<TJsonArena*> arena;
  char16_t* Data() { return reinterpret_cast<char16_t*>(this + 1); }

  static TJsonTextBlock* Make(const char16_t* chars, size_t count);
  void Hold() { refs.fetch_add(1, std::memory_order_relaxed); }
  void Drop() {
    if (refs.fetch_sub(1, std::memory_order_acq_rel) == 1) Free();
  }
  // Memory that lives as long as the block (16-byte aligned).
  void* Allocate(size_t size);

 private:
  void Free();
};

// A run of characters inside a shared block (or nothing). Nodes keep their
// pending text, and strings without escapes their content, as such runs, so
// that parsing a level copies no text. A run holds a reference to its block
// unless it was borrowed (Borrow): then the caller keeps the block alive.
class TJsonText {
 public:
  TJsonText() = default;
  TJsonText(const TJsonText& other) : block_(other.block_), chars_(other.chars_), count_(other.count_) {
    if (block_) block_->Hold();
  }
  TJsonText(TJsonText&& other) noexcept
      : block_(other.block_), chars_(other.chars_), count_(other.count_), owned_(other.owned_) {
    other.block_ = nullptr;
    other.chars_ = nullptr;
    other.count_ = 0;
    other.owned_ = true;
  }
  TJsonText& operator=(const TJsonText& other) {
    TJsonText(other).swap(*this);
    return *this;
  }
  TJsonText& operator=(TJsonText&& other) noexcept {
    TJsonText(std::move(other)).swap(*this);
    return *this;
  }
  ~TJsonText() {
    if (block_ && owned_) block_->Drop();
  }

  // A new block holding a copy of the text.
  static TJsonText Copy(std::u16string_view text);
  // A run inside this one's block, holding its own reference.
  TJsonText Sub(const char16_t* chars, size_t count) const {
    TJsonText r = Borrow(chars, count);
    if (r.block_) {
      r.block_->Hold();
      r.owned_ = true;
    }
    return r;
  }
  // A run inside this one's block without a reference of its own.
  TJsonText Borrow(const char16_t* chars, size_t count) const {
    TJsonText r;
    if (count == 0) return r;
    r.block_ = block_;
    r.chars_ = chars;
    r.count_ = static_cast<uint32_t>(count);
    r.owned_ = block_ == nullptr;
    return r;
  }

  TJsonTextBlock* block() const { return block_; }
  const char16_t* data() const { return chars_; }
  const char16_t* end() const { return chars_ + count_; }
  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  std::u16string_view view() const { return std::u16string_view(chars_, count_); }
  void reset() { TJsonText().swap(*this); }
  void swap(TJsonText& other) noexcept {
    std::swap(block_, other.block_);
    std::swap(chars_, other.chars_);
    std::swap(count_, other.count_);
    std::swap(owned_, other.owned_);
  }

 private:
  TJsonTextBlock* block_ = nullptr;
  const char16_t* chars_ = nullptr;
  uint32_t count_ = 0;
  bool owned_ = true;
};

// Errors framed with the node's class name: "<TJsonValue>text".
[[noreturn]] void RaiseJsonError(const char16_t* className, std::u16string_view text);
[[noreturn]] void RaiseJsonParseError(const char16_t* className, std::u16string_view text);
[[noreturn]] void RaiseJsonListIndexError(int64_t index);

// Blanks (units <= 32) and comments from p on; returns the first unit that
// is neither, or end.
const char16_t* JsonSkipForward(const char16_t* p, const char16_t* end);
// The end of the item [start, end) without trailing blanks and block comments.
const char16_t* JsonTrimBackward(const char16_t* start, const char16_t* end);
// The matching closer of the quote or bracket at p, or end when it has none.
// Raises the parse error of `className` with `whole` when brackets nest
// deeper than `maxNest` inside it.
const char16_t* JsonMatchingCloser(const char16_t* p, const char16_t* end, int maxNest, const char16_t* className,
                                   std::u16string_view whole);
// The same for a bracket, recording it and every bracket run inside it
// into `runs` (offsets from base).
const char16_t* JsonRecordedCloser(const char16_t* p, const char16_t* end, int maxNest, const char16_t* className,
                                   std::u16string_view whole, const char16_t* base, std::vector<TJsonRun>& runs);
// The same from recorded runs: a run that a walk reaches as a bracket
// closes where the recording scan found (a scan from p continues exactly as
// that scan did). Brackets the recording never saw as such (inside comments
// a deeper level skips) are scanned. `cursor` follows the walk.
const char16_t* JsonIndexedCloser(const std::vector<TJsonRun>& runs, size_t& cursor, const char16_t* base,
                                  const char16_t* p, const char16_t* end, int maxNest, const char16_t* className,
                                  std::u16string_view whole);
// Blocks shorter than this are scanned at every level, and so are runs
// shorter than kJsonShortRun in the others.
constexpr uint32_t kJsonRunIndexMinLength = 2048;
constexpr uint32_t kJsonShortRun = 128;

// Walks the top-level items of [first, end) separated by `separator` and
// calls onItem(index, itemStart, itemEnd) for each (item ends trimmed), the
// last one included. With an onColon callable (not nullptr) it is called for
// every top-level ':' as well. Empty text (after blanks and comments) has no
// items. `source` (or nullptr) is the run of a block that [first, end) lies
// in: the walk over a whole large block records its bracket runs there, and
// later walks use them.
template <class OnItem, class OnColon>
void JsonWalkTopLevel(const TJsonText* source, const char16_t* first, const char16_t* end, char16_t separator,
                      int maxNest, const char16_t* className, std::u16string_view whole, OnItem&& onItem,
                      OnColon&& onColon);

bool JsonIsObjectText(std::u16string_view text);
bool JsonIsArrayText(std::u16string_view text);
bool JsonIsStringText(std::u16string_view text);
bool JsonIsBooleanText(std::u16string_view text);
bool JsonIsNullText(std::u16string_view text);
JsonKind JsonDetectKind(std::u16string_view text);
// DetectKind, keeping the number it read (in i for jvInteger, d for jvFloat).
JsonKind JsonReadKind(std::u16string_view text, int64_t& i, double& d);

// The float reader: optional spaces, sign, digits with "." as the decimal
// separator, an optional exponent, optional spaces. Values beyond the double
// range read as the largest finite double of their sign.
bool JsonTryReadFloat(std::u16string_view text, double& value);

// Escaping and unescaping (className frames the errors of Unescape).
std::u16string JsonEscape(std::u16string_view text);
std::u16string JsonUnescape(std::u16string_view text, const char16_t* className);
const char16_t* JsonFindBackslash(const char16_t* p, const char16_t* end);

// The float text: at most 15 significant digits, plain or "E" notation.
// Non-finite values give "NAN", "INF" or "-INF".
std::u16string JsonFloatText(double value);

// The writer's output: UTF-16 text in a buffer that doubles.
class TJsonWriter {
 public:
  TJsonWriter() = default;
  TJsonWriter(const TJsonWriter&) = delete;
  TJsonWriter& operator=(const TJsonWriter&) = delete;
  ~TJsonWriter() { std::free(data_); }
  void Put(char16_t c) {
    if (size_ == cap_) Grow(1);
    data_[size_++] = c;
  }
  void Append(const char16_t* chars, size_t count) {
    if (count == 0) return;
    if (cap_ - size_ < count) Grow(count);
    std::memcpy(data_ + size_, chars, count * sizeof(char16_t));
    size_ += count;
  }
  void Append(std::u16string_view text) { Append(text.data(), text.size()); }
  void AppendAscii(const char* s, size_t count);
  void Spaces(int32_t count);
  void LineBreak() {
    Put(u'\r');
    Put(u'\n');
  }
  void AppendEscaped(std::u16string_view text);
  void AppendInteger(int64_t value);
  void AppendFloat(double value);
  std::u16string Take();

 private:
  void Grow(size_t more);
  char16_t* data_ = nullptr;  // malloc'd: growing needs neither zero-filling nor, mostly, copying
  size_t size_ = 0;
  size_t cap_ = 0;
};

// Locale-aware comparison of the platform (negative, 0, positive).
int JsonCompareText(std::u16string_view a, std::u16string_view b, bool caseSensitive);

// ---- template implementation ----

const char16_t* JsonFindTopLevelEvent(const char16_t* p, const char16_t* end, char16_t separator, bool colons);

template <class OnItem, class OnColon>
void JsonWalkTopLevel(const TJsonText* source, const char16_t* first, const char16_t* end, char16_t separator,
                      int maxNest, const char16_t* className, std::u16string_view whole, OnItem&& onItem,
                      OnColon&& onColon) {
  constexpr bool kColons = !std::is_same_v<std::decay_t<OnColon>, std::nullptr_t>;
  TJsonTextBlock* block = source ? source->block() : nullptr;
  const char16_t* base = block ? block->Data() : nullptr;
  const std::vector<TJsonRun>* runs = block ? block->runs.load(std::memory_order_acquire) : nullptr;
  std::unique_ptr<std::vector<TJsonRun>> recorded;
  if (block && !runs && block->length >= kJsonRunIndexMinLength && first == base + 1 &&
      end == base + block->length - 1) {
    recorded = std::make_unique<std::vector<TJsonRun>>();
  }
  size_t cursor = 0;
  const char16_t* p = JsonSkipForward(first, end);
  if (p == end) return;
  const char16_t* itemStart = p;
  int32_t index = 0;
  while (p < end) {
    // Blanks between tokens change nothing but positions, so the walk jumps
    // straight to the next unit that matters: the separator, an opener or a
    // slash that may start a comment.
    p = JsonFindTopLevelEvent(p, end, separator, kColons);
    if (p == end) break;
    const char16_t c = *p;
    if (c == separator) {
      onItem(index, itemStart, JsonTrimBackward(itemStart, p));
      p = JsonSkipForward(p + 1, end);
      itemStart = p;
      ++index;
      continue;
    }
    if (c == u'"') {
      p = JsonMatchingCloser(p, end, maxNest, className, whole);
      if (p < end) ++p;
    } else if (c == u'[' || c == u'{') {
      if (runs) {
        p = JsonIndexedCloser(*runs, cursor, base, p, end, maxNest, className, whole);
      } else if (recorded) {
        p = JsonRecordedCloser(p, end, maxNest, className, whole, base, *recorded);
      } else {
        p = JsonMatchingCloser(p, end, maxNest, className, whole);
      }
      if (p < end) ++p;
    } else if (c == u'/') {
      const char16_t* q = JsonSkipForward(p, end);
      p = q == p ? p + 1 : q;
    } else {
      if constexpr (kColons) onColon(p);
      ++p;
    }
  }
  onItem(index, itemStart, JsonTrimBackward(itemStart, end));
  if (recorded) {
    const std::vector<TJsonRun>* none = nullptr;
    if (block->runs.compare_exchange_strong(none, recorded.get(), std::memory_order_acq_rel)) recorded.release();
  }
}
