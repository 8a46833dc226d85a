// System methods: processes, the host's own process, the shell and the
// elevation check.
#include "NativeMethod_win.h"  // <windows.h> first

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "JsonValue.h"
#include "NativePaths.h"
#include "NativePublic_win.h"
#include "NativeSystemText.h"
#include "ShellProcess_win.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

// The path of the process's first module (its executable), at most
// MAX_PATH units; empty when the process cannot be opened.
std::u16string FirstModulePath(DWORD processId) {
  if (processId == 0) return {};
  const unique_handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) return {};
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameExW(process.get(), nullptr, path, MAX_PATH);
  return std::u16string(as_u16cstr(path), std::min<DWORD>(n, MAX_PATH));
}

// The first process whose executable is `procName` (a full path); 0 when
// none is.
DWORD FindProcessByPath(const std::u16string& procName) {
  const std::u16string fileName = ExtractFileName(procName);
  if (fileName.empty()) return 0;
  const unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (!SamePathText(as_u16view(entry.szExeFile), fileName)) continue;
    if (SamePathText(FirstModulePath(entry.th32ProcessID), procName)) return entry.th32ProcessID;
  }
  return 0;
}

// Lets this process open processes of other users for termination; a
// failure leaves the token as it was.
void EnableDebugPrivilege() {
  unique_handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) return;
  AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
}

// The host's arguments, the program excluded.
std::vector<std::u16string> HostArguments() {
  std::vector<std::u16string> args = SplitCommandLine(as_u16view(::GetCommandLineW()));
  if (!args.empty()) args.erase(args.begin());
  return args;
}

bool StartWithShell(const std::u16string& file, const std::u16string& params, int showCmd, bool runAsAdmin) {
  return static_cast<bool>(RunShellProcess(file, params, showCmd, runAsAdmin));
}

const wchar_t* TextOrNull(const std::u16string& text) { return text.empty() ? nullptr : as_wcstr(text.c_str()); }

}  // namespace

// Processes

DWORD TNativeMethod::GetProcessID(const std::u16string& procName) { return FindProcessByPath(procName); }

std::u16string TNativeMethod::GetProcessFile(DWORD processId) { return FirstModulePath(processId); }

bool TNativeMethod::KillProcess(const std::u16string& procName) {
  EnableDebugPrivilege();
  const DWORD processId = FindProcessByPath(procName);
  if (processId == 0) return false;
  const unique_handle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  return process && TerminateProcess(process.get(), 0) != FALSE;
}

DWORD TNativeMethod::CurrentProcessId() { return ::GetCurrentProcessId(); }

std::u16string TNativeMethod::GetCommandLine() {
  IJsonArrayPtr args = NewJsonArray();
  for (const std::u16string& arg : HostArguments()) args->AddString(arg);
  return args->ToJson();
}

std::u16string TNativeMethod::CurrentProcessFile() { return HostExecutablePath(); }

std::u16string TNativeMethod::CurrentProcessFilename() { return ExtractFileName(HostExecutablePath()); }

std::u16string TNativeMethod::CurrentProcessDir() { return HostExecutableDir(); }

std::u16string TNativeMethod::CurrentProcessPath() { return IncludeTrailingBackslash(HostExecutableDir()); }

// The shell

void TNativeMethod::Restart() {
  const std::u16string exe = HostExecutablePath();
  const std::u16string text = RestartCommandText(::GetCurrentProcessId(), exe, HostArguments());
  const TRestartStarter start = restartStarter_ ? restartStarter_ : StartWithShell;
  start(u"cmd.exe", text, SW_HIDE, NeedAdminPrivileges(exe));
}

bool TNativeMethod::ExecAndWait(const std::u16string& exeFile, const std::u16string& cmdLine, int showMode) {
  return RunShellProcessAndWait(exeFile, cmdLine, showMode, NeedAdminPrivileges(exeFile));
}

bool TNativeMethod::ShellExecute(const std::u16string& operation, const std::u16string& fileName,
                                 const std::u16string& params, const std::u16string& dir, int showCmd) {
  if (fileName.empty()) return false;
  const HINSTANCE result = ::ShellExecuteW(nullptr, TextOrNull(operation), as_wcstr(fileName.c_str()),
                                           TextOrNull(params), TextOrNull(dir), showCmd);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool TNativeMethod::NeedAdminPrivileges(const std::u16string& exeFile) {
  if (NameSuggestsInstaller(ExtractFileName(exeFile))) return true;
  if (exeFile.empty()) return false;
  const std::u16string manifestFile = exeFile + u".manifest";
  if (GetFileAttributesW(as_wcstr(manifestFile.c_str())) != INVALID_FILE_ATTRIBUTES) return true;
  const unique_hmodule module(LoadLibraryExW(as_wcstr(exeFile.c_str()), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return false;
  const HRSRC resource = FindResourceW(module.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  if (!resource) return false;
  const DWORD size = SizeofResource(module.get(), resource);
  const HGLOBAL loaded = LoadResource(module.get(), resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return false;
  return ManifestRequiresAdministrator(std::string_view(static_cast<const char*>(data), size));
}
