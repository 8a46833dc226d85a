#include "JsonText.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

#include "NativeStrings.h"
#include "TextConv.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define KV_JSON_SSE2 1
#endif

// ---- shared text ----

TJsonTextBlock* TJsonTextBlock::Make(const char16_t* chars, size_t count) {
  if (count > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
  void* memory = ::operator new(sizeof(TJsonTextBlock) + count * sizeof(char16_t));
  TJsonTextBlock* block = new (memory) TJsonTextBlock;
  block->refs.store(0, std::memory_order_relaxed);
  block->length = static_cast<uint32_t>(count);
  block->runs.store(nullptr, std::memory_order_relaxed);
  block->arena.store(nullptr, std::memory_order_relaxed);
  if (count) std::memcpy(block->Data(), chars, count * sizeof(char16_t));
  return block;
}

void TJsonTextBlock::Free() {
  delete runs.load(std::memory_order_acquire);
  delete arena.load(std::memory_order_acquire);
  this->~TJsonTextBlock();
  ::operator delete(this);
}

void* TJsonTextBlock::Allocate(size_t size) {
  TJsonArena* a = arena.load(std::memory_order_acquire);
  if (!a) {
    // Small texts get a small first chunk; chunks stay below the size at
    // which allocators map fresh pages for every block.
    auto* made = new TJsonArena(length < 1024 ? 2048 : 16384);
    if (arena.compare_exchange_strong(a, made, std::memory_order_acq_rel)) {
      a = made;
    } else {
      delete made;
    }
  }
  return a->Allocate(size);
}

TJsonArena::~TJsonArena() {
  for (void* chunk : chunks_) ::operator delete(chunk);
}

void* TJsonArena::Allocate(size_t size) {
  size = (size + 15) & ~static_cast<size_t>(15);
  while (busy_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
  if (size > left_) {
    while (chunk_ < size) chunk_ *= 2;
    void* chunk = nullptr;
    try {
      chunks_.reserve(chunks_.size() + 1);
      chunk = ::operator new(chunk_);
      chunks_.push_back(chunk);
    } catch (...) {
      busy_.clear(std::memory_order_release);
      throw;
    }
    next_ = static_cast<char*>(chunk);
    left_ = chunk_;
    if (chunk_ < 65536) chunk_ *= 2;
  }
  void* p = next_;
  next_ += size;
  left_ -= size;
  busy_.clear(std::memory_order_release);
  return p;
}

TJsonText TJsonText::Copy(std::u16string_view text) {
  TJsonText r;
  if (text.empty()) return r;
  r.block_ = TJsonTextBlock::Make(text.data(), text.size());
  r.block_->Hold();
  r.chars_ = r.block_->Data();
  r.count_ = static_cast<uint32_t>(text.size());
  return r;
}

// ---- errors ----

void RaiseJsonError(const char16_t* className, std::u16string_view text) {
  std::u16string message;
  message.reserve(text.size() + 16);
  message += u'<';
  message += className;
  message += u'>';
  message += text;
  throw EJsonException(std::move(message));
}

void RaiseJsonParseError(const char16_t* className, std::u16string_view text) {
  std::u16string message(u"parse error: ");
  message += text;
  RaiseJsonError(className, message);
}

void RaiseJsonListIndexError(int64_t index) {
  throw EJsonException(StrFormat(u"List index out of bounds (%d)", {static_cast<long long>(index)}));
}

// ---- scanning ----

namespace {

#if KV_JSON_SSE2
inline __m128i Load8(const char16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline const char16_t* FirstOf(const char16_t* p, int mask) { return p + (__builtin_ctz(static_cast<unsigned>(mask)) >> 1); }
#endif

#if KV_JSON_SSE2
// The first unit from p that `unit` accepts; `vector` gives the movemask of
// the lanes it accepts among 8 units (the same test, 8 at a time).
template <class Vector, class Unit>
inline const char16_t* FindFirst(const char16_t* p, const char16_t* end, Vector&& vector, Unit&& unit) {
  while (end - p >= 8) {
    const int mask = vector(Load8(p));
    if (mask) return FirstOf(p, mask);
    p += 8;
  }
  for (; p < end; ++p) {
    if (unit(*p)) return p;
  }
  return end;
}
#else
template <class Vector, class Unit>
inline const char16_t* FindFirst(const char16_t* p, const char16_t* end, Vector&&, Unit&& unit) {
  for (; p < end; ++p) {
    if (unit(*p)) return p;
  }
  return end;
}
#endif

#if KV_JSON_SSE2
#define KV_JSON_LANES(body) [=](__m128i v) { return _mm_movemask_epi8(body); }
#else
#define KV_JSON_LANES(body) 0
#endif

// The next double quote or backslash.
const char16_t* FindQuoteOrBackslash(const char16_t* p, const char16_t* end) {
#if KV_JSON_SSE2
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i backslash = _mm_set1_epi16(u'\\');
#endif
  return FindFirst(p, end, KV_JSON_LANES(_mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, backslash))),
                   [](char16_t c) { return c == u'"' || c == u'\\'; });
}

// The closing quote of a string whose first unit is at p (a backslash skips
// the unit after it), or end.
inline const char16_t* SkipString(const char16_t* p, const char16_t* end) {
  for (;;) {
    p = FindQuoteOrBackslash(p, end);
    if (p == end || *p == u'"') return p;
    p += 2;
    if (p >= end) return end;
  }
}

}  // namespace

const char16_t* JsonFindBackslash(const char16_t* p, const char16_t* end) {
#if KV_JSON_SSE2
  const __m128i backslash = _mm_set1_epi16(u'\\');
#endif
  return FindFirst(p, end, KV_JSON_LANES(_mm_cmpeq_epi16(v, backslash)), [](char16_t c) { return c == u'\\'; });
}

const char16_t* JsonFindTopLevelEvent(const char16_t* p, const char16_t* end, char16_t separator, bool colons) {
#if KV_JSON_SSE2
  const __m128i sep = _mm_set1_epi16(static_cast<short>(separator));
  const __m128i colon = _mm_set1_epi16(colons ? u':' : u'"');
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i open = _mm_set1_epi16(u'{');
  const __m128i fold = _mm_set1_epi16(0x20);  // "[" and "{" differ only in it
  const __m128i slash = _mm_set1_epi16(u'/');
#endif
  return FindFirst(p, end,
                   KV_JSON_LANES(_mm_or_si128(
                       _mm_or_si128(_mm_cmpeq_epi16(v, sep), _mm_cmpeq_epi16(v, quote)),
                       _mm_or_si128(_mm_cmpeq_epi16(_mm_or_si128(v, fold), open),
                                    _mm_or_si128(_mm_cmpeq_epi16(v, slash), _mm_cmpeq_epi16(v, colon))))),
                   [&](char16_t c) {
                     return c == separator || c == u'"' || c == u'[' || c == u'{' || c == u'/' || (colons && c == u':');
                   });
}

const char16_t* JsonSkipForward(const char16_t* p, const char16_t* end) {
  for (;;) {
    while (p < end && *p <= u' ') ++p;
    if (end - p >= 2 && p[0] == u'/') {
      if (p[1] == u'/') {
        p += 2;
        while (p < end && *p != u'\n') ++p;
        if (p < end) ++p;
        continue;
      }
      if (p[1] == u'*') {
        // The star of the opening may close the comment too: "/*/" is whole.
        const char16_t* q = p + 1;
        while (end - q >= 2 && !(q[0] == u'*' && q[1] == u'/')) ++q;
        p = end - q >= 2 ? q + 2 : end;
        continue;
      }
    }
    return p;
  }
}

const char16_t* JsonTrimBackward(const char16_t* start, const char16_t* end) {
  for (;;) {
    while (end > start && end[-1] <= u' ') --end;
    const ptrdiff_t n = end - start;
    if (n >= 2 && end[-1] == u'/' && end[-2] == u'*') {
      // Back to the nearest "/*"; its star may be the one of "*/".
      ptrdiff_t k = n - 3;
      while (k >= 0 && !(start[k] == u'/' && start[k + 1] == u'*')) --k;
      if (k >= 0) {
        end = start + k;
        continue;
      }
    }
    return end;
  }
}

namespace {

#if KV_JSON_SSE2
// Bit k of each mask stands for unit k of the 64 units at p: double quotes,
// backslashes, opening and closing brackets (either kind).
inline void Masks64(const char16_t* p, uint64_t& quotes, uint64_t& backslashes, uint64_t& opens, uint64_t& closes) {
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i backslash = _mm_set1_epi16(u'\\');
  const __m128i open = _mm_set1_epi16(u'{');
  const __m128i close = _mm_set1_epi16(u'}');
  const __m128i fold = _mm_set1_epi16(0x20);  // "[" and "{", "]" and "}" differ only in it
  quotes = backslashes = opens = closes = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i x = Load8(p + 16 * k), y = Load8(p + 16 * k + 8);
    const __m128i fx = _mm_or_si128(x, fold), fy = _mm_or_si128(y, fold);
    auto bits = [](__m128i a, __m128i b) {
      return static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b))));
    };
    quotes |= bits(_mm_cmpeq_epi16(x, quote), _mm_cmpeq_epi16(y, quote)) << (16 * k);
    backslashes |= bits(_mm_cmpeq_epi16(x, backslash), _mm_cmpeq_epi16(y, backslash)) << (16 * k);
    opens |= bits(_mm_cmpeq_epi16(fx, open), _mm_cmpeq_epi16(fy, open)) << (16 * k);
    closes |= bits(_mm_cmpeq_epi16(fx, close), _mm_cmpeq_epi16(fy, close)) << (16 * k);
  }
}

