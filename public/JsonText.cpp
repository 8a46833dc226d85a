#include "JsonText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <system_error>

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
  if (count) std::memcpy(block->Data(), chars, count * sizeof(char16_t));
  return block;
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

// The next double quote or backslash.
const char16_t* FindQuoteOrBackslash(const char16_t* p, const char16_t* end) {
#if KV_JSON_SSE2
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i slash = _mm_set1_epi16(u'\\');
  while (end - p >= 16) {
    const __m128i a = Load8(p), b = Load8(p + 8);
    const int ma = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(a, quote), _mm_cmpeq_epi16(a, slash)));
    const int mb = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(b, quote), _mm_cmpeq_epi16(b, slash)));
    if (ma) return FirstOf(p, ma);
    if (mb) return FirstOf(p + 8, mb);
    p += 16;
  }
  if (end - p >= 8) {
    const __m128i a = Load8(p);
    const int ma = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(a, quote), _mm_cmpeq_epi16(a, slash)));
    if (ma) return FirstOf(p, ma);
    p += 8;
  }
#endif
  for (; p < end; ++p) {
    if (*p == u'"' || *p == u'\\') return p;
  }
  return end;
}

// The next double quote or bracket of either kind.
const char16_t* FindBracketEvent(const char16_t* p, const char16_t* end) {
#if KV_JSON_SSE2
  // "[" and "{" (and "]" and "}") differ only in bit 0x20.
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i open = _mm_set1_epi16(u'{');
  const __m128i close = _mm_set1_epi16(u'}');
  const __m128i fold = _mm_set1_epi16(0x20);
  auto mask = [&](__m128i v) {
    const __m128i f = _mm_or_si128(v, fold);
    return _mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_or_si128(_mm_cmpeq_epi16(f, open), _mm_cmpeq_epi16(f, close))));
  };
  while (end - p >= 16) {
    const int ma = mask(Load8(p));
    if (ma) return FirstOf(p, ma);
    const int mb = mask(Load8(p + 8));
    if (mb) return FirstOf(p + 8, mb);
    p += 16;
  }
  if (end - p >= 8) {
    const int ma = mask(Load8(p));
    if (ma) return FirstOf(p, ma);
    p += 8;
  }
#endif
  for (; p < end; ++p) {
    const char16_t c = *p;
    if (c == u'"' || c == u'[' || c == u']' || c == u'{' || c == u'}') return p;
  }
  return end;
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
  const __m128i slash = _mm_set1_epi16(u'\\');
  while (end - p >= 8) {
    const int m = _mm_movemask_epi8(_mm_cmpeq_epi16(Load8(p), slash));
    if (m) return FirstOf(p, m);
    p += 8;
  }
#endif
  for (; p < end; ++p) {
    if (*p == u'\\') return p;
  }
  return end;
}

const char16_t* JsonFindTopLevelEvent(const char16_t* p, const char16_t* end, char16_t separator, bool colons) {
#if KV_JSON_SSE2
  const __m128i sep = _mm_set1_epi16(static_cast<short>(separator));
  const __m128i colon = _mm_set1_epi16(colons ? u':' : u'"');
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i open = _mm_set1_epi16(u'{');
  const __m128i fold = _mm_set1_epi16(0x20);
  const __m128i slash = _mm_set1_epi16(u'/');
  while (end - p >= 8) {
    const __m128i v = Load8(p);
    const __m128i m = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi16(v, sep), _mm_cmpeq_epi16(v, quote)),
        _mm_or_si128(_mm_cmpeq_epi16(_mm_or_si128(v, fold), open),
                     _mm_or_si128(_mm_cmpeq_epi16(v, slash), _mm_cmpeq_epi16(v, colon))));
    const int mask = _mm_movemask_epi8(m);
    if (mask) return FirstOf(p, mask);
    p += 8;
  }
#endif
  for (; p < end; ++p) {
    const char16_t c = *p;
    if (c == separator || c == u'"' || c == u'[' || c == u'{' || c == u'/' || (colons && c == u':')) return p;
  }
  return end;
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

const char16_t* JsonMatchingCloser(const char16_t* p, const char16_t* end, int maxNest, const char16_t* className,
                                   std::u16string_view whole) {
  if (*p == u'"') return SkipString(p + 1, end);
  // One entry per open bracket: 0 waits for "]", 1 for "}". Brackets of the
  // other kind are not checked.
  uint8_t stack[kJsonMaxDepth + 1];
  if (maxNest > kJsonMaxDepth) maxNest = kJsonMaxDepth;
  int depth = 0;
  stack[depth++] = *p == u'[' ? 0 : 1;
  const char16_t* i = p + 1;
  for (;;) {
    i = FindBracketEvent(i, end);
    if (i == end) return end;
    const char16_t c = *i;
    if (c == u'"') {
      i = SkipString(i + 1, end);
      if (i == end) return end;
      ++i;
    } else if (c == u'[' || c == u'{') {
      if (depth >= maxNest) RaiseJsonParseError(className, whole);
      stack[depth++] = c == u'[' ? 0 : 1;
      ++i;
    } else {
      if (stack[depth - 1] == (c == u']' ? 0 : 1) && --depth == 0) return i;
      ++i;
    }
  }
}

// ---- kinds and numbers ----

