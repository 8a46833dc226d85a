// Native half of the JSON library: a comparison that orders as the Windows
// user locale does for ASCII (letters alphabetically, a lower case letter
// before its capital).
#include "JsonText.h"
#include "NativeStrings.h"

int JsonCompareText(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = LowerAscii(a[i]), y = LowerAscii(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  if (!caseSensitive) return 0;
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] > b[i] ? -1 : 1;  // lower case (the greater unit) first
  }
  return 0;
}
