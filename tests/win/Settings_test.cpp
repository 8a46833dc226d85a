// The page's trace line and the area code with every source it is read
// from, through the real library.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "NativePaths.h"
#include "NativePublic_win.h"
#include "NativeTrace.h"
#include "TestHost.h"
#include "TextConv.h"
#include "WinText.h"

namespace {

std::string ReadBytes(const std::u16string& path) {
  std::ifstream in(as_wcstr(path.c_str()), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::u16string& path, const std::string& bytes) {
  std::ofstream out(as_wcstr(path.c_str()), std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(as_wcstr(path.c_str())) != INVALID_FILE_ATTRIBUTES;
}

TTraceTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

TEST(Log, PagesAndHostsWriteTheTextUnchanged) {
  TTestHost host;
  const std::u16string file = TraceFileName(HostExecutablePath(), Now());
  const std::u16string pageText = u"页面日志 " + std::u16string(u"【信息】") + u"as sent";
  const TCallOutcome call = host.Call(u"Log", {{u"msg", pageText}});
  EXPECT_TRUE(call.response.Finished());
  EXPECT_EQ(call.response.resultKind, TResponseRecord::ResultKind::None);
  ASSERT_EQ(host.Native()->Log(L"from the host"), S_OK);
  ASSERT_EQ(host.Native()->Log(nullptr), S_OK);

  // Lines end with the page's text, then the host's and the empty one.
  const std::string text = ReadBytes(file);
  const size_t page = text.rfind(Utf16ToAnsi(u"】" + pageText + u"\r\n"));
  ASSERT_NE(page, std::string::npos) << text;
  const size_t native = text.find(Utf16ToAnsi(u"】from the host\r\n"), page);
  ASSERT_NE(native, std::string::npos) << text;
  const std::string emptyLineEnd = Utf16ToAnsi(u"】\r\n");
  EXPECT_EQ(text.substr(text.size() - emptyLineEnd.size()), emptyLineEnd);
  DeleteFileW(as_wcstr(file.c_str()));
}

// The area code's sources: the override, Config\EnviParams.cfg beside the
// host executable, KVCommon.ini on the Windows directory's drive. Existing
// files of the machine are set aside for the test and put back after it.
class AreaCode : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    commonDir_ = ExtractFileDrive(as_u16cstr(windows)) + u"\\Kelvor\\Common\\";
    ini_ = commonDir_ + u"KVCommon.ini";
    configDir_ = HostExecutableDir() + u"\\Config";
    config_ = configDir_ + u"\\EnviParams.cfg";
    for (const std::u16string* f : {&ini_, &config_}) {
      MoveFileExW(as_wcstr(f->c_str()), as_wcstr((*f + u".kvtest-saved").c_str()), MOVEFILE_REPLACE_EXISTING);
    }
    ASSERT_EQ(host_.Native()->SetAreaCode(L""), S_OK);
  }
  void TearDown() override {
    for (const std::u16string* f : {&ini_, &config_}) {
      DeleteFileW(as_wcstr(f->c_str()));
      MoveFileW(as_wcstr((*f + u".kvtest-saved").c_str()), as_wcstr(f->c_str()));
    }
    RemoveDirectoryW(as_wcstr(configDir_.c_str()));
  }

  std::u16string PageAreaCode() {
    const TCallOutcome call = host_.Call(u"GetAreaCode");
    EXPECT_TRUE(call.response.Finished());
    EXPECT_EQ(call.response.resultKind, TResponseRecord::ResultKind::String);
    return call.response.text;
  }
  std::u16string NativeAreaCode() {
    TBstr value;
    EXPECT_EQ(host_.Native()->GetAreaCode(value.put()), S_OK);
    return value.str();
  }
  void WriteIni(const std::string& text) {
    CreateDirectoryW(as_wcstr(commonDir_.c_str()), nullptr);
    WriteBytes(ini_, text);
  }

  TTestHost host_;
  std::u16string commonDir_, ini_, configDir_, config_;
};

TEST_F(AreaCode, NothingConfiguredGivesZerosAndCreatesTheCommonFolder) {
  RemoveDirectoryW(as_wcstr(commonDir_.c_str()));
  EXPECT_EQ(PageAreaCode(), u"000000");
  EXPECT_TRUE(Exists(commonDir_));
  EXPECT_EQ(NativeAreaCode(), u"000000");
}

TEST_F(AreaCode, OverrideIsNormalisedAndEmptyClearsIt) {
  WriteIni("[Common]\r\nAreacode=310000\r\n");
  struct Case {
    const char16_t* value;
    const char16_t* code;
  };
  const Case cases[] = {
      {u"44", u"440000"},       {u"4403", u"440300"}, {u"44030", u"44030"}, {u"440300", u"440300"},
      {u"4403001", u"4403001"}, {u"x", u"x"},         {u"", u"310000"},  // cleared: the configuration again
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.value));
    EXPECT_TRUE(host_.Call(u"SetAreaCode", {{u"value", c.value}}).response.Finished());
    EXPECT_EQ(PageAreaCode(), c.code);
  }
  ASSERT_EQ(host_.Native()->SetAreaCode(L"51"), S_OK);
  EXPECT_EQ(NativeAreaCode(), u"510000");
}

