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

  HRESULT STDMETHODCALLTYPE ExtractZipFile(LPCWSTR zipFile, LPCWSTR desDir, BOOL* result) override;
  HRESULT STDMETHODCALLTYPE ExtractZipRes(HINSTANCE instance, LPCWSTR resName, LPCWSTR resType, LPCWSTR destDir,
                                          BOOL* result) override;
  HRESULT STDMETHODCALLTYPE DecompressGZip(LPCWSTR gzFile, LPCWSTR destFile, BOOL* result) override;

 private:
  TNativeMethod& owner_;
};