// Bit k = parity of the set bits at 0..k.
inline uint64_t PrefixXor(uint64_t x) {
  x ^= x << 1;
  x ^= x << 2;
  x ^= x << 4;
  x ^= x << 8;
  x ^= x << 16;
  x ^= x << 32;
  return x;
}
#endif

// The closer of the bracket run at p, recording the runs when `runs` is
// given. Inside a string a backslash escapes the next unit; outside, it is
// an ordinary unit; a closing bracket of the other kind is ignored.
template <bool kRecord>
const char16_t* ScanBracketRun(const char16_t* p, const char16_t* end, int maxNest, const char16_t* className,
                               std::u16string_view whole, const char16_t* base, std::vector<TJsonRun>* runs) {
  // One entry per open bracket: its offset, or 0 for "[" and 1 for "{";
  // recording, also how many runs were recorded when it opened.
  uint32_t stack[kJsonMaxDepth + 1];
  uint32_t recordedAtOpen[kRecord ? kJsonMaxDepth + 1 : 1];
  if (maxNest > kJsonMaxDepth) maxNest = kJsonMaxDepth;
  int depth = 0;
  auto open = [&](const char16_t* q) {
    if (depth >= maxNest) RaiseJsonParseError(className, whole);
    if constexpr (kRecord) {
      recordedAtOpen[depth] = static_cast<uint32_t>(runs->size());
      stack[depth++] = static_cast<uint32_t>(q - base);
    } else {
      stack[depth++] = *q == u'[' ? 0 : 1;
    }
  };
  // Long runs go in the order they open, before the runs they nest (which
  // closed first); short runs are cheaper to scan again than to look up.
  auto record = [&](uint32_t at, uint32_t closeAt, uint32_t since) {
    const uint32_t nested = static_cast<uint32_t>(runs->size()) - since;
    runs->insert(runs->begin() + since, TJsonRun{at, closeAt, nested});
  };
  // True when q closes the run that started at p.
  auto close = [&](const char16_t* q) {
    const bool square = *q == u']';
    if constexpr (kRecord) {
      const uint32_t at = stack[depth - 1];
      if ((base[at] == u'[') != square) return false;
      const uint32_t closeAt = static_cast<uint32_t>(q - base);
      if (closeAt - at >= kJsonShortRun) record(at, closeAt, recordedAtOpen[depth - 1]);
    } else {
      if ((stack[depth - 1] == 0) != square) return false;
    }
    return --depth == 0;
  };
  bool inString = false, escapeNext = false;
  auto step = [&](const char16_t* q) {
    const char16_t c = *q;
    if (inString) {
      if (escapeNext) {
        escapeNext = false;
      } else if (c == u'\\') {
        escapeNext = true;
      } else if (c == u'"') {
        inString = false;
      }
      return false;
    }
    if (c == u'"') {
      inString = true;
    } else if (c == u'[' || c == u'{') {
      open(q);
    } else if (c == u']' || c == u'}') {
      return close(q);
    }
    return false;
  };
  open(p);
  const char16_t* i = p + 1;
#if KV_JSON_SSE2
  // 64 units at a time: the string regions follow from the quotes that are
  // not escaped; only brackets outside them are visited one by one.
  while (end - i >= 64) {
    uint64_t quotes, backslashes, opens, closes;
    Masks64(i, quotes, backslashes, opens, closes);
    uint64_t escaped = 0;
    bool carry = false;
    if (backslashes | escapeNext) {
      // Escapes as if every backslash were inside a string; checked below.
      uint64_t b = backslashes;
      if (escapeNext) {
        escaped |= 1;
        b &= ~uint64_t{1};
      }
      while (b) {
        const int k = __builtin_ctzll(b);
        if (k == 63) {
          carry = true;
          break;
        }
        escaped |= uint64_t{2} << k;
        b &= ~(uint64_t{3} << k);
      }
    }
    uint64_t inside = PrefixXor(quotes & ~escaped);
    if (inString) inside = ~inside;
    if (backslashes & ~inside) {
      // A backslash outside a string escapes nothing: unit by unit.
      for (const char16_t* q = i; q < i + 64; ++q) {
        if (step(q)) return q;
      }
      i += 64;
      continue;
    }
    uint64_t events = (opens | closes) & ~inside;
    while (events) {
      const int k = __builtin_ctzll(events);
      if ((opens >> k) & 1) {
        open(i + k);
      } else if (close(i + k)) {
        return i + k;
      }
      events &= events - 1;
    }
    inString = (inside >> 63) != 0;
    escapeNext = carry;
    i += 64;
  }
#endif
  for (; i < end; ++i) {
    if (step(i)) return i;
  }
  if constexpr (kRecord) {
    while (depth > 0) {
      --depth;
      if (static_cast<uint32_t>(end - base) - stack[depth] >= kJsonShortRun) {
        record(stack[depth], kJsonNoCloser, recordedAtOpen[depth]);
      }
    }
  }
  return end;
}

}  // namespace

