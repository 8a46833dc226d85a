// Splitting of delimited lists as pages and hosts write them (file dialog
// results, query strings). Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The items of `text` separated by `delimiter`, carriage return or line
// feed. An item that begins with a single or double quote runs to the
// matching quote and keeps any separator inside (a doubled quote inside
// stands for one); the quotes are dropped, and text after the closing quote
// up to the next separator belongs to the item. A quote without its match is
// an ordinary character. Empty items are skipped; nothing is trimmed.
std::vector<std::u16string> SplitDelimitedText(std::u16string_view text, char16_t delimiter);
