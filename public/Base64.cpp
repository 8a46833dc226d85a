#include "Base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int8_t kPad = 64;
constexpr int8_t kSkip = -1;

constexpr std::array<int8_t, 256> MakeDecodeTable() {
  std::array<int8_t, 256> table{};
  for (auto& v : table) v = kSkip;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
  table['='] = kPad;
  return table;
}

constexpr std::array<int8_t, 256> kDecode = MakeDecodeTable();

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string Base64Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  int8_t group[4];
  size_t n = 0;
  // Writes the bytes of `count` collected characters (2, 3 or 4): one fewer
  // than the characters before the group's first "=".
  auto flush = [&](size_t count) {
    size_t data = 0;
    while (data < count && group[data] != kPad) ++data;
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) v = v << 6 | (k < data ? group[k] : 0);
    if (data >= 2) out += static_cast<char>(v >> 16);
    if (data >= 3) out += static_cast<char>((v >> 8) & 0xFF);
    if (data >= 4) out += static_cast<char>(v & 0xFF);
  };
  for (char c : text) {
    const int8_t v = kDecode[static_cast<unsigned char>(c)];
    if (v == kSkip) continue;
    group[n++] = v;
    if (n == 4) {
      flush(4);
      n = 0;
    }
  }
  if (n >= 2) flush(n);
  return out;
}
