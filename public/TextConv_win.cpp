#include <windows.h>

#include <climits>

#include "TextConv.h"
#include "WinText.h"

namespace {

UINT PlatformCodePage(unsigned codePage) {
  switch (codePage) {
    case kCodePageAnsi: return CP_ACP;
    case kCodePageOem: return CP_OEMCP;
    default: return codePage;
  }
}

}  // namespace

std::u16string CodePageToUtf16(unsigned codePage, std::string_view bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  const UINT cp = PlatformCodePage(codePage);
  const int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), as_wcstr(out), n);
  return out;
}

std::string Utf16ToCodePage(unsigned codePage, std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const UINT cp = PlatformCodePage(codePage);
  const int n = WideCharToMultiByte(cp, 0, as_wcstr(text), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, as_wcstr(text), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}
