// Small text helpers shared by every module: number reading and writing,
// formatting with printf-style placeholders, ASCII case folding and trimming.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Integer reading as the system has always done it: optional leading spaces,
// optional "-" or "+", then decimal digits, or hexadecimal digits after one of
// the prefixes "$", "x", "X", "0x", "0X"; nothing may follow. Values outside the
// signed 64-bit range fail.
bool TryStrToInt64(std::u16string_view text, int64_t& value);

// A 32-bit integer parameter: decimal within the 32-bit range, or hexadecimal
// (prefixes as above) up to 0xFFFFFFFF taken as the 32-bit pattern, so that
// "0x80000001" names the predefined registry key it spells. Anything else
// gives `def`.
int32_t StrToIntDef(std::u16string_view text, int32_t def);

std::u16string IntToStr(int64_t value);

// The value of a hexadecimal digit of either case, or -1.
int HexDigit(char16_t c);

// One argument of StrFormat.
class TFormatArg {
 public:
  enum class Kind { Text, Signed, Unsigned, Float };
  TFormatArg(std::u16string_view text) : kind_(Kind::Text), text_(text) {}
  TFormatArg(const std::u16string& text) : kind_(Kind::Text), text_(text) {}
  TFormatArg(const char16_t* text) : kind_(Kind::Text), text_(text ? text : u"") {}
  TFormatArg(int value) : kind_(Kind::Signed), signed_(value) {}
  TFormatArg(long value) : kind_(Kind::Signed), signed_(value) {}
  TFormatArg(long long value) : kind_(Kind::Signed), signed_(value) {}
  TFormatArg(unsigned value) : kind_(Kind::Unsigned), unsigned_(value) {}
  TFormatArg(unsigned long value) : kind_(Kind::Unsigned), unsigned_(value) {}
  TFormatArg(unsigned long long value) : kind_(Kind::Unsigned), unsigned_(value) {}
  TFormatArg(double value) : kind_(Kind::Float), float_(value) {}

  Kind kind() const { return kind_; }
  std::u16string_view text() const { return text_; }
  int64_t asSigned() const;
  uint64_t asUnsigned() const;
  double asFloat() const;

 private:
  Kind kind_;
  std::u16string_view text_;
  int64_t signed_ = 0;
  uint64_t unsigned_ = 0;
  double float_ = 0;
};

// printf-style formatting of wide text: %s, %d, %u, %x, %X, %f with the
// flags "-" and "0", a width and a precision ("%.2f", "%02d"), and "%%".
// A placeholder without an argument, or of the wrong kind, is written as the
// argument converts best; missing arguments write nothing.
std::u16string StrFormat(std::u16string_view format, std::initializer_list<TFormatArg> args);

// ASCII letters compared and converted without regard to case; other units
// are compared exactly.
bool SameTextAscii(std::u16string_view a, std::u16string_view b);
std::u16string UpperCaseAscii(std::u16string_view text);
std::u16string LowerCaseAscii(std::u16string_view text);
inline char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; }
inline char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

// Drops blanks and control characters (units up to U+0020) at both ends.
std::u16string_view TrimBlanks(std::u16string_view text);
