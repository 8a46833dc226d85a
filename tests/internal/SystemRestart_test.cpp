// Restart with its starter replaced: the command text it hands the command
// shell, without killing this process.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "NativeMethod_win.h"
#include "WinText.h"

namespace {

struct TStart {
  std::u16string file, params;
  int showCmd;
  bool runAsAdmin;
};
std::vector<TStart> g_starts;

bool RecordStart(const std::u16string& file, const std::u16string& params, int showCmd, bool runAsAdmin) {
  g_starts.push_back({file, params, showCmd, runAsAdmin});
  return true;
}

TEST(SystemRestart, HandsTheCommandShellTheKillAndStartText) {
  NativeServicesInitialize();
  TNativeMethod* native = NativeMethodObject();
  ASSERT_NE(native, nullptr);
  native->SetRestartStarterForTesting(RecordStart);
  native->Restart();
  native->SetRestartStarterForTesting(nullptr);
  NativeServicesFinalize();

  // The expected text from the system's own view of this process.
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::u16string expected = u"/c taskkill /f /PID " + std::u16string(as_u16view(std::to_wstring(GetCurrentProcessId()).c_str())) +
                            u" & start \"\" \"" + std::u16string(as_u16view(exe)) + u"\"";
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  ASSERT_NE(argv, nullptr);
  for (int i = 1; i < argc; ++i) expected += u" \"" + std::u16string(as_u16view(argv[i])) + u"\"";
  LocalFree(argv);

  ASSERT_EQ(g_starts.size(), 1u);
  EXPECT_EQ(g_starts[0].file, u"cmd.exe");
  EXPECT_EQ(g_starts[0].params, expected);
  EXPECT_EQ(g_starts[0].showCmd, SW_HIDE);
  EXPECT_FALSE(g_starts[0].runAsAdmin);
}

}  // namespace
