// The system's framing around the published ciphers, without the ciphers
// themselves: hexadecimal text, key forming, the AES text container and the
// DES-protected configuration container. The block transforms come from the
// platform's crypto provider (Cipher_win.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Every byte as two hexadecimal digits, no separators.
std::u16string BytesToHex(std::string_view bytes, bool upperCase);
// Two hexadecimal digits (either case) per byte; a lone final digit is one
// byte of its own. Anything that is not a hexadecimal digit raises
// ENativeError naming the offending pair.
std::string HexToBytes(std::u16string_view text);

// The key text used when a call passes an empty key, and the key text of
// encrypted page scripts.
inline constexpr char16_t kAesDefaultKeyText[] = u"Hq7!Tz3#Lm9$Vb2w";
inline constexpr char16_t kAesScriptKeyText[] = u"kelvorx.qpW2#&n58hhRaLMZ";

constexpr size_t kAesKeySize = 16;
constexpr size_t kAesBlockSize = 16;
constexpr size_t kAesHeaderSize = 8;

// The 128-bit key: the key text (the default key text when empty) in the
// system ANSI code page, its first 16 bytes, filled up with zero bytes.
std::string FormAesKey(std::u16string_view keyText);

// The clear layout of an AES text container: the 8-byte little-endian length
// of `plain`, then `plain` filled up with zero bytes to whole blocks. The
// bytes from kAesHeaderSize on are what gets encrypted.
std::string AesContainerLayout(std::string_view plain);

// The parts of a container read from bytes: raises ENativeError "Stream read
// error" when the header does not fit, "Invalid buffer size for decryption"
// unless a positive whole number of blocks follows.
struct TAesContainer {
  uint64_t length;
  std::string_view blocks;
};
TAesContainer ParseAesContainer(std::string_view bytes);

// The decrypted blocks cut to the header's length (never extended) and read
// as UTF-8; bytes that are not valid UTF-8 give empty text.
std::u16string AesContainerText(std::string_view decrypted, uint64_t length);

// The key text of protected configuration files.
inline constexpr char16_t kProtectedConfigKeyText[] = u"Wqnt7RZ3HUMBAX";

constexpr size_t kDesKeySize = 8;
constexpr size_t kDesBlockSize = 8;
constexpr size_t kProtectedDigestSize = 32;

// The 64-bit key: the key text cut or filled up with "?" to 8 units, the low
// byte of each unit in order.
std::string FormDesKey(std::u16string_view keyText);

// Status codes of ReadProtectedConfig.
enum TProtectedConfigStatus : int {
  kProtectedConfigOk = 0,
  kProtectedConfigUnreadable = -1,
  kProtectedConfigDigestMismatch = 2,
  kProtectedConfigDecryptError = 6,
};

// A protected file split into its stored digest text (the first 32 bytes, or
// all of a shorter file) and the payload.
struct TProtectedConfig {
  std::string_view digestText;
  std::string_view payload;
};
TProtectedConfig SplitProtectedConfig(std::string_view file);
// True when the stored digest text is exactly `payloadMd5` as upper-case
// hexadecimal text.
bool ProtectedDigestMatches(std::string_view digestText, std::string_view payloadMd5);
// The payload's whole 8-byte blocks; the bytes after them are stored clear.
inline size_t ProtectedBlockBytes(size_t payloadSize) { return payloadSize / kDesBlockSize * kDesBlockSize; }
