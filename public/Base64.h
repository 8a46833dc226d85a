// Base64 over bytes: the standard alphabet with "=" padding.
#pragma once

#include <string>
#include <string_view>

// Standard alphabet (A-Z, a-z, 0-9, "+", "/"), "=" padding, no line breaks.
std::string Base64Encode(std::string_view bytes);

// Lenient reader: units outside the alphabet and "=" (line breaks, blanks and
// the like) are skipped. Each group of four gives three bytes, or one fewer
// than the characters before its first "=" (one when "=" stands in the third
// place, two in the fourth, none earlier); a final group of two or three
// characters decodes as if it were padded, a lone final character gives
// nothing.
std::string Base64Decode(std::string_view text);
