#include "ShellProcess_win.h"

#include <shellapi.h>

#include <string>

#include "NativePaths.h"
#include "NativePublic_win.h"
#include "WinComObject.h"
#include "WinText.h"

unique_handle RunShellProcess(std::u16string_view file, std::u16string_view params, int showCmd, bool runAsAdmin) {
  if (file.empty()) return unique_handle();
  const std::u16string fileText(file);
  const std::u16string paramText(params);
  const std::u16string dir = ExtractFileDir(file);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  // No error boxes: failures are reported through the result, and a box
  // would stall a worker thread or the host's main thread. NOASYNC because
  // the calling thread may end right after the start.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = runAsAdmin ? L"runas" : nullptr;
  info.lpFile = as_wcstr(fileText.c_str());
  info.lpParameters = paramText.empty() ? nullptr : as_wcstr(paramText.c_str());
  info.lpDirectory = !dir.empty() && IsDirectory(dir) ? as_wcstr(dir.c_str()) : nullptr;
  info.nShow = showCmd;
  // The shell may hand the start to extensions through COM, and callers
  // include worker threads that never initialised it.
  const TComApartment com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const BOOL started = ShellExecuteExW(&info);
  if (!started) return unique_handle();
  return unique_handle(info.hProcess);
}

bool RunShellProcessAndWait(std::u16string_view file, std::u16string_view params, int showCmd, bool runAsAdmin) {
  const unique_handle process = RunShellProcess(file, params, showCmd, runAsAdmin);
  if (!process) return false;
  WaitForSingleObject(process.get(), INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.get(), &exitCode);
  return true;
}