bool JsonIsObjectText(std::u16string_view t) { return t.size() > 1 && t.front() == u'{' && t.back() == u'}'; }
bool JsonIsArrayText(std::u16string_view t) { return t.size() > 1 && t.front() == u'[' && t.back() == u']'; }
bool JsonIsStringText(std::u16string_view t) { return t.size() > 1 && t.front() == u'"' && t.back() == u'"'; }
bool JsonIsBooleanText(std::u16string_view t) { return SameTextAscii(t, u"true") || SameTextAscii(t, u"false"); }
bool JsonIsNullText(std::u16string_view t) { return SameTextAscii(t, u"null"); }

bool JsonTryReadInteger(std::u16string_view text, int64_t& value) {
  // A leading "0x" reads as the "$" prefix, which TryStrToInt64 takes alike.
  return TryStrToInt64(text, value);
}

JsonKind JsonDetectKind(std::u16string_view text) {
  const size_t n = text.size();
  int64_t i;
  if (n < 2) return TryStrToInt64(text, i) ? jvInteger : jvNull;
  const char16_t first = text[0], last = text[n - 1];
  if (first == u'{' && last == u'}') return jvObject;
  if (first == u'[' && last == u']') return jvArray;
  if (first == u'"' && last == u'"') return jvString;
  if (n == 4 && SameTextAscii(text, u"null")) return jvNull;
  if ((n == 4 && SameTextAscii(text, u"true")) || (n == 5 && SameTextAscii(text, u"false"))) return jvBoolean;
  if (JsonTryReadInteger(text, i)) return jvInteger;
  double d;
  if (JsonTryReadFloat(text, d)) return jvFloat;
  return jvNull;
}

bool JsonTryReadFloat(std::u16string_view text, double& value) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == u' ') ++i;
  while (n > i && text[n - 1] == u' ') --n;
  if (i == n) return false;
  // The syntax is checked here; std::from_chars (locale-independent) gets
  // a normalised copy: no "+", a digit before the point, a bounded exponent.
  char local[128];
  std::string heap;
  char* out = local;
  if (n - i + 16 > sizeof local) {
    heap.resize(n - i + 16);
    out = heap.data();
  }
  size_t o = 0;
  bool negative = false;
  if (text[i] == u'-' || text[i] == u'+') {
    negative = text[i] == u'-';
    if (negative) out[o++] = '-';
    ++i;
  }
  auto isDigit = [&](size_t k) { return k < n && text[k] >= u'0' && text[k] <= u'9'; };
  size_t intDigits = 0, intLeadingZeros = 0, fracDigits = 0, fracLeadingZeros = 0;
  bool nonZero = false;
  const size_t mantissaStart = o;
  out[o++] = '0';  // keeps ".5" readable; harmless before other digits
  for (; isDigit(i); ++i, ++intDigits) {
    if (text[i] != u'0') nonZero = true;
    if (!nonZero) ++intLeadingZeros;
    out[o++] = static_cast<char>(text[i]);
  }
  if (i < n && text[i] == u'.') {
    ++i;
    const size_t point = o;
    out[o++] = '.';
    for (; isDigit(i); ++i, ++fracDigits) {
      if (text[i] != u'0' && !nonZero) {
        nonZero = true;
        fracLeadingZeros = fracDigits;
      }
      out[o++] = static_cast<char>(text[i]);
    }
    if (fracDigits == 0) o = point;
  }
  if (intDigits + fracDigits == 0) return false;
  const size_t mantissaDigits = intDigits + fracDigits;
  int64_t exponent = 0;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
      expNegative = text[i] == u'-';
      ++i;
    }
    if (!isDigit(i)) return false;
    // Beyond this bound the value is out of range (or zero) whatever the
    // mantissa holds; clamping keeps the converter's exponent small.
    const int64_t bound = static_cast<int64_t>(mantissaDigits) + 400;
    for (; isDigit(i); ++i) {
      if (exponent <= bound) exponent = exponent * 10 + (text[i] - u'0');
    }
    if (exponent > bound) exponent = bound;
    if (expNegative) exponent = -exponent;
  }
  if (i != n) return false;
  if (exponent != 0) {
    out[o++] = 'e';
    const auto r = std::to_chars(out + o, out + o + 12, exponent);
    o = r.ptr - out;
  }
  (void)mantissaStart;
  double result = 0;
  const auto r = std::from_chars(out, out + o, result, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Decide between overflow and underflow by the decimal magnitude.
    if (!nonZero) {
      result = 0;
    } else {
      const int64_t magnitude = intDigits > intLeadingZeros
                                    ? static_cast<int64_t>(intDigits - intLeadingZeros) - 1 + exponent
                                    : -static_cast<int64_t>(fracLeadingZeros) - 1 + exponent;
      result = magnitude > 0 ? std::numeric_limits<double>::max() : 0.0;
    }
    if (negative) result = -result;
  } else if (r.ec != std::errc() || r.ptr != out + o) {
    return false;
  } else if (std::isinf(result)) {
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

template <class Sink>
void EscapeInto(Sink& sink, std::u16string_view text) {
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  const char16_t* run = p;
  for (; p < end; ++p) {
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

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

void JsonAppendEscaped(std::u16string& out, std::u16string_view text) {
  TStringSink sink{out};
  EscapeInto(sink, text);
}

std::u16string JsonEscape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 8);
  JsonAppendEscaped(out, text);
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
          const int d = HexValue(text[k]);
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
  buffer_.resize(cap);
  data_ = buffer_.data();
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
  buffer_.resize(size_);
  data_ = nullptr;
  size_ = cap_ = 0;
  return std::move(buffer_);
}
