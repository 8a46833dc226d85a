#include "TextConv.h"

namespace {

// Decodes one UTF-8 sequence at bytes[i]; returns the code point or -1 for an
// ill-formed sequence, and sets `length` to the units consumed (for an
// ill-formed sequence: the maximal subpart, at least 1).
long DecodeUtf8(std::string_view bytes, size_t i, size_t& length) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char b0 = byte(i);
  length = 1;
  if (b0 < 0x80) return b0;
  int count;
  unsigned long cp;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    count = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    count = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    count = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return -1;
  }
  for (int k = 1; k <= count; ++k) {
    if (i + k >= bytes.size()) return -1;
    const unsigned char b = byte(i + k);
    if (b < lo || b > hi) return -1;
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (b & 0x3F);
    length = k + 1;
  }
  return static_cast<long>(cp);
}

void AppendCodePoint(std::u16string& out, unsigned long cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

template <bool Strict>
bool DecodeAll(std::string_view bytes, std::u16string& out) {
  out.clear();
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    // Runs of ASCII are the common case.
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    size_t length;
    const long cp = DecodeUtf8(bytes, i, length);
    if (cp < 0) {
      if (Strict) {
        out.clear();
        return false;
      }
      out.push_back(u'\uFFFD');
    } else {
      AppendCodePoint(out, static_cast<unsigned long>(cp));
    }
    i += length;
  }
  return true;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  DecodeAll<false>(bytes, out);
  return out;
}

bool TryUtf8ToUtf16(std::string_view bytes, std::u16string& out) {
  return DecodeAll<true>(bytes, out);
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned long cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string Utf16LeBytesToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return out;
}

std::string Utf16ToUtf16LeBytes(std::u16string_view text) {
  std::string out(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    out[2 * i] = static_cast<char>(text[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return out;
}

std::u16string AsciiToUtf16(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}
