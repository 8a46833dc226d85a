#include "DelimitedText.h"

namespace {

bool IsSeparator(char16_t c, char16_t delimiter) { return c == delimiter || c == u'\r' || c == u'\n'; }

}  // namespace

std::vector<std::u16string> SplitDelimitedText(std::u16string_view text, char16_t delimiter) {
  std::vector<std::u16string> items;
  size_t i = 0;
  while (i < text.size()) {
    std::u16string item;
    const char16_t quote = text[i];
    if (quote == u'"' || quote == u'\'') {
      // Find the closing quote; a doubled quote is one quote character.
      std::u16string quoted;
      size_t j = i + 1;
      bool closed = false;
      while (j < text.size()) {
        if (text[j] == quote) {
          if (j + 1 < text.size() && text[j + 1] == quote) {
            quoted.push_back(quote);
            j += 2;
            continue;
          }
          closed = true;
          ++j;
          break;
        }
        quoted.push_back(text[j++]);
      }
      if (closed) {
        item = std::move(quoted);
        i = j;
      }
    }
    while (i < text.size() && !IsSeparator(text[i], delimiter)) item.push_back(text[i++]);
    if (!item.empty()) items.push_back(std::move(item));
    ++i;  // the separator
  }
  return items;
}
