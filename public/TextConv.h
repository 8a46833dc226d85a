// Text conversions between the library's UTF-16 strings and byte encodings.
// UTF-8 is core code; the system code pages (ANSI, OEM, any numbered one) go
// through the platform: WideCharToMultiByte/MultiByteToWideChar on Windows,
// iconv with code page 936 as the stand-in for both system code pages in the
// native build (the users' code page).
#pragma once

#include <string>
#include <string_view>

// Invalid or truncated sequences become U+FFFD, one per maximal bad subpart.
std::u16string Utf8ToUtf16(std::string_view bytes);
// Strict form: false (and `out` cleared) when `bytes` is not valid UTF-8.
// Overlong forms, surrogate code points and values above U+10FFFF are invalid.
bool TryUtf8ToUtf16(std::string_view bytes, std::u16string& out);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16LE bytes (no mark) to text; a trailing odd byte is dropped.
std::u16string Utf16LeBytesToUtf16(std::string_view bytes);
// Text to UTF-16LE bytes without a mark.
std::string Utf16ToUtf16LeBytes(std::u16string_view text);

constexpr unsigned kCodePageAnsi = 0;  // CP_ACP
constexpr unsigned kCodePageOem = 1;   // CP_OEMCP
constexpr unsigned kCodePageUtf8 = 65001;

// Bytes that the code page cannot decode come out as the platform decodes
// them (U+FFFD or the code page's default); text it cannot encode becomes
// the code page's default character ("?").
std::u16string CodePageToUtf16(unsigned codePage, std::string_view bytes);
std::string Utf16ToCodePage(unsigned codePage, std::u16string_view text);

inline std::u16string AnsiToUtf16(std::string_view bytes) {
  return CodePageToUtf16(kCodePageAnsi, bytes);
}
inline std::string Utf16ToAnsi(std::u16string_view text) {
  return Utf16ToCodePage(kCodePageAnsi, text);
}
inline std::u16string OemToUtf16(std::string_view bytes) {
  return CodePageToUtf16(kCodePageOem, bytes);
}

// ASCII-only text (literals, numbers) widened unit by unit.
std::u16string AsciiToUtf16(std::string_view ascii);