const char16_t* JsonMatchingCloser(const char16_t* p, const char16_t* end, int maxNest, const char16_t* className,
                                   std::u16string_view whole) {
  if (*p == u'"') return SkipString(p + 1, end);
  return ScanBracketRun<false>(p, end, maxNest, className, whole, nullptr, nullptr);
}

const char16_t* JsonRecordedCloser(const char16_t* p, const char16_t* end, int maxNest, const char16_t* className,
                                   std::u16string_view whole, const char16_t* base, std::vector<TJsonRun>& runs) {
  return ScanBracketRun<true>(p, end, maxNest, className, whole, base, &runs);
}

const char16_t* JsonIndexedCloser(const std::vector<TJsonRun>& runs, size_t& cursor, const char16_t* base,
                                  const char16_t* p, const char16_t* end, int maxNest, const char16_t* className,
                                  std::u16string_view whole) {
  const uint32_t offset = static_cast<uint32_t>(p - base);
  size_t i = cursor;
  // The walk meets recorded runs in order: one beyond the cursor's means a
  // short run, which was not recorded.
  if (i < runs.size() && runs[i].open > offset && (i == 0 || runs[i - 1].open < offset)) {
    return JsonMatchingCloser(p, end, maxNest, className, whole);
  }
  if (i >= runs.size() || runs[i].open != offset) {
    size_t lo = 0, hi = runs.size();
    while (lo < hi) {
      const size_t mid = lo + (hi - lo) / 2;
      if (runs[mid].open < offset) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    if (lo == runs.size() || runs[lo].open != offset) {
      cursor = lo;  // where the walk's next recorded run, if any, is
      return JsonMatchingCloser(p, end, maxNest, className, whole);
    }
    i = lo;
  }
  const TJsonRun& run = runs[i];
  cursor = i + 1 + run.nested;
  if (run.close == kJsonNoCloser || base + run.close >= end) return end;
  return base + run.close;
}

// ---- kinds and numbers ----

bool JsonIsObjectText(std::u16string_view t) { return t.size() > 1 && t.front() == u'{' && t.back() == u'}'; }
bool JsonIsArrayText(std::u16string_view t) { return t.size() > 1 && t.front() == u'[' && t.back() == u']'; }
bool JsonIsStringText(std::u16string_view t) { return t.size() > 1 && t.front() == u'"' && t.back() == u'"'; }
bool JsonIsBooleanText(std::u16string_view t) { return SameTextAscii(t, u"true") || SameTextAscii(t, u"false"); }
bool JsonIsNullText(std::u16string_view t) { return SameTextAscii(t, u"null"); }

JsonKind JsonDetectKind(std::u16string_view text) {
  int64_t i;
  double d;
  return JsonReadKind(text, i, d);
}

JsonKind JsonReadKind(std::u16string_view text, int64_t& i, double& d) {
  const size_t n = text.size();
  if (n < 2) return TryStrToInt64(text, i) ? jvInteger : jvNull;
  const char16_t first = text[0], last = text[n - 1];
  if (first == u'{' && last == u'}') return jvObject;
  if (first == u'[' && last == u']') return jvArray;
  if (first == u'"' && last == u'"') return jvString;
  if (n == 4 && SameTextAscii(text, u"null")) return jvNull;
  if ((n == 4 && SameTextAscii(text, u"true")) || (n == 5 && SameTextAscii(text, u"false"))) return jvBoolean;
  if (TryStrToInt64(text, i)) return jvInteger;
  if (JsonTryReadFloat(text, d)) return jvFloat;
  return jvNull;
}

namespace {

// Powers of ten that doubles hold exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

bool JsonTryReadFloat(std::u16string_view text, double& value) {
  const char16_t* p = text.data();
  const char16_t* end = p + text.size();
  while (p < end && *p == u' ') ++p;
  while (end > p && end[-1] == u' ') --end;
  if (p == end) return false;
  const char16_t* const start = p;
  const bool negative = *p == u'-';
  if (*p == u'-' || *p == u'+') ++p;
  // Mantissa digits (the first 19 significant ones exactly), the point and
  // the exponent, checked in one pass.
  uint64_t mantissa = 0;
  int significant = 0;     // significant digits seen
  int64_t dropped = 0;     // significant integer digits beyond 19 (each a power of ten)
  int64_t fraction = 0;    // fraction digits kept in the mantissa
  size_t digits = 0;
  for (; p < end && *p >= u'0' && *p <= u'9'; ++p, ++digits) {
    if (significant == 0 && *p == u'0') continue;
    if (significant < 19) {
      mantissa = mantissa * 10 + (*p - u'0');
    } else {
      ++dropped;
    }
    ++significant;
  }
  [[maybe_unused]] bool inexact = significant > 19;
  if (p < end && *p == u'.') {
    for (++p; p < end && *p >= u'0' && *p <= u'9'; ++p, ++digits) {
      if (significant == 0 && *p == u'0') {
        ++fraction;
        continue;
      }
      if (significant < 19) {
        mantissa = mantissa * 10 + (*p - u'0');
        ++fraction;
      } else if (*p != u'0') {
        inexact = true;
      }
      ++significant;
    }
  }
  if (digits == 0) return false;
  int64_t exponent = 0;
  const char16_t* const mantissaEnd = p;
  if (p < end && (*p == u'e' || *p == u'E')) {
    ++p;
    bool expNegative = false;
    if (p < end && (*p == u'-' || *p == u'+')) expNegative = *p++ == u'-';
    if (p == end || *p < u'0' || *p > u'9') return false;
    for (; p < end && *p >= u'0' && *p <= u'9'; ++p) {
      if (exponent < 1000000000000000) exponent = exponent * 10 + (*p - u'0');
    }
    if (expNegative) exponent = -exponent;
  }
  if (p != end) return false;
  if (mantissa == 0) {
    value = negative ? -0.0 : 0.0;
    return true;
  }
  const int64_t scale = exponent + dropped - fraction;  // value = mantissa * 10^scale
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  // Exact operands give the correctly rounded result in one operation (not
  // with x87 arithmetic, which would round twice).
  if (!inexact && mantissa <= (uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
    const double m = static_cast<double>(mantissa);
    const double r = scale < 0 ? m / kExactPowers[-scale] : m * kExactPowers[scale];
    value = negative ? -r : r;
    return true;
  }
#endif
  // Otherwise the library converter (locale-independent) reads the checked
  // text: digits, an optional point, an optional exponent, no "+" sign.
  const int64_t kept = significant < 19 ? significant : 19;
  const int64_t magnitude = scale + kept - 1;  // decimal exponent of the first digit
  if (magnitude > 310) {
    value = negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    return true;
  }
  if (magnitude < -330) {
    value = negative ? -0.0 : 0.0;
    return true;
  }
  char local[96];
  std::string heap;
  const size_t n = static_cast<size_t>(end - start);
  char* out = local;
  if (n + 24 > sizeof local) {
    heap.resize(n + 24);
    out = heap.data();
  }
  size_t o = 0;
  const char16_t* q = start;
  if (*q == u'-' || *q == u'+') ++q;
  if (negative) out[o++] = '-';
  out[o++] = '0';  // a digit before the point, for texts like ".5"
  const size_t count = static_cast<size_t>(mantissaEnd - q);
  for (size_t k = 0; k < count; ++k) out[o + k] = static_cast<char>(q[k]);
  o += count;
  if (out[o - 1] == '.') --o;
  if (exponent != 0) {
    out[o++] = 'e';
    o = std::to_chars(out + o, out + o + 12, exponent).ptr - out;
  }
  double result = 0;
  const auto r = std::from_chars(out, out + o, result, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    result = magnitude > 0 ? std::numeric_limits<double>::max() : 0.0;
    if (negative) result = -result;
  } else if (r.ec != std::errc() || r.ptr != out + o) {
    return false;
  } else if (std::isinf(result)) {
    // Beyond the range: the largest finite double of the sign.
    result = negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
  }
  value = result;
  return true;
}

// ---- float text ----

namespace {

// Writes the float text as ASCII into out (at least 32 bytes); returns its length.
size_t FormatFloat(double value, char* out) {
  if (std::isnan(value)) {
    std::memcpy(out, "NAN", 3);
    return 3;
  }
  if (std::isinf(value)) {
    if (value < 0) {
      std::memcpy(out, "-INF", 4);
      return 4;
    }
    std::memcpy(out, "INF", 3);
    return 3;
  }
  if (value == 0) {  // negative zero included: "-0" would read back as the integer 0
    out[0] = '0';
    return 1;
  }
  char buffer[64];
  auto split = [&](const char* b, const char* e, char* digits, int& count, int& exponent, bool& negative) {
    negative = *b == '-';
    if (negative) ++b;
    count = 0;
    for (; b < e && *b != 'e'; ++b) {
      if (*b != '.') digits[count++] = *b;
    }
    exponent = 0;
    if (b < e) std::from_chars(b + 1 + (b[1] == '+' ? 1 : 0), e, exponent);
  };
  char digits[40];
  int count, exponent;
  bool negative;
  // The shortest text that reads back as the value; at most 15 digits of it
  // are exactly the value rounded to 15 digits.
  // Subnormals are too coarse for that: their digits come from the exact value.
  const bool subnormal = std::fabs(value) < std::numeric_limits<double>::min();
  auto r = subnormal ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14)
                     : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  split(buffer, r.ptr, digits, count, exponent, negative);
  if (count > 15) {
    if (count == 16 && digits[15] == '5') {
      // Possibly a tie at the 16th digit: round from the exact value.
      r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
      split(buffer, r.ptr, digits, count, exponent, negative);
    } else {
      const bool up = digits[15] >= '5';
      count = 15;
      if (up) {
        int k = 14;
        while (k >= 0 && digits[k] == '9') digits[k--] = '0';
        if (k >= 0) {
          ++digits[k];
        } else {
          digits[0] = '1';
          count = 1;
          ++exponent;
        }
      }
    }
  }
  while (count > 1 && digits[count - 1] == '0') --count;
  size_t o = 0;
  if (negative) out[o++] = '-';
  if (exponent >= -5 && exponent <= 14) {
    if (exponent >= 0) {
      for (int k = 0; k <= exponent; ++k) out[o++] = k < count ? digits[k] : '0';
      if (count > exponent + 1) {
        out[o++] = '.';
        for (int k = exponent + 1; k < count; ++k) out[o++] = digits[k];
      }
    } else {
      out[o++] = '0';
      out[o++] = '.';
      for (int k = -1; k > exponent; --k) out[o++] = '0';
      for (int k = 0; k < count; ++k) out[o++] = digits[k];
    }
  } else {
    out[o++] = digits[0];
    if (count > 1) {
      out[o++] = '.';
      for (int k = 1; k < count; ++k) out[o++] = digits[k];
    }
    out[o++] = 'E';
    if (exponent < 0) out[o++] = '-';
    const auto e = std::to_chars(out + o, out + o + 8, exponent < 0 ? -exponent : exponent);
    o = e.ptr - out;
  }
  return o;
}

}  // namespace

std::u16string JsonFloatText(double value) {
  char text[40];
  const size_t n = FormatFloat(value, text);
  return AsciiToUtf16(std::string_view(text, n));
}

// ---- escaping ----

namespace {

// The letter after the backslash for a unit that is escaped, else 0.
inline char16_t EscapeLetter(char16_t c) {
  switch (c) {
    case 0x08: return u'b';
    case 0x09: return u't';
    case 0x0A: return u'n';
    case 0x0C: return u'f';
    case 0x0D: return u'r';
    case u'"': return u'"';
    case u'/': return u'/';
    case u'\\': return u'\\';
    default: return 0;
  }
}

// The next unit that may need escaping: a control unit up to U+000D, a
// quote, a slash or a backslash.
inline const char16_t* FindEscapeCandidate(const char16_t* p, const char16_t* end) {
#if KV_JSON_SSE2
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i slash = _mm_set1_epi16(u'/');
  const __m128i backslash = _mm_set1_epi16(u'\\');
  const __m128i controls = _mm_set1_epi16(0x0D);  // units up to it: saturating v - 0x0D is zero
#endif
  return FindFirst(p, end,
                   KV_JSON_LANES(_mm_or_si128(
                       _mm_or_si128(_mm_cmpeq_epi16(_mm_subs_epu16(v, controls), _mm_setzero_si128()),
                                    _mm_cmpeq_epi16(v, quote)),
                       _mm_or_si128(_mm_cmpeq_epi16(v, slash), _mm_cmpeq_epi16(v, backslash)))),
                   [](char16_t c) { return c <= 0x0D || c == u'"' || c == u'/' || c == u'\\'; });
}

template <class Sink>
void EscapeInto(Sink& sink, std::u16string_view text) {
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  const char16_t* run = p;
  for (; (p = FindEscapeCandidate(p, end)) < end; ++p) {
    const char16_t c = *p;
    if (c > u'\\') continue;
    const char16_t letter = EscapeLetter(c);
    if (!letter) continue;
    sink.Append(run, p - run);
    const char16_t pair[2] = {u'\\', letter};
    sink.Append(pair, 2);
    run = p + 1;
  }
  sink.Append(run, end - run);
}

struct TStringSink {
  std::u16string& out;
  void Append(const char16_t* chars, size_t count) { out.append(chars, count); }
};

}  // namespace

std::u16string JsonEscape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 8);
  TStringSink sink{out};
  EscapeInto(sink, text);
  return out;
}

