// INativeMethods for hosts: each operation forwards to TNativeMethod and
// turns the library's failures into HRESULTs with error information.
#pragma once

#include <new>

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

// Out-parameters of operations: text as a BSTR the caller frees, Booleans
// as BOOL, numbers as they are.
inline void SetComOut(BSTR& out, const std::u16string& value) {
  out = AllocBstr(value);
  if (!out) throw std::bad_alloc();
}
inline void SetComOut(BOOL& out, bool value) { out = value ? TRUE : FALSE; }
template <typename T, typename V>
void SetComOut(T& out, V value) {
  out = static_cast<T>(value);
}

// ComCall for an operation with a result: E_POINTER without an out-slot; the
// slot is cleared first, so that a failed call leaves nothing to free.
template <typename T, typename Body>
HRESULT ComResult(T* out, Body&& body) noexcept {
  if (!out) return E_POINTER;
  *out = T();
  return ComCall([&] { SetComOut(*out, body()); });
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

  // Trace.
  HRESULT STDMETHODCALLTYPE Log(LPCWSTR text) override;

 private:
  TNativeMethod& owner_;
};
