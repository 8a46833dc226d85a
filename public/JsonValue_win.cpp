// Windows half of the JSON library: the user locale's comparison.
#include <windows.h>

#include "JsonText.h"
#include "WinText.h"

int JsonCompareText(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
  const int r = CompareStringW(LOCALE_USER_DEFAULT, caseSensitive ? 0 : NORM_IGNORECASE, as_wcstr(a),
                               static_cast<int>(a.size()), as_wcstr(b), static_cast<int>(b.size()));
  if (r != 0) return r - CSTR_EQUAL;
  // The platform refused: unit by unit, so that a failure never reads as equal.
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}