std::u16string JsonUnescape(std::u16string_view text, const char16_t* className) {
  std::u16string out;
  out.reserve(text.size());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const char16_t* p = text.data() + i;
    const char16_t* b = JsonFindBackslash(p, text.data() + n);
    out.append(p, b - p);
    i = b - text.data();
    if (i >= n) break;
    if (i + 1 >= n) {
      // A backslash that ends the text escapes nothing: it is kept.
      out += u'\\';
      break;
    }
    const char16_t next = text[i + 1];
    switch (next) {
      case u'b': out += u'\b'; break;
      case u'f': out += u'\f'; break;
      case u'n': out += u'\n'; break;
      case u'r': out += u'\r'; break;
      case u't': out += u'\t'; break;
      case u'u': {
        if (i + 6 > n) RaiseJsonParseError(className, u"Json is not correct!");
        unsigned unit = 0;
        for (size_t k = i + 2; k < i + 6; ++k) {
          const int d = HexDigit(text[k]);
          if (d < 0) {
            std::u16string message(u"Illegal four-hex-digits \"");
            message += text.substr(i + 2);
            message += u'"';
            throw EJsonException(std::move(message));
          }
          unit = unit * 16 + d;
        }
        out += static_cast<char16_t>(unit);
        i += 6;
        continue;
      }
      default: out += next; break;
    }
    i += 2;
  }
  return out;
}

