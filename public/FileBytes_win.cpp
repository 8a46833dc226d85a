#include <windows.h>

#include "FileBytes.h"
#include "NativePublic_win.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

[[noreturn]] void RaiseLastError(const char16_t* what, std::u16string_view fileName) {
  RaiseFileError(what, fileName, SystemErrorMessage(GetLastError()));
}

}  // namespace

std::string ReadFileBytes(std::u16string_view fileName) {
  const std::u16string name(fileName);
  unique_hfile file(CreateFileW(as_wcstr(name.c_str()), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseLastError(u"Cannot open file", fileName);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) RaiseLastError(u"Cannot read file", fileName);
  CheckFileSize(static_cast<uint64_t>(size.QuadPart), fileName);
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr)) {
      RaiseLastError(u"Cannot read file", fileName);
    }
    if (read == 0) break;  // shrunk since the size was taken
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

void WriteFileBytes(std::u16string_view fileName, std::string_view bytes) {
  const std::u16string name(fileName);
  unique_hfile file(CreateFileW(as_wcstr(name.c_str()), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseLastError(u"Cannot create file", fileName);
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() - done < (1u << 30) ? bytes.size() - done : (1u << 30));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      RaiseLastError(u"Cannot write file", fileName);
    }
    done += written;
  }
}
