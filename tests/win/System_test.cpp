// The system methods through the real library: environment, registry, INI
// files, clipboard, processes, the shell, elevation hints and libraries.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "JsonValue.h"
#include "ShellProcess_win.h"
#include "TestHost.h"
#include "TextConv.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

using Kind = TResponseRecord::ResultKind;

std::u16string ExeDir() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string text(as_u16cstr(path), n);
  return text.substr(0, text.rfind(u'\\'));
}

std::u16string Fixture(std::u16string_view name) { return ExeDir() + u"\\" + std::u16string(name); }

bool FileExists(const std::u16string& path) { return GetFileAttributesW(as_wcstr(path.c_str())) != INVALID_FILE_ATTRIBUTES; }

// A fresh directory under the temporary directory, removed with its files.
class TTempDir {
 public:
  TTempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::u16string(as_u16cstr(base)) + u"kvsys_" + AsciiToUtf16(std::to_string(GetCurrentProcessId())) + u"_" +
            AsciiToUtf16(std::to_string(GetTickCount()));
    CreateDirectoryW(as_wcstr(path_.c_str()), nullptr);
  }
  ~TTempDir() {
    std::u16string from = path_ + u'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = as_wcstr(from.c_str());
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
  }
  std::u16string File(std::u16string_view name) const { return path_ + u"\\" + std::u16string(name); }
  const std::u16string& Path() const { return path_; }

 private:
  std::u16string path_;
};

// Starts `commandLine` and returns the process handle (none on failure).
unique_handle Start(std::u16string commandLine) {
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, as_wcstr(commandLine), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return unique_handle();
  }
  CloseHandle(pi.hThread);
  return unique_handle(pi.hProcess);
}

std::u16string ReadUtf16File(const std::u16string& path) {
  const unique_hfile file(CreateFileW(as_wcstr(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
  if (!file) return {};
  std::u16string text(GetFileSize(file.get(), nullptr) / 2, u'\0');
  DWORD read = 0;
  ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size() * 2), &read, nullptr);
  return text;
}

class SystemTest : public ::testing::Test {
 protected:
  TResponseRecord Call(std::u16string_view method, const TParams& params = {}) {
    const TCallOutcome outcome = host_.Call(method, params);
    EXPECT_TRUE(outcome.returned) << ToUtf8(method);
    EXPECT_TRUE(outcome.response.Finished()) << ToUtf8(method) << ": " << ToUtf8(outcome.response.message);
    return outcome.response;
  }
  bool Bool(std::u16string_view method, const TParams& params = {}) {
    const TResponseRecord r = Call(method, params);
    EXPECT_EQ(r.resultKind, Kind::Boolean) << ToUtf8(method);
    return r.boolean;
  }
  std::u16string Str(std::u16string_view method, const TParams& params = {}) {
    const TResponseRecord r = Call(method, params);
    EXPECT_EQ(r.resultKind, Kind::String) << ToUtf8(method);
    return r.text;
  }
  std::u16string Json(std::u16string_view method, const TParams& params = {}) {
    const TResponseRecord r = Call(method, params);
    EXPECT_EQ(r.resultKind, Kind::Json) << ToUtf8(method);
    return r.text;
  }
  int32_t Int(std::u16string_view method, const TParams& params = {}) {
    const TResponseRecord r = Call(method, params);
    EXPECT_EQ(r.resultKind, Kind::Integer) << ToUtf8(method);
    return r.integer;
  }

  TTestHost host_;
};

TEST_F(SystemTest, EnvironmentVariables) {
  const std::u16string name = u"KVSYS_TEST_VAR";
  EXPECT_FALSE(Bool(u"EnvVarExists", {{u"varname", name}}));
  EXPECT_EQ(Str(u"GetEnvVar", {{u"varname", name}}), u"");
  EXPECT_TRUE(Bool(u"SetEnvVar", {{u"varname", name}, {u"varvalue", u"税务 value"}}));
  EXPECT_TRUE(Bool(u"EnvVarExists", {{u"varname", name}}));
  EXPECT_EQ(Str(u"GetEnvVar", {{u"varname", name}}), u"税务 value");
  // The process's own environment, as children started later see it.
  wchar_t value[64] = {};
  EXPECT_EQ(GetEnvironmentVariableW(L"KVSYS_TEST_VAR", value, 64), 8u);
  EXPECT_STREQ(value, L"税务 value");
  // Longer than the first buffer; variables hold at most 32,767 units.
  const std::u16string longValue(20000, u'v');
  EXPECT_TRUE(Bool(u"SetEnvVar", {{u"varname", name}, {u"varvalue", longValue}}));
  EXPECT_TRUE(Str(u"GetEnvVar", {{u"varname", name}}) == longValue);
  // Defined with an empty value is still defined.
  EXPECT_TRUE(Bool(u"SetEnvVar", {{u"varname", name}, {u"varvalue", u""}}));
  EXPECT_TRUE(Bool(u"EnvVarExists", {{u"varname", name}}));
  EXPECT_EQ(Str(u"GetEnvVar", {{u"varname", name}}), u"");
  SetEnvironmentVariableW(L"KVSYS_TEST_VAR", nullptr);
  EXPECT_FALSE(Bool(u"EnvVarExists", {{u"varname", name}}));

  // Names that cannot be variables.
  EXPECT_FALSE(Bool(u"EnvVarExists", {{u"varname", u""}}));
  EXPECT_EQ(Str(u"GetEnvVar", {{u"varname", u""}}), u"");
  EXPECT_FALSE(Bool(u"SetEnvVar", {{u"varname", u""}, {u"varvalue", u"x"}}));
}

// Registry tests work under HKEY_CURRENT_USER\Software\KVNativeSysTest<pid>,
// created by the tests and removed after each.
class RegistryTest : public SystemTest {
 protected:
  void SetUp() override {
    key_ = u"Software\\KVNativeSysTest" + AsciiToUtf16(std::to_string(GetCurrentProcessId()));
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, as_wcstr(key_.c_str()));
    EXPECT_FALSE(KeyExists(key_));
  }
  static bool KeyExists(const std::u16string& path) {
    unique_hkey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, as_wcstr(path.c_str()), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
  }
  // The stored value as the registry holds it.
  static bool Stored(const std::u16string& path, const wchar_t* value, DWORD& type, std::string& data) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, as_wcstr(path.c_str()), value, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                     &size) != ERROR_SUCCESS) {
      return false;
    }
    data.assign(size, '\xcc');
    return RegGetValueW(HKEY_CURRENT_USER, as_wcstr(path.c_str()), value, RRF_RT_ANY | RRF_NOEXPAND, &type,
                        data.data(), &size) == ERROR_SUCCESS;
  }
  TParams Name(std::u16string_view suffix, std::u16string root = u"1") {
    return {{u"root", root}, {u"keyname", key_ + std::u16string(suffix)}};
  }
  TParams Write(std::u16string_view suffix, std::u16string_view value, std::u16string root = u"1") {
    TParams p = Name(suffix, root);
    p[u"keyvalue"] = value;
    return p;
  }

  std::u16string key_;
};

