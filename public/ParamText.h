// The parameter text: items name + "=" + value + ";" one after another, in
// which processes and sibling libraries exchange short records. In values
// "=" is written as "&eq%" and ";" as "&lim%"; names are not escaped.
#pragma once

#include <string>
#include <string_view>

std::u16string ParamTextEscape(std::u16string_view value);
// Undoes "&eq%" first, then "&lim%".
std::u16string ParamTextUnescape(std::u16string_view value);

// Appends name + "=" + escaped value + ";" to `list`.
void ParamTextAdd(std::u16string_view name, std::u16string_view value, std::u16string& list);

// The unescaped value of the item `name` (names compared exactly), up to the
// next ";" or the end; `def` when there is none. An item that starts the list
// or follows a ";" wins over an occurrence of name + "=" inside another
// item's name ("a=" inside "ba=1;"), which is only taken when no item of
// that name exists, as records written loosely by peers have always been
// read.
std::u16string ParamTextGet(std::u16string_view list, std::u16string_view name, std::u16string_view def);
