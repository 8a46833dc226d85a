#include "FileBytes.h"

#include <climits>

#include "NativeError.h"

void RaiseFileError(const char16_t* what, std::u16string_view fileName, std::u16string_view reason) {
  throw ENativeError(std::u16string(what) + u" \"" + std::u16string(fileName) + u"\". " + std::u16string(reason));
}

void CheckFileSize(uint64_t size, std::u16string_view fileName) {
  if (size > INT_MAX) throw ENativeError(u"File too large: \"" + std::u16string(fileName) + u"\"");
}
