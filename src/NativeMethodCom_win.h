// INativeMethods for hosts: each operation forwards to TNativeMethod and
// turns the library's failures into HRESULTs with error information.
#pragma once

#include <new>
#include <string>

#include "KVNativeMethods.h"
#include "NativeError.h"
#include "WinText.h"

class TNativeMethod;

// Runs `body` at the COM boundary: S_OK, or E_FAIL with the library's message
// as the thread's error information; nothing escapes to the caller.
template <typename Body>
HRESULT ComCall(Body&& body) noexcept;

void SetComErrorMessage(std::u16string_view message) noexcept;

template <typename Body>
HRESULT ComCall(Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const ENativeError& e) {
    SetComErrorMessage(e.Message());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    SetComErrorMessage(u"Unknown error");
  }
  return E_FAIL;
}

// In-strings from hosts: NULL reads as empty text.
inline std::u16string ComText(LPCWSTR text) { return std::u16string(as_u16view(text)); }

// Out-values: BOOL for bool, a caller-freed BSTR for text, others as they are.
inline void ComStore(BOOL* out, bool value) { *out = value ? TRUE : FALSE; }
inline void ComStore(BSTR* out, const std::u16string& value) {
  *out = AllocBstr(value);
  if (!*out) throw std::bad_alloc();
}
template <typename T>
void ComStore(T* out, T value) {
  *out = value;
}

// ComCall for an operation with one out-value: `*out` is cleared first and
// receives what `body` returns.
template <typename Out, typename Body>
HRESULT ComReturn(Out* out, Body&& body) noexcept {
  if (!out) return E_POINTER;
  *out = Out{};
  return ComCall([&] { ComStore(out, body()); });
}

class TNativeMethodInterface final : public INativeMethods {
 public:
  explicit TNativeMethodInterface(TNativeMethod& owner) : owner_(owner) {}

