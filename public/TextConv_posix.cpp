// Native build: the system code pages are those of the users' machines, code
// page 936, so that core code sees the same bytes as under Windows.
#include <iconv.h>

#include <cerrno>
#include <string>

#include "TextConv.h"

namespace {

std::string IconvName(unsigned codePage) {
  switch (codePage) {
    case kCodePageAnsi:
    case kCodePageOem: return "CP936";
    case kCodePageUtf8: return "UTF-8";
    default: return "CP" + std::to_string(codePage);
  }
}

// Converts with iconv; bytes it cannot convert are replaced by `bad` and
// skipped one at a time, as the platform's converters do.
std::string Convert(const std::string& to, const std::string& from, std::string_view in,
                    std::string_view bad, size_t badStep) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  std::string buffer(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer.data(), buffer.size() - dstLeft);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      out.append(bad);
      const size_t step = badStep < srcLeft ? badStep : srcLeft;
      src += step;
      srcLeft -= step;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::u16string CodePageToUtf16(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const std::string utf16 = Convert("UTF-16LE", IconvName(codePage), bytes, std::string("\xFD\xFF", 2), 1);
  return Utf16LeBytesToUtf16(utf16);
}

std::string Utf16ToCodePage(unsigned codePage, std::u16string_view text) {
  if (text.empty()) return {};
  return Convert(IconvName(codePage), "UTF-16LE", Utf16ToUtf16LeBytes(text), "?", 2);
}
