// The trace log as the library writes it: the monthly file beside the host
// executable, the line format in the ANSI code page, lost lines on failure
// reported to the debugger output, and whole lines from concurrent writers.
#include "NativeTrace.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "NativePaths.h"
#include "NativePublic_win.h"
#include "TextConv.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

TTraceTime g_now;
TTraceTime TestClock() { return g_now; }

// What OutputDebugString sent while a capture was active, as UTF-16.
class TDebugOutputCapture {
 public:
  TDebugOutputCapture() : handler_(AddVectoredExceptionHandler(1, &TDebugOutputCapture::Handler)) {}
  ~TDebugOutputCapture() { RemoveVectoredExceptionHandler(handler_); }

  static std::vector<std::u16string> Texts() {
    std::lock_guard<std::mutex> hold(Lock());
    return Store();
  }
  static void Clear() {
    std::lock_guard<std::mutex> hold(Lock());
    Store().clear();
  }

 private:
  static constexpr DWORD kPrintWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

  static std::mutex& Lock() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::u16string>& Store() {
    static std::vector<std::u16string> s;
    return s;
  }
  static LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    if ((r->ExceptionCode == DBG_PRINTEXCEPTION_C || r->ExceptionCode == kPrintWide) && r->NumberParameters >= 2) {
      std::u16string text;
      if (r->ExceptionCode == kPrintWide) {
        text = as_u16cstr(reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]));
      } else {
        text = AnsiToUtf16(reinterpret_cast<const char*>(r->ExceptionInformation[1]));
      }
      std::lock_guard<std::mutex> hold(Lock());
      Store().push_back(text);
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }

  void* handler_;
};

std::string ReadBytes(const std::u16string& path) {
  std::ifstream in(as_wcstr(path.c_str()), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class NativeTraceTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTraceClockForTesting(&TestClock); }
  void TearDown() override {
    SetTraceClockForTesting(nullptr);
    for (const std::u16string& f : files_) {
      DeleteFileW(as_wcstr(f.c_str()));
      RemoveDirectoryW(as_wcstr(f.c_str()));
    }
  }
  // The trace file of the month of `time`, removed after the test.
  std::u16string FileAt(const TTraceTime& time) {
    const std::u16string f = TraceFileName(HostExecutablePath(), time);
    DeleteFileW(as_wcstr(f.c_str()));
    files_.push_back(f);
    return f;
  }

  std::vector<std::u16string> files_;
};

TEST_F(NativeTraceTest, MonthlyFilesBesideTheExecutable) {
  const TTraceTime march{2024, 3, 31, 23, 59, 59};
  const TTraceTime april{2024, 4, 1, 0, 0, 0};
  const std::u16string marchFile = FileAt(march);
  const std::u16string aprilFile = FileAt(april);
  EXPECT_EQ(ExtractFileName(marchFile), ExtractFileName(ChangeFileExt(HostExecutablePath(), u"")) + u"_202403.log");

  g_now = march;
  _NativeTrace(u"plain");
  _NativeTraceInfo(u"note");
  _NativeTraceError(u"失败");
  _NativeTraceFmt(u"%s=%d", {u"count", 5});
  g_now = april;
  _NativeTrace(u"two\r\nlines");

  EXPECT_EQ(ReadBytes(marchFile), Utf16ToAnsi(u"【2024-03-31 23:59:59】plain\r\n"
                                              u"【2024-03-31 23:59:59】【信息】note\r\n"
                                              u"【2024-03-31 23:59:59】【异常】失败\r\n"
                                              u"【2024-03-31 23:59:59】【信息】count=5\r\n"));
  EXPECT_EQ(ReadBytes(aprilFile), Utf16ToAnsi(u"【2024-04-01 00:00:00】two\r\nlines\r\n"));
  if (GetACP() == 936) {
    // The users' code page: the full-width brackets are A1BE and A1BF.
    EXPECT_EQ(ReadBytes(aprilFile).substr(0, 2), "\xA1\xBE");
  }
}

TEST_F(NativeTraceTest, AFileThatCannotBeOpenedLosesTheLineQuietly) {
  g_now = {2024, 5, 1, 8, 0, 0};
  const std::u16string file = FileAt(g_now);
  struct Case {
    const char* name;
    std::function<unique_hfile()> block;
  };
  const Case cases[] = {
      // A directory where the file belongs: the place cannot be written.
      {"directory in the way",
       [&] {
         CreateDirectoryW(as_wcstr(file.c_str()), nullptr);
         return unique_hfile();
       }},
      // Another writer holds the file without sharing it.
      {"held without sharing",
       [&] {
         return unique_hfile(CreateFileW(as_wcstr(file.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
       }},
  };
  TDebugOutputCapture capture;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDebugOutputCapture::Clear();
    {
      unique_hfile holder = c.block();
      _NativeTrace(u"lost line");
    }
    const std::vector<std::u16string> texts = TDebugOutputCapture::Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0].rfind(u"[_NativeTrace]", 0), 0u) << Utf16ToUtf8(texts[0]);
    EXPECT_GT(texts[0].size(), std::u16string(u"[_NativeTrace]").size());
    EXPECT_EQ(ReadBytes(file).find("lost line"), std::string::npos);
    RemoveDirectoryW(as_wcstr(file.c_str()));
    DeleteFileW(as_wcstr(file.c_str()));
  }
}

TEST_F(NativeTraceTest, ConcurrentWritersLeaveWholeLines) {
  g_now = {1999, 1, 2, 3, 4, 5};
  const std::u16string file = FileAt(g_now);
  constexpr int kThreads = 4;
  constexpr int kLines = 200;
  const std::u16string padding(120, u'x');
  TDebugOutputCapture capture;
  TDebugOutputCapture::Clear();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) _NativeTrace(StrFormat(u"T%d L%03d %s", {t, i, padding}));
    });
  }
  for (std::thread& t : threads) t.join();
  const size_t reported = TDebugOutputCapture::Texts().size();

  const std::string text = ReadBytes(file);
  const std::string prefix = Utf16ToAnsi(u"【1999-01-02 03:04:05】");
  std::set<std::string> seen;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "unterminated line at " << pos;
    const std::string line = text.substr(pos, end - pos);
    ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
    const std::string body = line.substr(prefix.size());
    int t = -1, i = -1;
    char rest[200] = {};
    ASSERT_EQ(sscanf(body.c_str(), "T%d L%d %199s", &t, &i, rest), 3) << line;
    EXPECT_EQ(body, "T" + std::to_string(t) + " L" +
                        (i < 10    ? "00"
                         : i < 100 ? "0"
                                   : "") +
                        std::to_string(i) + " " + std::string(120, 'x'));
    EXPECT_TRUE(seen.insert(body).second) << "twice: " << line;
    pos = end + 2;
  }
  // A writer that finds the file busy for too long gives up its line, and
  // says so on the debugger output.
  EXPECT_FALSE(seen.empty());
  EXPECT_EQ(seen.size() + reported, static_cast<size_t>(kThreads * kLines));
}

}  // namespace