  // IUnknown: answers IUnknown and both identifiers of INativeMethods; the
  // reference count is the owner's.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetAreaCode(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetDownloadDir(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetDebugMode(BOOL* value) override;
  HRESULT STDMETHODCALLTYPE SetAreaCode(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE SetDownloadDir(LPCWSTR value) override;
  HRESULT STDMETHODCALLTYPE SetDebugMode(BOOL value) override;
  HRESULT STDMETHODCALLTYPE GetImplementor(void** object) override;
  HRESULT STDMETHODCALLTYPE FunctionToDispatch(IUnknown* function, IDispatch** dispatch) override;

  // System (NativeMethodCom_System_win.cpp).
  HRESULT STDMETHODCALLTYPE GetCommandLine(BSTR* json) override;
  HRESULT STDMETHODCALLTYPE CurrentProcessFile(BSTR* path) override;
  HRESULT STDMETHODCALLTYPE CurrentProcessFilename(BSTR* name) override;
  HRESULT STDMETHODCALLTYPE CurrentProcessDir(BSTR* dir) override;
  HRESULT STDMETHODCALLTYPE CurrentProcessPath(BSTR* dir) override;
  HRESULT STDMETHODCALLTYPE CurrentProcessId(DWORD* processId) override;
  HRESULT STDMETHODCALLTYPE EnvVarExists(LPCWSTR varName, BOOL* exists) override;
  HRESULT STDMETHODCALLTYPE GetEnvVar(LPCWSTR varName, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE SetEnvVar(LPCWSTR varName, LPCWSTR varValue, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE RegKeyExists(LPCWSTR keyName, BOOL* exists) override;
  HRESULT STDMETHODCALLTYPE GetRegKeyValue(UINT root, LPCWSTR keyName, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE SetRegKeyValue(UINT root, LPCWSTR keyName, LPCWSTR keyValue, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE DeleteRegKey(UINT root, LPCWSTR keyName, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE GetIniSections(LPCWSTR fileName, BSTR* json) override;
  HRESULT STDMETHODCALLTYPE GetIniSectionValues(LPCWSTR fileName, LPCWSTR section, BSTR* json) override;
  HRESULT STDMETHODCALLTYPE GetIniValue(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, LPCWSTR def,
                                        BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetIniValue3(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE SetIniValue(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, LPCWSTR value,
                                        BOOL* done) override;
  HRESULT STDMETHODCALLTYPE DeleteIniSection(LPCWSTR fileName, LPCWSTR section, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE DeleteIniKey(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE CopyStrToClip(LPCWSTR text, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE GetProcessID(LPCWSTR procName, DWORD* processId) override;
  HRESULT STDMETHODCALLTYPE GetProcessFile(DWORD processId, BSTR* path) override;
  HRESULT STDMETHODCALLTYPE KillProcess(LPCWSTR procName, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE Restart() override;
  HRESULT STDMETHODCALLTYPE ExecAndWait(LPCWSTR exeFile, LPCWSTR cmdLine, INT32 showMode, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE ShellExecute(LPCWSTR operation, LPCWSTR fileName, LPCWSTR params, LPCWSTR dir,
                                         INT32 showCmd, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE ShellExecute4(LPCWSTR operation, LPCWSTR fileName, LPCWSTR params, LPCWSTR dir,
                                          BOOL* done) override;
  HRESULT STDMETHODCALLTYPE ShellExecute3(LPCWSTR operation, LPCWSTR fileName, LPCWSTR params, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE ShellExecute2(LPCWSTR operation, LPCWSTR fileName, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE NeedAdminPrivileges(LPCWSTR exeFile, BOOL* needed) override;
  HRESULT STDMETHODCALLTYPE LoadLibrary(LPCWSTR dllFile, HMODULE* module) override;
  HRESULT STDMETHODCALLTYPE FreeLibrary(HMODULE module, BOOL* done) override;
  HRESULT STDMETHODCALLTYPE GetOSInfo(BSTR* json) override;
  HRESULT STDMETHODCALLTYPE GetMacAddress(BSTR* json) override;
  HRESULT STDMETHODCALLTYPE GetMemoryStatus(BSTR* json) override;
  // Hashes, encodings, keys and ciphers (NativeMethodCom_Crypto_win.cpp).
  HRESULT STDMETHODCALLTYPE CreateTimeStamp(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE CreateAppKey(LPCWSTR appId, LPCWSTR appSecret, LPCWSTR timeStamp, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetStrMd5Code(LPCWSTR str, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetStrSHA1Code(LPCWSTR str, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE CreateGUID(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetFileMd5Code(LPCWSTR fileName, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetFileSHA1Code(LPCWSTR fileName, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE AESEncrypt(LPCWSTR data, LPCWSTR key, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE AESEncrypt1(LPCWSTR data, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE AESDecrypt(LPCWSTR data, LPCWSTR key, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE AESDecrypt1(LPCWSTR data, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE Base64Encode(LPCWSTR str, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE Base64Decode(LPCWSTR str, BSTR* value) override;

  // Files and directories (NativeMethodCom_Files_win.cpp).
  HRESULT STDMETHODCALLTYPE ChangeFileExt(LPCWSTR fileName, LPCWSTR ext, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE ExtractFilePath(LPCWSTR fileName, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE ExtractFileDir(LPCWSTR fileName, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE ExtractFileDrive(LPCWSTR fileName, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE ExtractFileName(LPCWSTR fileName, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE ExtractFileExt(LPCWSTR fileName, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE ForceDir(LPCWSTR dirName, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE FileExists(LPCWSTR fileName, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE GetFileSize(LPCWSTR fileName, INT* result) override;
  HRESULT STDMETHODCALLTYPE GetFileStr(LPCWSTR fileName, BOOL utf8, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetFileStr1(LPCWSTR fileName, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE SaveStrToFile(LPCWSTR fileName, LPCWSTR str, LPCWSTR encoding, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE SaveStrToFile2(LPCWSTR fileName, LPCWSTR str, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE DirExists(LPCWSTR dirName, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE CopyFile(LPCWSTR srcFile, LPCWSTR desFile, BOOL failIfExists, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE CopyFile2(LPCWSTR srcFile, LPCWSTR desFile, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE CopyDir(LPCWSTR srcDir, LPCWSTR desDir, BOOL ignoreIfExists, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE CopyDir2(LPCWSTR srcDir, LPCWSTR desDir, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE DeleteFile(LPCWSTR fileName, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE RenameFile(LPCWSTR oldName, LPCWSTR newName, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE RemoveDir(LPCWSTR dirName, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE EmptyDir(LPCWSTR dirName, BOOL recursive) override;
  HRESULT STDMETHODCALLTYPE EmptyDir1(LPCWSTR dirName) override;
  HRESULT STDMETHODCALLTYPE GetFileVersion(LPCWSTR fileName, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetFileLastModified(LPCWSTR fileName, DATE* result) override;
  HRESULT STDMETHODCALLTYPE GetSystemDrive(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetDesktopDir(BOOL common, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetDesktopDir0(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetFontsDir(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetProgramsDir(BOOL common, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetProgramsDir0(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetSendToDir(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetStartMenuDir(BOOL common, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetStartMenuDir0(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetStartupDir(BOOL common, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetStartupDir0(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetPathFromLink(LPCWSTR linkFile, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetWorkPathFromLink(LPCWSTR linkFile, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE SetPathOfLink(LPCWSTR linkFile, LPCWSTR path, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE CreateLink(LPCWSTR linkFile, LPCWSTR programPath, LPCWSTR programArg, LPCWSTR desc,
                                       BOOL* result) override;
  HRESULT STDMETHODCALLTYPE CreateLink3(LPCWSTR linkFile, LPCWSTR programPath, LPCWSTR programArg,
                                        BOOL* result) override;
  HRESULT STDMETHODCALLTYPE CreateLink2(LPCWSTR linkFile, LPCWSTR programPath, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE GetFilesOfDir(LPCWSTR dirName, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE GetAllDrivers(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE DiskFree(LPCWSTR drive, LONGLONG* result) override;
  HRESULT STDMETHODCALLTYPE DiskSize(LPCWSTR drive, LONGLONG* result) override;

  // Archives (NativeMethodCom_Zip_win.cpp).
  HRESULT STDMETHODCALLTYPE ExtractZipFile(LPCWSTR zipFile, LPCWSTR desDir, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE ExtractZipRes(HINSTANCE instance, LPCWSTR resName, LPCWSTR resType, LPCWSTR destDir,
                                          BOOL* result) override;
  HRESULT STDMETHODCALLTYPE DecompressGZip(LPCWSTR gzFile, LPCWSTR destFile, BOOL* result) override;

  // Trace.
  HRESULT STDMETHODCALLTYPE Log(LPCWSTR text) override;

 private:
  TNativeMethod& owner_;
};
