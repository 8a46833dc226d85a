// INativeMethods: the system operations.
#include "NativeMethodCom_win.h"
#include "NativeMethod_win.h"

HRESULT TNativeMethodInterface::GetCommandLine(BSTR* json) {
  return ComReturn(json, [&] { return owner_.GetCommandLine(); });
}

HRESULT TNativeMethodInterface::CurrentProcessFile(BSTR* path) {
  return ComReturn(path, [&] { return owner_.CurrentProcessFile(); });
}

HRESULT TNativeMethodInterface::CurrentProcessFilename(BSTR* name) {
  return ComReturn(name, [&] { return owner_.CurrentProcessFilename(); });
}

HRESULT TNativeMethodInterface::CurrentProcessDir(BSTR* dir) {
  return ComReturn(dir, [&] { return owner_.CurrentProcessDir(); });
}

HRESULT TNativeMethodInterface::CurrentProcessPath(BSTR* dir) {
  return ComReturn(dir, [&] { return owner_.CurrentProcessPath(); });
}

HRESULT TNativeMethodInterface::CurrentProcessId(DWORD* processId) {
  return ComReturn(processId, [&] { return owner_.CurrentProcessId(); });
}

HRESULT TNativeMethodInterface::EnvVarExists(LPCWSTR varName, BOOL* exists) {
  return ComReturn(exists, [&] { return owner_.EnvVarExists(ComText(varName)); });
}

HRESULT TNativeMethodInterface::GetEnvVar(LPCWSTR varName, BSTR* value) {
  return ComReturn(value, [&] { return owner_.GetEnvVar(ComText(varName)); });
}

HRESULT TNativeMethodInterface::SetEnvVar(LPCWSTR varName, LPCWSTR varValue, BOOL* done) {
  return ComReturn(done, [&] { return owner_.SetEnvVar(ComText(varName), ComText(varValue)); });
}

HRESULT TNativeMethodInterface::RegKeyExists(LPCWSTR keyName, BOOL* exists) {
  return ComReturn(exists, [&] { return owner_.RegKeyExists(ComText(keyName)); });
}

HRESULT TNativeMethodInterface::GetRegKeyValue(UINT root, LPCWSTR keyName, BSTR* value) {
  return ComReturn(value, [&] { return owner_.GetRegKeyValue(root, ComText(keyName)); });
}

HRESULT TNativeMethodInterface::SetRegKeyValue(UINT root, LPCWSTR keyName, LPCWSTR keyValue, BOOL* done) {
  return ComReturn(done, [&] { return owner_.SetRegKeyValue(root, ComText(keyName), ComText(keyValue)); });
}

HRESULT TNativeMethodInterface::DeleteRegKey(UINT root, LPCWSTR keyName, BOOL* done) {
  return ComReturn(done, [&] { return owner_.DeleteRegKey(root, ComText(keyName)); });
}

