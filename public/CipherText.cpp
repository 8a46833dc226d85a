#include "CipherText.h"

#include "NativeError.h"
#include "NativeStrings.h"
#include "TextConv.h"

std::u16string BytesToHex(std::string_view bytes, bool upperCase) {
  const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string out(bytes.size() * 2, u'0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out[2 * i] = digits[b >> 4];
    out[2 * i + 1] = digits[b & 15];
  }
  return out;
}

std::string HexToBytes(std::u16string_view text) {
  std::string out;
  out.reserve((text.size() + 1) / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const std::u16string_view pair = text.substr(i, 2);
    int value = 0;
    for (char16_t c : pair) {
      const int d = HexDigit(c);
      if (d < 0) throw ENativeError(u"'" + std::u16string(pair) + u"' is not a valid hexadecimal number");
      value = value << 4 | d;
    }
    out += static_cast<char>(value);
  }
  return out;
}

std::string FormAesKey(std::u16string_view keyText) {
  std::string key = Utf16ToAnsi(keyText.empty() ? std::u16string_view(kAesDefaultKeyText) : keyText);
  key.resize(kAesKeySize, '\0');
  return key;
}

std::string AesContainerLayout(std::string_view plain) {
  const size_t blocks = (plain.size() + kAesBlockSize - 1) / kAesBlockSize;
  std::string out(kAesHeaderSize + blocks * kAesBlockSize, '\0');
  uint64_t length = plain.size();
  for (size_t i = 0; i < kAesHeaderSize; ++i, length >>= 8) out[i] = static_cast<char>(length & 0xFF);
  out.replace(kAesHeaderSize, plain.size(), plain);
  return out;
}

TAesContainer ParseAesContainer(std::string_view bytes) {
  if (bytes.size() < kAesHeaderSize) throw ENativeError(u"Stream read error");
  uint64_t length = 0;
  for (size_t i = kAesHeaderSize; i-- > 0;) length = length << 8 | static_cast<unsigned char>(bytes[i]);
  const std::string_view blocks = bytes.substr(kAesHeaderSize);
  if (blocks.empty() || blocks.size() % kAesBlockSize != 0) throw ENativeError(u"Invalid buffer size for decryption");
  return {length, blocks};
}

std::u16string AesContainerText(std::string_view decrypted, uint64_t length) {
  if (length < decrypted.size()) decrypted = decrypted.substr(0, static_cast<size_t>(length));
  std::u16string text;
  TryUtf8ToUtf16(decrypted, text);
  return text;
}

std::string FormDesKey(std::u16string_view keyText) {
  std::string key(kDesKeySize, '?');
  for (size_t i = 0; i < kDesKeySize && i < keyText.size(); ++i) key[i] = static_cast<char>(keyText[i] & 0xFF);
  return key;
}

TProtectedConfig SplitProtectedConfig(std::string_view file) {
  const size_t n = file.size() < kProtectedDigestSize ? file.size() : kProtectedDigestSize;
  return {file.substr(0, n), file.substr(n)};
}

bool ProtectedDigestMatches(std::string_view digestText, std::string_view payloadMd5) {
  const std::u16string expected = BytesToHex(payloadMd5, true);
  if (digestText.size() != expected.size()) return false;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (static_cast<char16_t>(static_cast<unsigned char>(digestText[i])) != expected[i]) return false;
  }
  return true;
}
