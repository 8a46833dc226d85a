// Native half of the JSON library: files, and a comparison that orders as
// the Windows user locale does for ASCII (letters alphabetically, a lower
// case letter before its capital).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "JsonText.h"
#include "NativeStrings.h"
#include "TextConv.h"

namespace {

[[noreturn]] void RaiseFileError(const char16_t* what, std::u16string_view fileName, int error) {
  throw EJsonException(std::u16string(what) + u" \"" + std::u16string(fileName) + u"\". " +
                       Utf8ToUtf16(std::strerror(error)));
}

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

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

std::string JsonReadFileBytes(std::u16string_view fileName) {
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(Utf16ToUtf8(fileName).c_str(), "rb"));
  if (!file) RaiseFileError(u"Cannot open file", fileName, errno);
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
  if (std::ferror(file.get())) RaiseFileError(u"Cannot read file", fileName, errno);
  return bytes;
}

void JsonWriteFileBytes(std::u16string_view fileName, std::string_view bytes) {
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(Utf16ToUtf8(fileName).c_str(), "wb"));
  if (!file) RaiseFileError(u"Cannot create file", fileName, errno);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    RaiseFileError(u"Cannot write file", fileName, errno);
  }
  if (std::fclose(file.release()) != 0) RaiseFileError(u"Cannot write file", fileName, errno);
}