HRESULT TNativeMethodInterface::GetIniSections(LPCWSTR fileName, BSTR* json) {
  return ComReturn(json, [&] { return owner_.GetIniSections(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::GetIniSectionValues(LPCWSTR fileName, LPCWSTR section, BSTR* json) {
  return ComReturn(json, [&] { return owner_.GetIniSectionValues(ComText(fileName), ComText(section)); });
}

HRESULT TNativeMethodInterface::GetIniValue(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, LPCWSTR def,
                                            BSTR* value) {
  return ComReturn(
      value, [&] { return owner_.GetIniValue(ComText(fileName), ComText(section), ComText(key), ComText(def)); });
}

HRESULT TNativeMethodInterface::GetIniValue3(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, BSTR* value) {
  return ComReturn(value, [&] { return owner_.GetIniValue(ComText(fileName), ComText(section), ComText(key)); });
}

HRESULT TNativeMethodInterface::SetIniValue(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, LPCWSTR value,
                                            BOOL* done) {
  return ComReturn(
      done, [&] { return owner_.SetIniValue(ComText(fileName), ComText(section), ComText(key), ComText(value)); });
}

HRESULT TNativeMethodInterface::DeleteIniSection(LPCWSTR fileName, LPCWSTR section, BOOL* done) {
  return ComReturn(done, [&] { return owner_.DeleteIniSection(ComText(fileName), ComText(section)); });
}

HRESULT TNativeMethodInterface::DeleteIniKey(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, BOOL* done) {
  return ComReturn(done, [&] { return owner_.DeleteIniKey(ComText(fileName), ComText(section), ComText(key)); });
}

HRESULT TNativeMethodInterface::CopyStrToClip(LPCWSTR text, BOOL* done) {
  return ComReturn(done, [&] { return owner_.CopyStrToClip(ComText(text)); });
}

HRESULT TNativeMethodInterface::GetProcessID(LPCWSTR procName, DWORD* processId) {
  return ComReturn(processId, [&] { return owner_.GetProcessID(ComText(procName)); });
}

HRESULT TNativeMethodInterface::GetProcessFile(DWORD processId, BSTR* path) {
  return ComReturn(path, [&] { return owner_.GetProcessFile(processId); });
}

HRESULT TNativeMethodInterface::KillProcess(LPCWSTR procName, BOOL* done) {
  return ComReturn(done, [&] { return owner_.KillProcess(ComText(procName)); });
}

HRESULT TNativeMethodInterface::Restart() {
  return ComCall([&] { owner_.Restart(); });
}

HRESULT TNativeMethodInterface::ExecAndWait(LPCWSTR exeFile, LPCWSTR cmdLine, INT32 showMode, BOOL* done) {
  return ComReturn(done, [&] { return owner_.ExecAndWait(ComText(exeFile), ComText(cmdLine), showMode); });
}

HRESULT TNativeMethodInterface::ShellExecute(LPCWSTR operation, LPCWSTR fileName, LPCWSTR params, LPCWSTR dir,
                                             INT32 showCmd, BOOL* done) {
  return ComReturn(done, [&] {
    return owner_.ShellExecute(ComText(operation), ComText(fileName), ComText(params), ComText(dir), showCmd);
  });
}

HRESULT TNativeMethodInterface::ShellExecute4(LPCWSTR operation, LPCWSTR fileName, LPCWSTR params, LPCWSTR dir,
                                              BOOL* done) {
  return ComReturn(
      done, [&] { return owner_.ShellExecute(ComText(operation), ComText(fileName), ComText(params), ComText(dir)); });
}

HRESULT TNativeMethodInterface::ShellExecute3(LPCWSTR operation, LPCWSTR fileName, LPCWSTR params, BOOL* done) {
  return ComReturn(done, [&] { return owner_.ShellExecute(ComText(operation), ComText(fileName), ComText(params)); });
}

HRESULT TNativeMethodInterface::ShellExecute2(LPCWSTR operation, LPCWSTR fileName, BOOL* done) {
  return ComReturn(done, [&] { return owner_.ShellExecute(ComText(operation), ComText(fileName)); });
}

HRESULT TNativeMethodInterface::NeedAdminPrivileges(LPCWSTR exeFile, BOOL* needed) {
  return ComReturn(needed, [&] { return owner_.NeedAdminPrivileges(ComText(exeFile)); });
}

HRESULT TNativeMethodInterface::LoadLibrary(LPCWSTR dllFile, HMODULE* module) {
  return ComReturn(module, [&] { return owner_.LoadLibrary(ComText(dllFile)); });
}

HRESULT TNativeMethodInterface::FreeLibrary(HMODULE module, BOOL* done) {
  return ComReturn(done, [&] { return owner_.FreeLibrary(module); });
}

HRESULT TNativeMethodInterface::GetOSInfo(BSTR* json) {
  return ComReturn(json, [&] { return owner_.GetOSInfo(); });
}

HRESULT TNativeMethodInterface::GetMacAddress(BSTR* json) {
  return ComReturn(json, [&] { return owner_.GetMacAddress(); });
}

HRESULT TNativeMethodInterface::GetMemoryStatus(BSTR* json) {
  return ComReturn(json, [&] { return owner_.GetMemoryStatus(); });
}
