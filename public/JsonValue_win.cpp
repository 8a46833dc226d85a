// Windows half of the JSON library: files and the user locale's comparison.
#include <windows.h>

#include "JsonText.h"
#include "NativePublic_win.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

[[noreturn]] void RaiseFileError(const char16_t* what, std::u16string_view fileName, DWORD error) {
  throw EJsonException(std::u16string(what) + u" \"" + std::u16string(fileName) + u"\". " + SystemErrorMessage(error));
}

}  // namespace

int JsonCompareText(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
  const int r = CompareStringW(LOCALE_USER_DEFAULT, caseSensitive ? 0 : NORM_IGNORECASE, as_wcstr(a),
                               static_cast<int>(a.size()), as_wcstr(b), static_cast<int>(b.size()));
  return r == 0 ? 0 : r - CSTR_EQUAL;
}

std::string JsonReadFileBytes(std::u16string_view fileName) {
  const std::u16string name(fileName);
  unique_hfile file(CreateFileW(as_wcstr(name), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseFileError(u"Cannot open file", fileName, GetLastError());
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) RaiseFileError(u"Cannot read file", fileName, GetLastError());
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() - done < (1u << 30) ? bytes.size() - done : (1u << 30));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) {
      RaiseFileError(u"Cannot read file", fileName, GetLastError());
    }
    if (read == 0) break;
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

void JsonWriteFileBytes(std::u16string_view fileName, std::string_view bytes) {
  const std::u16string name(fileName);
  unique_hfile file(CreateFileW(as_wcstr(name), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseFileError(u"Cannot create file", fileName, GetLastError());
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() - done < (1u << 30) ? bytes.size() - done : (1u << 30));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      RaiseFileError(u"Cannot write file", fileName, GetLastError());
    }
    done += written;
  }
}
