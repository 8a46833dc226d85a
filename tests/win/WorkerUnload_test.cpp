// Unloading the library while its workers are busy: FreeLibrary from the
// host's main thread and the end of the host process both return, every
// worker thread is gone, and each busy worker is logged. BusyWorkers.dll is
// the library's own objects and entry point with an export that starts the
// workers (tests/fixtures/busyworkers).
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "NativePaths.h"
#include "NativePublic_win.h"
#include "NativeTrace.h"
#include "TestHost.h"
#include "TextConv.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

const char16_t* const kBusyNames[] = {u"busy:ignore", u"busy:poll", u"busy:progress", u"busy:sync", u"busy:done"};

TTraceTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::u16string LogFileOf(std::u16string_view exePath) { return TraceFileName(exePath, Now()); }

std::u16string ReadAnsiFile(const std::u16string& path) {
  std::ifstream in(ToUtf8(path), std::ios::binary);
  return AnsiToUtf16(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

void ExpectDestroyLogged(const std::u16string& log) {
  for (const char16_t* name : kBusyNames) {
    const std::u16string line =
        std::u16string(u"【异常】[TBackgroundWorker.Destroy]在关闭应用程序之前, 必须先关闭【") + name + u"】";
    EXPECT_NE(log.find(line), std::u16string::npos) << ToUtf8(line) << "\nin\n" << ToUtf8(log);
  }
}

// The worker framework's windows in this process.
int LibraryWindows() {
  int n = 0;
  for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, L"TWorkerUtilWindow", nullptr)) != nullptr;) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    n += process == GetCurrentProcessId();
  }
  return n;
}

// Ends the process with a message should the test hang.
class TWatchdog {
 public:
  explicit TWatchdog(const char* what)
      : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), thread_([this, what] {
          if (WaitForSingleObject(done_.get(), 60000) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "hung: %s\n", what);
            std::fflush(stderr);
            ExitProcess(99);
          }
        }) {}
  ~TWatchdog() {
    SetEvent(done_.get());
    thread_.join();
  }

 private:
  unique_handle done_;
  std::thread thread_;
};

TEST(WorkerUnload, FreeLibraryWithBusyWorkersReturns) {
  // With the service object, its destruction removes the workers; without,
  // the worker framework's own unload does.
  for (const bool withServiceObject : {true, false}) {
    SCOPED_TRACE(withServiceObject ? "with the service object" : "without it");
    const std::u16string log = LogFileOf(HostExecutablePath());
    DeleteFileW(as_wcstr(log));
    TTestHost host(L"BusyWorkers.dll");
    ASSERT_TRUE(host.Loaded());
    if (withServiceObject) {
      ASSERT_NE(host.Native(), nullptr);
    }
    using StartFn = int(STDMETHODCALLTYPE*)(DWORD*);
    const auto start =
        reinterpret_cast<StartFn>(reinterpret_cast<void*>(GetProcAddress(host.Library(), "StartBusyWorkers")));
    ASSERT_NE(start, nullptr);
    DWORD threads[5] = {};
    ASSERT_EQ(start(threads), 5);
    EXPECT_GT(LibraryWindows(), 5);
    unique_handle handles[5];
    for (int i = 0; i < 5; ++i) {
      handles[i].reset(OpenThread(SYNCHRONIZE, FALSE, threads[i]));
      ASSERT_TRUE(handles[i]) << i;
    }
    {
      TWatchdog watchdog("FreeLibrary");
      host.Unload();
    }
    for (int i = 0; i < 5; ++i) EXPECT_EQ(WaitForSingleObject(handles[i].get(), 5000), WAIT_OBJECT_0) << i;
    // Nothing of the library is left to receive a message.
    host.PumpUntil([] { return false; }, 200);
    EXPECT_EQ(LibraryWindows(), 0);
    ExpectDestroyLogged(ReadAnsiFile(log));
  }
}

TEST(WorkerUnload, ProcessExitWithBusyWorkersEnds) {
  const std::u16string exe = HostExecutableDir() + u"\\BusyWorkersExit.exe";
  const std::u16string log = LogFileOf(exe);
  DeleteFileW(as_wcstr(log));
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::u16string commandLine = u"\"" + exe + u"\"";
  ASSERT_TRUE(CreateProcessW(as_wcstr(exe), as_wcstr(commandLine), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                             &pi));
  unique_handle process(pi.hProcess), thread(pi.hThread);
  ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0) << "the process did not end";
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 0u);
  ExpectDestroyLogged(ReadAnsiFile(log));
}

}  // namespace
