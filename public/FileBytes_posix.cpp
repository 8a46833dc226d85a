#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "FileBytes.h"
#include "TextConv.h"

namespace {

[[noreturn]] void RaiseErrno(const char16_t* what, std::u16string_view fileName) {
  RaiseFileError(what, fileName, Utf8ToUtf16(std::strerror(errno)));
}

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string ReadFileBytes(std::u16string_view fileName) {
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(Utf16ToUtf8(fileName).c_str(), "rb"));
  if (!file) RaiseErrno(u"Cannot open file", fileName);
  struct stat st;
  if (fstat(fileno(file.get()), &st) != 0) RaiseErrno(u"Cannot read file", fileName);
  CheckFileSize(static_cast<uint64_t>(st.st_size), fileName);
  std::string bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
  if (std::ferror(file.get())) RaiseErrno(u"Cannot read file", fileName);
  return bytes;
}

void WriteFileBytes(std::u16string_view fileName, std::string_view bytes) {
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(Utf16ToUtf8(fileName).c_str(), "wb"));
  if (!file) RaiseErrno(u"Cannot create file", fileName);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) RaiseErrno(u"Cannot write file", fileName);
  if (std::fclose(file.release()) != 0) RaiseErrno(u"Cannot write file", fileName);
}