TEST_F(RegistryTest, DwordAndStringValues) {
  // "0x" and more: a DWORD; the key is created on the way.
  ASSERT_TRUE(Bool(u"SetRegKeyValue", Write(u"\\Sub\\Count", u"0x1f")));
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(Stored(key_ + u"\\Sub", L"Count", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, std::string("\x1f\0\0\0", 4));
  // Data of other kinds reads back as its bytes up to the first zero.
  EXPECT_EQ(Str(u"GetRegKeyValue", Name(u"\\Sub\\Count")), u"\x1f");
  ASSERT_TRUE(Bool(u"SetRegKeyValue", Write(u"\\Sub\\Letters", u"0x41424344")));
  EXPECT_EQ(Str(u"GetRegKeyValue", Name(u"\\Sub\\Letters")), u"DCBA");
  ASSERT_TRUE(Bool(u"SetRegKeyValue", Write(u"\\Sub\\Junk", u"0xZZ")));
  ASSERT_TRUE(Stored(key_ + u"\\Sub", L"Junk", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, std::string(4, '\0'));

  // "0x" alone, and everything else, is a string.
  const std::u16string longText(70000, u'长');
  for (const std::u16string& value : {std::u16string(u"0x"), std::u16string(u"0X1f"), std::u16string(u"31"),
                                      std::u16string(u"税务申报 ☃😀"), std::u16string(), longText}) {
    SCOPED_TRACE(ToUtf8(value.substr(0, 10)));
    ASSERT_TRUE(Bool(u"SetRegKeyValue", Write(u"\\Text", value)));
    ASSERT_TRUE(Stored(key_, L"Text", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data.size(), (value.size() + 1) * 2);
    EXPECT_EQ(Str(u"GetRegKeyValue", Name(u"\\Text")), value);
  }
}

TEST_F(RegistryTest, DefaultValueAndKeyNames) {
  ASSERT_TRUE(Bool(u"SetRegKeyValue", Write(u"\\(default)", u"默认")));
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(Stored(key_, nullptr, type, data));
  EXPECT_EQ(Utf16LeBytesToUtf16(data), std::u16string(u"默认") + u'\0');
  EXPECT_EQ(Str(u"GetRegKeyValue", Name(u"\\(default)")), u"默认");
  EXPECT_TRUE(Bool(u"RegKeyExists", {{u"keyname", key_ + u"\\(default)"}}));
  // A name ending in "\" is the key: nothing to read.
  EXPECT_EQ(Str(u"GetRegKeyValue", Name(u"\\")), u"");

  ASSERT_TRUE(Bool(u"SetRegKeyValue", Write(u"\\Count", u"0x1f")));
  EXPECT_TRUE(Bool(u"RegKeyExists", {{u"keyname", key_ + u"\\"}}));
  EXPECT_TRUE(Bool(u"RegKeyExists", {{u"keyname", key_ + u"\\Count"}}));
  EXPECT_FALSE(Bool(u"RegKeyExists", {{u"keyname", key_ + u"\\Missing"}}));
  EXPECT_FALSE(Bool(u"RegKeyExists", {{u"keyname", key_ + u"\\Nokey\\"}}));
  EXPECT_FALSE(Bool(u"RegKeyExists", {{u"keyname", key_ + u"\\Nokey\\Count"}}));
  // Keys that only HKEY_LOCAL_MACHINE has are found there.
  EXPECT_TRUE(Bool(u"RegKeyExists", {{u"keyname", u"SYSTEM\\CurrentControlSet\\Control\\"}}));
  EXPECT_TRUE(Bool(u"RegKeyExists",
                   {{u"keyname", u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName\\ComputerName"}}));
  EXPECT_FALSE(Bool(u"RegKeyExists", {{u"keyname", u""}}));
}

TEST_F(RegistryTest, DeletingValuesAndKeys) {
  ASSERT_TRUE(Bool(u"SetRegKeyValue", Write(u"\\Sub\\Count", u"0x1")));
  ASSERT_TRUE(Bool(u"SetRegKeyValue", Write(u"\\(default)", u"d")));
  EXPECT_TRUE(Bool(u"DeleteRegKey", Name(u"\\Sub\\Count")));
  EXPECT_FALSE(Bool(u"RegKeyExists", {{u"keyname", key_ + u"\\Sub\\Count"}}));
  EXPECT_FALSE(Bool(u"DeleteRegKey", Name(u"\\Sub\\Count")));
  EXPECT_TRUE(Bool(u"DeleteRegKey", Name(u"\\(default)")));
  DWORD type = 0;
  std::string data;
  EXPECT_FALSE(Stored(key_, nullptr, type, data));

  // The system refuses keys that still have subkeys.
  EXPECT_FALSE(Bool(u"DeleteRegKey", Name(u"\\")));
  EXPECT_TRUE(KeyExists(key_ + u"\\Sub"));
  EXPECT_TRUE(Bool(u"DeleteRegKey", Name(u"\\Sub\\")));
  EXPECT_FALSE(KeyExists(key_ + u"\\Sub"));
  EXPECT_TRUE(Bool(u"DeleteRegKey", Name(u"\\")));
  EXPECT_FALSE(KeyExists(key_));
  EXPECT_FALSE(Bool(u"DeleteRegKey", Name(u"\\")));
}

TEST_F(RegistryTest, Roots) {
  // 1 and the predefined value itself name HKEY_CURRENT_USER.
  ASSERT_TRUE(Bool(u"SetRegKeyValue", Write(u"\\Text", u"by value", u"0x80000001")));
  EXPECT_EQ(Str(u"GetRegKeyValue", Name(u"\\Text")), u"by value");
  EXPECT_EQ(Str(u"GetRegKeyValue", Name(u"\\Text", u"$80000001")), u"by value");
  // Other roots do not see the key: 0 (also the default for a root that is
  // not a number) is HKEY_CLASSES_ROOT.
  for (const char16_t* root : {u"0", u"abc", u"", u"2", u"10", u"12345", u"-1", u"0x80000010"}) {
    SCOPED_TRACE(ToUtf8(root));
    EXPECT_EQ(Str(u"GetRegKeyValue", Name(u"\\Text", root)), u"");
  }
  // A root that is no key: nothing is written or deleted.
  for (const char16_t* root : {u"10", u"12345", u"0x80000010"}) {
    SCOPED_TRACE(ToUtf8(root));
    EXPECT_FALSE(Bool(u"SetRegKeyValue", Write(u"\\Text", u"x", root)));
    EXPECT_FALSE(Bool(u"DeleteRegKey", Name(u"\\Text", root)));
  }
  EXPECT_EQ(Str(u"GetRegKeyValue", Name(u"\\Text")), u"by value");

  // Names that name nothing.
  for (const char16_t* name : {u"", u"\\", u"\\\\"}) {
    SCOPED_TRACE(ToUtf8(name));
    EXPECT_FALSE(Bool(u"SetRegKeyValue", {{u"root", u"1"}, {u"keyname", name}, {u"keyvalue", u"x"}}));
    EXPECT_FALSE(Bool(u"DeleteRegKey", {{u"root", u"1"}, {u"keyname", name}}));
    EXPECT_EQ(Str(u"GetRegKeyValue", {{u"root", u"1"}, {u"keyname", name}}), u"");
  }
}

TEST_F(RegistryTest, ReadsFallBackToTheOtherViews) {
  // CLSID keys of the user's classes are kept apart per view under WOW64. A
  // key made in the 64-bit view only is found through the fallback.
  const std::u16string path = u"Software\\Classes\\CLSID\\{6B1F3A2C-9D4E-4C1B-8E3A-5F7D2C9B1" +
                              AsciiToUtf16(std::to_string(GetCurrentProcessId() % 100 + 100)) + u"}";
  unique_hkey key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, as_wcstr(path.c_str()), 0, nullptr, 0,
                            KEY_READ | KEY_WRITE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  const wchar_t text[] = L"64";
  ASSERT_EQ(RegSetValueExW(key.get(), L"View", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text)),
            ERROR_SUCCESS);
  key.reset();
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  if (wow64) {
    unique_hkey own;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, as_wcstr(path.c_str()), 0, KEY_READ, own.put()) == ERROR_SUCCESS) {
      own.reset();
      RegDeleteKeyExW(HKEY_CURRENT_USER, as_wcstr(path.c_str()), KEY_WOW64_64KEY, 0);
      GTEST_SKIP() << "known Wine gap: the user's CLSID keys are not kept per view";
    }
  }
  EXPECT_TRUE(Bool(u"RegKeyExists", {{u"keyname", path + u"\\"}}));
  EXPECT_TRUE(Bool(u"RegKeyExists", {{u"keyname", path + u"\\View"}}));
  EXPECT_EQ(Str(u"GetRegKeyValue", {{u"root", u"1"}, {u"keyname", path + u"\\View"}}), u"64");
  EXPECT_EQ(RegDeleteKeyExW(HKEY_CURRENT_USER, as_wcstr(path.c_str()), KEY_WOW64_64KEY, 0), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ThroughTheServiceObject) {
  INativeMethods* native = host_.Native();
  ASSERT_NE(native, nullptr);
  const std::u16string name = key_ + u"\\Count";
  BOOL done = FALSE;
  ASSERT_EQ(native->SetRegKeyValue(0x80000001u, as_wcstr(name.c_str()), L"0x2a", &done), S_OK);
  EXPECT_TRUE(done);
  BOOL exists = FALSE;
  ASSERT_EQ(native->RegKeyExists(as_wcstr(name.c_str()), &exists), S_OK);
  EXPECT_TRUE(exists);
  TBstr value;
  ASSERT_EQ(native->GetRegKeyValue(1, as_wcstr(name.c_str()), value.put()), S_OK);
  EXPECT_EQ(value.view(), u"*");
  ASSERT_EQ(native->DeleteRegKey(1, as_wcstr(name.c_str()), &done), S_OK);
  EXPECT_TRUE(done);
  EXPECT_EQ(native->GetRegKeyValue(1, nullptr, value.put()), S_OK);
  EXPECT_EQ(value.view(), u"");
  EXPECT_EQ(native->RegKeyExists(nullptr, nullptr), E_POINTER);
}

TEST_F(SystemTest, IniValues) {
  TTempDir dir;
  const std::u16string file = dir.File(u"test.ini");
  const auto ini = [&](std::u16string_view section, std::u16string_view key) {
    return TParams{{u"filename", file}, {u"section", std::u16string(section)}, {u"key", std::u16string(key)}};
  };
  const auto set = [&](std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    TParams p = ini(section, key);
    p[u"value"] = value;
    return Bool(u"SetIniValue", p);
  };
  const auto get = [&](std::u16string_view section, std::u16string_view key, std::u16string_view def) {
    TParams p = ini(section, key);
    p[u"def"] = def;
    return Str(u"GetIniValue", p);
  };

  // A missing file reads as empty.
  EXPECT_EQ(get(u"main", u"name", u"none"), u"none");
  EXPECT_EQ(get(u"main", u"name", u""), u"");

  ASSERT_TRUE(set(u"main", u"name", u"税务"));
  ASSERT_TRUE(set(u"main", u"size", u"12"));
  ASSERT_TRUE(set(u"other", u"name", u"x"));
  EXPECT_EQ(get(u"main", u"name", u"none"), u"税务");
  EXPECT_EQ(get(u"MAIN", u"NAME", u"none"), u"税务");
  EXPECT_EQ(get(u"other", u"name", u"none"), u"x");
  EXPECT_EQ(get(u"main", u"missing", u"none"), u"none");
  EXPECT_EQ(get(u"nosection", u"name", u"none"), u"none");

  EXPECT_EQ(Json(u"GetIniSections", {{u"filename", file}}), u"[\"main\",\"other\"]");
  EXPECT_EQ(Json(u"GetIniSectionValues", {{u"filename", file}, {u"section", u"main"}}),
            u"[{\"key\":\"name\",\"value\":\"税务\"},{\"key\":\"size\",\"value\":\"12\"}]");
  EXPECT_EQ(Json(u"GetIniSectionValues", {{u"filename", file}, {u"section", u"nosection"}}), u"[]");
  EXPECT_EQ(Json(u"GetIniSections", {{u"filename", dir.File(u"missing.ini")}}), u"[]");
  EXPECT_EQ(Json(u"GetIniSectionValues", {{u"filename", dir.File(u"missing.ini")}, {u"section", u"main"}}), u"[]");
  EXPECT_EQ(Json(u"GetIniSections", {{u"filename", u""}}), u"[]");

  // Values are read into 511 characters, section values into 2,047.
  ASSERT_TRUE(set(u"main", u"long", std::u16string(600, u'a')));
  EXPECT_EQ(get(u"main", u"long", u""), std::u16string(511, u'a'));
  ASSERT_TRUE(set(u"big", u"long", std::u16string(3000, u'b')));
  const IJsonArrayPtr big = ParseJsonArray(Json(u"GetIniSectionValues", {{u"filename", file}, {u"section", u"big"}}));
  ASSERT_EQ(big->GetCount(), 1);
  EXPECT_EQ(big->GetObject(0)->GetString(u"value"), std::u16string(2047, u'b'));

  EXPECT_TRUE(Bool(u"DeleteIniKey", ini(u"main", u"name")));
  EXPECT_EQ(get(u"main", u"name", u"gone"), u"gone");
  EXPECT_EQ(get(u"main", u"size", u""), u"12");
  EXPECT_TRUE(Bool(u"DeleteIniSection", {{u"filename", file}, {u"section", u"main"}}));
  EXPECT_EQ(get(u"main", u"size", u"gone"), u"gone");
  EXPECT_EQ(get(u"other", u"name", u""), u"x");

  // Writes to a file that cannot be made fail; an empty name reads the default.
  EXPECT_FALSE(Bool(u"SetIniValue", {{u"filename", dir.File(u"no\\such\\dir.ini")},
                                     {u"section", u"s"},
                                     {u"key", u"k"},
                                     {u"value", u"v"}}));
  EXPECT_FALSE(Bool(u"SetIniValue", {{u"filename", u""}, {u"section", u"s"}, {u"key", u"k"}, {u"value", u"v"}}));
  EXPECT_EQ(get(u"main", u"name", u"d"), u"d");
}

TEST_F(SystemTest, IniFileNamesWithoutColonAreBesideTheExecutable) {
  const std::u16string name = u"kvsys_" + AsciiToUtf16(std::to_string(GetCurrentProcessId())) + u".ini";
  ASSERT_TRUE(Bool(u"SetIniValue", {{u"filename", name}, {u"section", u"s"}, {u"key", u"k"}, {u"value", u"v"}}));
  const std::u16string besideExe = Fixture(name);
  EXPECT_TRUE(FileExists(besideExe));
  EXPECT_EQ(Str(u"GetIniValue", {{u"filename", besideExe}, {u"section", u"s"}, {u"key", u"k"}, {u"def", u""}}), u"v");
  DeleteFileW(as_wcstr(besideExe.c_str()));
}

TEST_F(SystemTest, ClipboardHoldsAnsiText) {
  const std::u16string text = u"税务申报 abc";
  ASSERT_TRUE(Bool(u"CopyStrToClip", {{u"str", text}}));
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE data = GetClipboardData(CF_TEXT);
  ASSERT_NE(data, nullptr);
  const char* bytes = static_cast<const char*>(GlobalLock(data));
  ASSERT_NE(bytes, nullptr);
  const std::string stored(bytes);
  GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(stored, Utf16ToAnsi(text));
  EXPECT_EQ(AnsiToUtf16(stored), text);

  // Empty text is placed too; the clipboard is closed again every time.
  ASSERT_TRUE(Bool(u"CopyStrToClip", {{u"str", u""}}));
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE empty = GetClipboardData(CF_TEXT);
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(empty)), "");
  GlobalUnlock(empty);
  CloseClipboard();
}

TEST_F(SystemTest, CurrentProcess) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::u16string exe(as_u16cstr(path), n);
  EXPECT_EQ(Str(u"CurrentProcessFile"), exe);
  EXPECT_EQ(Str(u"CurrentProcessFilename"), u"win_System_test.exe");
  EXPECT_EQ(Str(u"CurrentProcessDir"), ExeDir());
  EXPECT_EQ(Str(u"CurrentProcessPath"), ExeDir() + u"\\");
  EXPECT_EQ(Int(u"CurrentProcessId"), static_cast<int32_t>(GetCurrentProcessId()));
  EXPECT_EQ(Int(u"GetProcessID", {{u"procname", exe}}), static_cast<int32_t>(GetCurrentProcessId()));
  EXPECT_EQ(Str(u"GetProcessFile", {{u"processid", AsciiToUtf16(std::to_string(GetCurrentProcessId()))}}), exe);
}

TEST_F(SystemTest, CommandLineArguments) {
  // This process, as the system splits its command line.
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  ASSERT_NE(argv, nullptr);
  IJsonArrayPtr expected = NewJsonArray();
  for (int i = 1; i < argc; ++i) expected->AddString(as_u16view(argv[i]));
  LocalFree(argv);
  EXPECT_EQ(Json(u"GetCommandLine"), expected->ToJson());

  // A host started with quoted and empty arguments.
  TTempDir dir;
  const std::u16string out = dir.File(u"args.json");
  const unique_handle child = Start(u"\"" + Fixture(u"kv_syshelper.exe") + u"\" cmdline \"" + out +
                                    u"\" \"two words\"  plain \"\" x\"y z\"w");
  ASSERT_TRUE(child);
  ASSERT_EQ(WaitForSingleObject(child.get(), 30000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(child.get(), &exitCode);
  ASSERT_EQ(exitCode, 0u);
  const IJsonArrayPtr args = ParseJsonArray(ReadUtf16File(out));
  const std::vector<std::u16string> want = {u"cmdline", out, u"two words", u"plain", u"", u"xy zw"};
  ASSERT_EQ(args->GetCount(), static_cast<int32_t>(want.size())) << ToUtf8(args->ToJson());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(args->GetString(static_cast<int32_t>(i)), want[i]) << i;
}

TEST_F(SystemTest, UrlParams) {
  struct Case {
    const char16_t* url;
    const char16_t* json;
  };
  const Case cases[] = {
      {u"http://h/p?a=1&b=x%20y", u"{\"a\":\"1\",\"b\":\"x y\"}"},
      {u"a=1&&b=2", u"{\"a\":\"1\",\"b\":\"2\"}"},
      {u"http://h/p", u"{}"},
      // A repeated name keeps its place and its last value.
      {u"?n=%E7%A8%8E&m=2&n=last", u"{\"n\":\"last\",\"m\":\"2\"}"},
      {u"?n=%E7%A8%8E%E5%8A%A1", u"{\"n\":\"税务\"}"},
      // Names are not decoded; values keep what decoding does not touch.
      {u"?a%20b=1&c=%zz", u"{\"a%20b\":\"1\",\"c\":\"%zz\"}"},
      // A quoted item keeps its "&".
      {u"?\"q=x&y\"&c=3", u"{\"q\":\"x&y\",\"c\":\"3\"}"},
      {u"?flag&x=1", u"{\"x\":\"1\"}"},
      // Text outside the ANSI code page arrives whole.
      {u"?s=😀☃", u"{\"s\":\"😀☃\"}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.url));
    EXPECT_EQ(Json(u"GetUrlParams", {{u"url", c.url}}), c.json);
  }
}

TEST_F(SystemTest, OSInfoRecord) {
  const IJsonObjectPtr info = ParseJsonObject(Json(u"GetOSInfo"));
  std::vector<std::u16string> keys;
  for (int32_t i = 0; i < info->GetCount(); ++i) keys.push_back(info->GetKey(i));
  const bool named = info->IndexOf(u"name") >= 0;
  std::vector<std::u16string> want = {u"version", u"win64", u"country", u"language", u"username", u"hostname", u"ip"};
  if (named) want.insert(want.begin() + 2, u"name");
  ASSERT_EQ(keys, want);

  const JsonKind versionKind = info->GetValue(u"version")->GetKind();
  EXPECT_TRUE(versionKind == jvFloat || versionKind == jvInteger);
  const double version = info->GetFloat(u"version");
  EXPECT_GE(version, 5.0);
  if (version == 10.0) {
    EXPECT_EQ(info->GetString(u"name"), u"windows 10");
  }
  if (version == 6.1) {
    EXPECT_EQ(info->GetString(u"name"), u"windows 7");
  }
  EXPECT_EQ(info->GetValue(u"win64")->GetKind(), jvBoolean);
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  if (!wow64) {
    EXPECT_FALSE(info->GetBoolean(u"win64"));
  }

  for (const char16_t* key : {u"country", u"language", u"username", u"hostname", u"ip"}) {
    EXPECT_EQ(info->GetValue(key)->GetKind(), jvString) << ToUtf8(key);
  }
  EXPECT_TRUE(std::regex_match(ToUtf8(info->GetString(u"country")), std::regex("[A-Z]{2,3}")));
  EXPECT_TRUE(std::regex_match(ToUtf8(info->GetString(u"language")), std::regex("[a-z]{2,3}")));
  wchar_t user[257];
  DWORD userSize = 257;
  ASSERT_TRUE(GetUserNameW(user, &userSize));
  EXPECT_EQ(info->GetString(u"username"), as_u16view(user));
  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD computerSize = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(computer, &computerSize));
  EXPECT_EQ(info->GetString(u"hostname"), as_u16view(computer));
  const std::string ip = ToUtf8(info->GetString(u"ip"));
  EXPECT_TRUE(ip.empty() || std::regex_match(ip, std::regex(R"((\d{1,3})\.(\d{1,3})\.(\d{1,3})\.(\d{1,3}))"))) << ip;
}

TEST_F(SystemTest, MacAddressList) {
  // Wine keeps no network-cards key, so the list is usually empty here; what
  // it holds must be well formed, unique and sorted all the same.
  const std::u16string json = Json(u"GetMacAddress");
  const IJsonArrayPtr adapters = ParseJsonArray(json);
  ASSERT_TRUE(json.starts_with(u"[")) << ToUtf8(json);
  HKEY cards = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards", 0,
                    KEY_READ, &cards) == ERROR_SUCCESS) {
    RegCloseKey(cards);
  } else {
    EXPECT_EQ(json, u"[]");  // no cards key: nothing to list
  }
  std::vector<std::u16string> macs;
  for (int32_t i = 0; i < adapters->GetCount(); ++i) {
    const IJsonObjectPtr adapter = adapters->GetObject(i);
    ASSERT_EQ(adapter->GetCount(), 3);
    EXPECT_EQ(adapter->GetKey(0), u"id");
    EXPECT_EQ(adapter->GetKey(1), u"desc");
    EXPECT_EQ(adapter->GetKey(2), u"mac");
    const std::u16string mac = adapter->GetString(u"mac");
    EXPECT_TRUE(std::regex_match(ToUtf8(mac), std::regex("[0-9A-F]{2}(-[0-9A-F]{2})*"))) << ToUtf8(mac);
    macs.push_back(mac);
  }
  std::vector<std::u16string> sorted = macs;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(macs, sorted);
  EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
}

TEST_F(SystemTest, MemoryStatusRecord) {
  const IJsonObjectPtr status = ParseJsonObject(Json(u"GetMemoryStatus"));
  const std::vector<std::u16string> want = {u"Usage",         u"totalPhys",    u"availPhys",   u"totalPageFile",
                                            u"availPageFile", u"totalVirtual", u"availVirtual"};
  ASSERT_EQ(status->GetCount(), static_cast<int32_t>(want.size()));
  for (size_t i = 0; i < want.size(); ++i) {
    const int32_t at = static_cast<int32_t>(i);
    EXPECT_EQ(status->GetKey(at), want[i]);
    EXPECT_EQ(status->GetValueAt(at)->GetKind(), jvInteger) << ToUtf8(want[i]);
    EXPECT_GE(status->GetValueAt(at)->GetAsInteger(), 0) << ToUtf8(want[i]);
  }
  EXPECT_LE(status->GetInteger(u"Usage"), 100);
  EXPECT_GT(status->GetInteger(u"totalPhys"), 0);
  EXPECT_LE(status->GetInteger(u"availPhys"), status->GetInteger(u"totalPhys"));
  EXPECT_LE(status->GetInteger(u"availVirtual"), status->GetInteger(u"totalVirtual"));

  // The same records through the service object.
  INativeMethods* native = host_.Native();
  ASSERT_NE(native, nullptr);
  TBstr json;
  ASSERT_EQ(native->GetMemoryStatus(json.put()), S_OK);
  EXPECT_TRUE(json.view().starts_with(u"{\"Usage\":"));
  ASSERT_EQ(native->GetOSInfo(json.put()), S_OK);
  EXPECT_TRUE(json.view().starts_with(u"{\"version\":"));
  ASSERT_EQ(native->GetMacAddress(json.put()), S_OK);
  EXPECT_TRUE(json.view().starts_with(u"["));
}

// A child that runs until it is killed.
class TChild {
 public:
  explicit TChild(const std::u16string& exe) {
    std::u16string line = u"\"" + exe + u"\" sleep 60000";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessW(as_wcstr(exe.c_str()), as_wcstr(line), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
      process_.reset(pi.hProcess);
      CloseHandle(pi.hThread);
      id_ = pi.dwProcessId;
      // Until its loader has run, the child has no module list to read.
      wchar_t path[MAX_PATH];
      for (int i = 0; i < 100 && !K32GetModuleFileNameExW(pi.hProcess, nullptr, path, MAX_PATH); ++i) Sleep(50);
    }
  }
  ~TChild() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.get(), 1);
  }
  HANDLE Handle() const { return process_.get(); }
  DWORD Id() const { return id_; }

 private:
  unique_handle process_;
  DWORD id_ = 0;
};