TEST_F(AreaCode, CommonIni) {
  struct Case {
    const char* name;
    std::string ini;
    const char16_t* code;
  };
  const Case cases[] = {
      {"eleven-digit tax office code", "[QYXX]\r\nSWJGDM=14403050000\r\n[Common]\r\nAreacode=310000\r\n", u"440305"},
      {"office code trimmed", "[QYXX]\r\nSWJGDM= \t1440305 \r\n", u"440305"},
      {"six-character office code gives five", "[QYXX]\r\nSWJGDM=144030\r\n", u"44030"},
      {"short office code: the configured code", "[QYXX]\r\nSWJGDM=1440\r\n[Common]\r\nAreacode= 4403 \r\n", u"440300"},
      {"two-digit configured code", "[Common]\r\nAreacode=44\r\n", u"440000"},
      {"nothing usable", "[QYXX]\r\nSWJGDM=14\r\n[Common]\r\nAreacode=\r\n", u"000000"},
      {"empty file", "", u"000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteIni(c.ini);
    EXPECT_EQ(PageAreaCode(), c.code);
  }
}

TEST_F(AreaCode, EnviParamsBesideTheHostComesBeforeTheIni) {
  WriteIni("[QYXX]\r\nSWJGDM=14403050000\r\n");
  CreateDirectoryW(as_wcstr(configDir_.c_str()), nullptr);
  struct Case {
    const char* name;
    std::string config;
    const char16_t* code;
  };
  const Case cases[] = {
      {"code in the config", R"({"EnviParams":{"areaCode":"4401"},"other":1})", u"440100"},
      {"UTF-8 with its mark",
       "\xEF\xBB\xBF"
       R"({"EnviParams":{"areaCode":"510000"}})",
       u"510000"},
      {"an object without EnviParams still counts", R"({"Env":{"areaCode":"4401"}})", u"000000"},
      {"an empty code still counts", R"({"EnviParams":{"areaCode":""}})", u"000000"},
      {"an array is no source", R"([{"EnviParams":{"areaCode":"4401"}}])", u"440305"},
      {"unreadable text is no source", R"({"EnviParams":{"areaCode":)", u"440305"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(config_, c.config);
    EXPECT_EQ(PageAreaCode(), c.code);
  }
  // The override still comes first.
  WriteBytes(config_, R"({"EnviParams":{"areaCode":"4401"}})");
  host_.Call(u"SetAreaCode", {{u"value", u"35"}});
  EXPECT_EQ(PageAreaCode(), u"350000");
}

}  // namespace
