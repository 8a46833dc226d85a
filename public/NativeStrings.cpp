#include "NativeStrings.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Reads the integer syntax; the magnitude is returned unsigned with its sign
// and base so that callers can apply their own range rule.
bool ReadInteger(std::u16string_view text, bool& negative, bool& hex, uint64_t& magnitude) {
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  hex = false;
  if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return false;
  magnitude = 0;
  const uint64_t base = hex ? 16 : 10;
  for (; i < text.size(); ++i) {
    const int d = hex ? HexDigit(text[i]) : (text[i] >= u'0' && text[i] <= u'9' ? text[i] - u'0' : -1);
    if (d < 0) return false;
    if (magnitude > (std::numeric_limits<uint64_t>::max() - d) / base) return false;
    magnitude = magnitude * base + d;
  }
  return true;
}

void AppendAscii(std::u16string& out, const char* s) {
  for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
}

}  // namespace

bool TryStrToInt64(std::u16string_view text, int64_t& value) {
  bool negative, hex;
  uint64_t magnitude;
  if (!ReadInteger(text, negative, hex, magnitude)) return false;
  const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
  if (magnitude > limit) return false;
  value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

int32_t StrToIntDef(std::u16string_view text, int32_t def) {
  bool negative, hex;
  uint64_t magnitude;
  if (!ReadInteger(text, negative, hex, magnitude)) return def;
  if (hex && !negative) {
    if (magnitude > 0xFFFFFFFFull) return def;
    return static_cast<int32_t>(static_cast<uint32_t>(magnitude));
  }
  const uint64_t limit = 0x7FFFFFFFull + (negative ? 1 : 0);
  if (magnitude > limit) return def;
  return negative ? static_cast<int32_t>(0 - static_cast<uint32_t>(magnitude))
                  : static_cast<int32_t>(magnitude);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::u16string IntToStr(int64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
  std::u16string out;
  AppendAscii(out, buffer);
  return out;
}

int64_t TFormatArg::asSigned() const {
  switch (kind_) {
    case Kind::Signed: return signed_;
    case Kind::Unsigned: return static_cast<int64_t>(unsigned_);
    case Kind::Float: return static_cast<int64_t>(float_);
    case Kind::Text: break;
  }
  return 0;
}

uint64_t TFormatArg::asUnsigned() const {
  return kind_ == Kind::Unsigned ? unsigned_ : static_cast<uint64_t>(asSigned());
}

double TFormatArg::asFloat() const {
  switch (kind_) {
    case Kind::Float: return float_;
    case Kind::Signed: return static_cast<double>(signed_);
    case Kind::Unsigned: return static_cast<double>(unsigned_);
    case Kind::Text: break;
  }
  return 0;
}

std::u16string StrFormat(std::u16string_view format, std::initializer_list<TFormatArg> args) {
  std::u16string out;
  out.reserve(format.size() + 16 * args.size());
  auto next = args.begin();
  size_t i = 0;
  while (i < format.size()) {
    const char16_t c = format[i++];
    if (c != u'%' || i >= format.size()) {
      out.push_back(c);
      continue;
    }
    if (format[i] == u'%') {
      out.push_back(u'%');
      ++i;
      continue;
    }
    bool left = false, zero = false;
    for (; i < format.size() && (format[i] == u'-' || format[i] == u'0'); ++i) {
      (format[i] == u'-' ? left : zero) = true;
    }
    int width = 0, precision = -1;
    for (; i < format.size() && format[i] >= u'0' && format[i] <= u'9'; ++i) width = width * 10 + (format[i] - u'0');
    if (i < format.size() && format[i] == u'.') {
      precision = 0;
      for (++i; i < format.size() && format[i] >= u'0' && format[i] <= u'9'; ++i) {
        precision = precision * 10 + (format[i] - u'0');
      }
    }
    if (i >= format.size()) break;
    const char16_t conv = format[i++];
    if (next == args.end()) continue;
    const TFormatArg& arg = *next++;
    std::u16string piece;
    char buffer[64];
    switch (conv) {
      case u's':
        if (arg.kind() == TFormatArg::Kind::Text) {
          piece = arg.text();
          if (precision >= 0 && piece.size() > static_cast<size_t>(precision)) piece.resize(precision);
        } else if (arg.kind() == TFormatArg::Kind::Float) {
          std::snprintf(buffer, sizeof buffer, "%g", arg.asFloat());
          AppendAscii(piece, buffer);
        } else {
          piece = IntToStr(arg.asSigned());
        }
        zero = false;
        break;
      case u'd':
      case u'i':
        std::snprintf(buffer, sizeof buffer, "%.*lld", precision < 0 ? 1 : precision,
                      static_cast<long long>(arg.asSigned()));
        AppendAscii(piece, buffer);
        break;
      case u'u':
        std::snprintf(buffer, sizeof buffer, "%.*llu", precision < 0 ? 1 : precision,
                      static_cast<unsigned long long>(arg.asUnsigned()));
        AppendAscii(piece, buffer);
        break;
      case u'x':
      case u'X':
        std::snprintf(buffer, sizeof buffer, conv == u'x' ? "%.*llx" : "%.*llX", precision < 0 ? 1 : precision,
                      static_cast<unsigned long long>(arg.asUnsigned()));
        AppendAscii(piece, buffer);
        break;
      case u'f': {
        const double v = arg.asFloat();
        if (std::isfinite(v)) {
          std::snprintf(buffer, sizeof buffer, "%.*f", precision < 0 ? 6 : precision, v);
          AppendAscii(piece, buffer);
        } else {
          AppendAscii(piece, std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF"));
        }
        break;
      }
      default:
        // Unknown conversion: written back as it stood.
        piece.push_back(u'%');
        piece.push_back(conv);
        break;
    }
    if (static_cast<int>(piece.size()) < width) {
      const size_t pad = width - piece.size();
      if (left) {
        piece.append(pad, u' ');
      } else if (zero) {
        const size_t at = !piece.empty() && piece[0] == u'-' ? 1 : 0;
        piece.insert(at, pad, u'0');
      } else {
        piece.insert(0, pad, u' ');
      }
    }
    out += piece;
  }
  return out;
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

std::u16string UpperCaseAscii(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = UpperAscii(c);
  return out;
}

std::u16string LowerCaseAscii(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = LowerAscii(c);
  return out;
}

std::u16string_view TrimBlanks(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] <= u' ') ++b;
  while (e > b && text[e - 1] <= u' ') --e;
  return text.substr(b, e - b);
}
