#include <windows.h>

#include <atomic>

#include "NativePaths.h"
#include "NativePublic_win.h"
#include "NativeTrace.h"
#include "TextConv.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

std::atomic<TTraceTime (*)()> g_clock{nullptr};

TTraceTime SystemClock() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

void DebugOutputFailure(std::u16string_view message) {
  const std::string text = "[_NativeTrace]" + Utf16ToAnsi(message);
  OutputDebugStringA(text.c_str());
}

// One writer at a time: appends of concurrent writers sharing the file can
// overlap (not every file system appends atomically), so a writer that finds
// the file busy retries briefly and only then gives up its line. Readers may
// keep the file open.
unique_hfile OpenForAppending(const std::u16string& fileName) {
  constexpr int kAttempts = 10;
  for (int attempt = 1;; ++attempt) {
    unique_hfile file(CreateFileW(as_wcstr(fileName.c_str()), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || GetLastError() != ERROR_SHARING_VIOLATION || attempt == kAttempts) return file;
    Sleep(attempt < 4 ? 0 : 1);
  }
}

}  // namespace

void SetTraceClockForTesting(TTraceTime (*clock)()) { g_clock.store(clock); }

void _NativeTrace(std::u16string_view text) {
  if (IsDebuggerPresent()) {
    const std::u16string copy(text);
    OutputDebugStringW(as_wcstr(copy.c_str()));
    return;
  }
  try {
    const auto clock = g_clock.load();
    const TTraceTime now = clock ? clock() : SystemClock();
    const std::u16string fileName = TraceFileName(HostExecutablePath(), now);
    const std::u16string dir = ExtractFileDir(fileName);
    if (!ForceDirectories(dir)) {
      DebugOutputFailure(u"Unable to create directory " + dir + u". " + SystemErrorMessage(GetLastError()));
      return;
    }
    const unique_hfile file = OpenForAppending(fileName);
    if (!file) {
      DebugOutputFailure(u"Cannot open file \"" + fileName + u"\". " + SystemErrorMessage(GetLastError()));
      return;
    }
    const std::string line = Utf16ToAnsi(TraceLine(now, text)) + "\r\n";
    DWORD written = 0;
    if (!WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
      DebugOutputFailure(u"Stream write error. " + SystemErrorMessage(GetLastError()));
    }
  } catch (const std::exception& e) {
    OutputDebugStringA(("[_NativeTrace]" + Utf16ToAnsi(Utf8ToUtf16(e.what()))).c_str());
  }
}
