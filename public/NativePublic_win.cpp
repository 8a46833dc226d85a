#include "NativePublic_win.h"

#include <atomic>

#include "NativePaths.h"
#include "NativeStrings.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {
std::atomic<DWORD> g_mainThreadId{0};
}

std::u16string ModuleFileName(HMODULE module) {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(module, as_wcstr(path), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::u16string HostExecutablePath() { return ModuleFileName(nullptr); }

std::u16string HostExecutableDir() { return ExcludeTrailingBackslash(ExtractFilePath(HostExecutablePath())); }

std::u16string ResolveAppRelativePath(std::u16string_view path) {
  return ResolveAppRelativePath(path, HostExecutableDir());
}

DWORD MainThreadId() { return g_mainThreadId.load(std::memory_order_relaxed); }
bool IsMainThread() { return GetCurrentThreadId() == MainThreadId(); }
void SetMainThreadId(DWORD threadId) { g_mainThreadId.store(threadId, std::memory_order_relaxed); }

bool ForceDirectories(std::u16string_view dir) {
  const std::u16string path = ExcludeTrailingBackslash(dir);
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(as_wcstr(path.c_str()));
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const std::u16string parent = ExtractFileDir(path);
  // A top-level name; a missing drive ends here too ("X:" is its own parent).
  if (parent.empty() || parent == path) return CreateDirectoryW(as_wcstr(path.c_str()), nullptr) != 0;
  if (!ForceDirectories(parent)) return false;
  return CreateDirectoryW(as_wcstr(path.c_str()), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool IsDirectory(const std::u16string& path) {
  const DWORD a = GetFileAttributesW(as_wcstr(path.c_str()));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::u16string& path) {
  const DWORD a = GetFileAttributesW(as_wcstr(path.c_str()));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool SamePathText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareStringOrdinal(as_wcstr(a), static_cast<int>(a.size()), as_wcstr(b),
                                                      static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::u16string SystemErrorMessage(DWORD error) {
  unique_hlocal buffer;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, error, 0, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
  std::u16string text;
  if (n > 0 && buffer) text.assign(static_cast<const char16_t*>(buffer.get()), n);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) text.pop_back();
  if (text.empty()) text = StrFormat(u"System error %u", {static_cast<unsigned>(error)});
  return text;
}