// ---- writer ----

void TJsonWriter::Grow(size_t more) {
  size_t cap = cap_ < 64 ? 64 : cap_ * 2;
  while (cap - size_ < more) cap *= 2;
  void* grown = std::realloc(data_, cap * sizeof(char16_t));
  if (!grown) throw std::bad_alloc();
  data_ = static_cast<char16_t*>(grown);
  cap_ = cap;
}

void TJsonWriter::AppendAscii(const char* s, size_t count) {
  if (cap_ - size_ < count) Grow(count);
  for (size_t k = 0; k < count; ++k) data_[size_ + k] = static_cast<unsigned char>(s[k]);
  size_ += count;
}

void TJsonWriter::Spaces(int32_t count) {
  if (count <= 0) return;
  if (cap_ - size_ < static_cast<size_t>(count)) Grow(count);
  for (int32_t k = 0; k < count; ++k) data_[size_ + k] = u' ';
  size_ += count;
}

void TJsonWriter::AppendEscaped(std::u16string_view text) { EscapeInto(*this, text); }

void TJsonWriter::AppendInteger(int64_t value) {
  char text[24];
  const auto r = std::to_chars(text, text + sizeof text, value);
  AppendAscii(text, r.ptr - text);
}

void TJsonWriter::AppendFloat(double value) {
  char text[40];
  AppendAscii(text, FormatFloat(value, text));
}

std::u16string TJsonWriter::Take() {
  std::u16string text(data_ ? data_ : u"", size_);
  std::free(data_);
  data_ = nullptr;
  size_ = cap_ = 0;
  return text;
}