TEST_F(SystemTest, ProcessesByFullPath) {
  const std::u16string exe = Fixture(u"kv_syshelper.exe");
  TChild child(exe);
  ASSERT_NE(child.Id(), 0u);
  const std::u16string id = AsciiToUtf16(std::to_string(child.Id()));

  EXPECT_EQ(Int(u"GetProcessID", {{u"procname", exe}}), static_cast<int32_t>(child.Id()));
  std::u16string upper = exe;
  CharUpperW(as_wcstr(upper));
  EXPECT_EQ(Int(u"GetProcessID", {{u"procname", upper}}), static_cast<int32_t>(child.Id()));
  EXPECT_EQ(Int(u"GetProcessID", {{u"procname", u"kv_syshelper.exe"}}), 0);
  EXPECT_EQ(Int(u"GetProcessID", {{u"procname", u"C:\\elsewhere\\kv_syshelper.exe"}}), 0);
  EXPECT_EQ(Str(u"GetProcessFile", {{u"processid", id}}), exe);

  EXPECT_FALSE(Bool(u"KillProcess", {{u"procname", u"kv_syshelper.exe"}}));
  EXPECT_TRUE(Bool(u"KillProcess", {{u"procname", exe}}));
  ASSERT_EQ(WaitForSingleObject(child.Handle(), 10000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(child.Handle(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(Int(u"GetProcessID", {{u"procname", exe}}), 0);
  EXPECT_FALSE(Bool(u"KillProcess", {{u"procname", exe}}));

  // Names and identifiers that match nothing.
  for (const char16_t* name : {u"", u"\\", u"C:\\no\\such.exe"}) {
    SCOPED_TRACE(ToUtf8(name));
    EXPECT_EQ(Int(u"GetProcessID", {{u"procname", name}}), 0);
    EXPECT_FALSE(Bool(u"KillProcess", {{u"procname", name}}));
  }
  for (const char16_t* pid : {u"", u"0", u"abc", u"-1", u"4294967295"}) {
    SCOPED_TRACE(ToUtf8(pid));
    EXPECT_EQ(Str(u"GetProcessFile", {{u"processid", pid}}), u"");
  }
}

TEST_F(SystemTest, RestartKillsTheHostAndStartsItAgainWithItsArguments) {
  // The helper asks the library beside it for a restart; the run started by
  // it reports its arguments. Both sit in a directory with a blank in its
  // name, as under "Program Files".
  TTempDir dir;
  const std::u16string home = dir.File(u"host home");
  ASSERT_TRUE(CreateDirectoryW(as_wcstr(home.c_str()), nullptr));
  const std::u16string exe = home + u"\\kv_syshelper.exe";
  for (const char16_t* name : {u"kv_syshelper.exe", u"KVNative.dll"}) {
    ASSERT_TRUE(CopyFileW(as_wcstr(Fixture(name).c_str()), as_wcstr((home + u"\\" + name).c_str()), FALSE));
  }
  const std::u16string marker = dir.File(u"restart mark.txt");
  const unique_handle first = Start(u"\"" + exe + u"\" restart \"" + marker + u"\" \"two words\" plain");
  ASSERT_TRUE(first);
  ASSERT_EQ(WaitForSingleObject(first.get(), 30000), WAIT_OBJECT_0) << "the first run was not killed";
  DWORD exitCode = 0;
  GetExitCodeProcess(first.get(), &exitCode);
  EXPECT_NE(exitCode, 4u) << "the first run ended by itself";
  EXPECT_NE(exitCode, 5u) << "the first run could not ask for the restart";
  const std::u16string again = marker + u".again";
  ASSERT_TRUE(host_.PumpUntil([&] { return FileExists(again); }, 30000)) << "no second run";
  EXPECT_EQ(ReadUtf16File(again), u"restart\n" + marker + u"\ntwo words\nplain\n");
}

TEST_F(SystemTest, ExecAndWaitWaitsForTheProgram) {
  TTempDir dir;
  const std::u16string marker = dir.File(u"done.txt");
  EXPECT_TRUE(Bool(u"ExecAndWait", {{u"exefile", Fixture(u"kv_syshelper.exe")},
                                    {u"cmdline", u"touch \"" + marker + u"\" 300"},
                                    {u"showmode", u"0"}}));
  EXPECT_TRUE(FileExists(marker));
  EXPECT_FALSE(Bool(u"ExecAndWait", {{u"exefile", dir.File(u"missing.exe")}, {u"cmdline", u""}}));
  EXPECT_FALSE(Bool(u"ExecAndWait", {{u"exefile", u""}, {u"cmdline", u""}}));
}

TEST(ShellProcess, StartsInTheProgramsDirectoryAndWaitsFromAnyThread) {
  TTempDir dir;
  const std::u16string exe = dir.File(u"kv_syshelper.exe");
  ASSERT_TRUE(CopyFileW(as_wcstr(Fixture(u"kv_syshelper.exe").c_str()), as_wcstr(exe.c_str()), FALSE));
  // A relative name lands in the program's directory, the working
  // directory of the start; a worker thread waits as the main thread does.
  bool waited = false;
  std::thread worker([&] { waited = RunShellProcessAndWait(exe, u"touch relative.txt 200", SW_HIDE, false); });
  worker.join();
  EXPECT_TRUE(waited);
  EXPECT_TRUE(FileExists(dir.File(u"relative.txt")));

  const unique_handle process = RunShellProcess(exe, u"sleep 0", SW_HIDE, false);
  ASSERT_TRUE(process);
  EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
  EXPECT_FALSE(RunShellProcess(dir.File(u"missing.exe"), u"", SW_HIDE, false));
  EXPECT_FALSE(RunShellProcess(u"", u"", SW_HIDE, false));
  EXPECT_FALSE(RunShellProcessAndWait(dir.File(u"missing.exe"), u"", SW_HIDE, false));
}

TEST_F(SystemTest, ShellExecuteForms) {
  TTempDir dir;
  const std::u16string marker = dir.File(u"shell.txt");
  // Without "showmode" the show code is 1.
  EXPECT_TRUE(Bool(u"ShellExecute", {{u"opera", u"open"},
                                     {u"filename", Fixture(u"kv_syshelper.exe")},
                                     {u"params", u"touch \"" + marker + u"\" 0"},
                                     {u"dir", dir.Path()}}));
  EXPECT_TRUE(host_.PumpUntil([&] { return FileExists(marker); }, 10000));
  EXPECT_FALSE(Bool(u"ShellExecute", {{u"opera", u"open"}, {u"filename", dir.File(u"missing.exe")}}));
  EXPECT_FALSE(Bool(u"ShellExecute", {{u"opera", u""}, {u"filename", u""}}));

  // The shorter native forms.
  INativeMethods* native = host_.Native();
  ASSERT_NE(native, nullptr);
  const std::u16string marker2 = dir.File(u"shell2.txt");
  const std::u16string params = u"touch \"" + marker2 + u"\" 0";
  const std::u16string exe = Fixture(u"kv_syshelper.exe");
  BOOL done = FALSE;
  ASSERT_EQ(native->ShellExecute3(nullptr, as_wcstr(exe.c_str()), as_wcstr(params.c_str()), &done), S_OK);
  EXPECT_TRUE(done);
  EXPECT_TRUE(host_.PumpUntil([&] { return FileExists(marker2); }, 10000));
  const std::u16string missing = dir.File(u"missing.exe");
  done = TRUE;
  ASSERT_EQ(native->ShellExecute2(L"open", as_wcstr(missing.c_str()), &done), S_OK);
  EXPECT_FALSE(done);
}

TEST_F(SystemTest, NeedAdminPrivileges) {
  TTempDir dir;
  const auto copy = [&](std::u16string_view fixture, std::u16string_view name) {
    const std::u16string to = dir.File(name);
    EXPECT_TRUE(CopyFileW(as_wcstr(Fixture(fixture).c_str()), as_wcstr(to.c_str()), FALSE));
    return to;
  };
  const std::u16string plain = copy(u"kv_invoker_app.exe", u"plain.exe");
  const HANDLE manifest = CreateFileW(as_wcstr((dir.File(u"plain2.exe.manifest")).c_str()), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, 0, nullptr);
  CloseHandle(manifest);

  struct Case {
    std::u16string file;
    bool needed;
  };
  const Case cases[] = {
      {Fixture(u"kv_admin_app.exe"), true},
      {Fixture(u"kv_invoker_app.exe"), false},
      {Fixture(u"kv_syshelper.exe"), false},  // no manifest at all
      // The name alone decides, and case matters there.
      {copy(u"kv_invoker_app.exe", u"setup.exe"), false},
      {copy(u"kv_admin_app.exe", u"update.exe"), true},
      {u"C:\\nowhere\\MySetup.exe", true},
      {u"C:\\nowhere\\AppInstaller.exe", true},
      {u"C:\\nowhere\\AutoUpdate.exe", true},
      {u"C:\\Setup\\app.exe", false},
      // A manifest file beside the program, whatever it holds.
      {dir.File(u"plain2.exe"), true},
      {plain, false},
      {dir.File(u"missing.exe"), false},
      {u"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.file));
    EXPECT_EQ(Bool(u"NeedAdminPrivileges", {{u"exefile", c.file}}), c.needed);
  }
}

TEST_F(SystemTest, LoadAndFreeLibrary) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  const std::u16string dll = std::u16string(as_u16cstr(system)) + u"\\msimg32.dll";

  // Natively the handle travels whole.
  INativeMethods* native = host_.Native();
  ASSERT_NE(native, nullptr);
  HMODULE module = nullptr;
  ASSERT_EQ(native->LoadLibrary(as_wcstr(dll.c_str()), &module), S_OK);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(GetModuleHandleW(as_wcstr(dll.c_str())), module);
  BOOL done = FALSE;
  ASSERT_EQ(native->FreeLibrary(module, &done), S_OK);
  EXPECT_TRUE(done);

  // Pages get it as a 32-bit integer, which holds it in the 32-bit product
  // only.
  if constexpr (sizeof(void*) == 4) {
    const int32_t handle = Int(u"LoadLibrary", {{u"dllfile", dll}});
    ASSERT_NE(handle, 0);
    EXPECT_EQ(reinterpret_cast<intptr_t>(GetModuleHandleW(as_wcstr(dll.c_str()))), handle);
    EXPECT_FALSE(Bool(u"FreeLibrary", {{u"libModule", AsciiToUtf16(std::to_string(handle + 1))}}));
    EXPECT_TRUE(Bool(u"FreeLibrary", {{u"libModule", AsciiToUtf16(std::to_string(handle))}}));
  }

  EXPECT_EQ(Int(u"LoadLibrary", {{u"dllfile", u"C:\\no\\such.dll"}}), 0);
  EXPECT_EQ(Int(u"LoadLibrary", {{u"dllfile", u""}}), 0);
  for (const char16_t* value : {u"abc", u"", u"0", u"32", u"-1"}) {
    SCOPED_TRACE(ToUtf8(value));
    EXPECT_FALSE(Bool(u"FreeLibrary", {{u"libModule", value}}));
  }
  // Handles the loader would take for data-file mappings, and the library
  // itself, are refused; the library is still there to answer.
  for (const HMODULE refused : {reinterpret_cast<HMODULE>(reinterpret_cast<uintptr_t>(module) | 1), host_.Library()}) {
    done = TRUE;
    ASSERT_EQ(native->FreeLibrary(refused, &done), S_OK);
    EXPECT_FALSE(done);
  }
  EXPECT_EQ(Int(u"CurrentProcessId"), static_cast<int32_t>(GetCurrentProcessId()));
}

}  // namespace
