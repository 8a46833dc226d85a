/*
 * INativeMethods: the library's native service object, for native code in
 * the host process. Obtain it with the export NativeMethod (see
 * KVNativeHost.h), which returns the address of the library-owned reference:
 *
 *     typedef INativeMethods** (STDMETHODCALLTYPE* NativeMethodFn)(void);
 *     INativeMethods* native = *((NativeMethodFn)GetProcAddress(lib, "NativeMethod"))();
 *
 * Do not release that reference and do not use it after the library was
 * unloaded; AddRef it for a reference of your own.
 *
 * The object answers QueryInterface for IUnknown, IID_INativeMethods and
 * IID_INativeMethodsAlt with this one operation table.
 *
 * Conventions as in KVNativeHost.h: HRESULT results, BSTR out-strings that
 * the caller frees, LPCWSTR in-strings, BOOL flags. An operation that fails
 * inside the library returns E_FAIL and sets the thread's error information
 * (GetErrorInfo) to the library's message. Results that the library reports
 * as values (false, empty text, -1) are S_OK with that value.
 *
 * Operations with several forms occupy consecutive slots; the full form
 * carries the operation's name and each shorter form adds the number of its
 * arguments (CopyFile and CopyFile2), except that for the directory
 * operations the form with the "common" flag comes first.
 */
#ifndef KVNATIVE_METHODS_H
#define KVNATIVE_METHODS_H

#include "KVNativeHost.h"

/* {A1660309-F3B6-49BC-A926-25768DCB6A85}: the second identifier of the same
 * interface. */
static const IID IID_INativeMethodsAlt = {0xA1660309, 0xF3B6, 0x49BC, {0xA9, 0x26, 0x25, 0x76, 0x8D, 0xCB, 0x6A, 0x85}};

KV_DECLARE_INTERFACE(INativeMethods, IUnknown, "55E5DB93-EBF6-4592-AB53-22A354CC6849") {
  /* Settings shared by pages and the host. The area code is the six-digit
   * region code of the tax environment; the download directory is where
   * downloads go; the debug mode is a flag the library stores for pages and
   * hosts and does not act on itself. */
  virtual HRESULT STDMETHODCALLTYPE GetAreaCode(BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDownloadDir(BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDebugMode(BOOL * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAreaCode(LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDownloadDir(LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDebugMode(BOOL value) = 0;
  /* The library-internal object behind the interface; opaque to hosts. */
  virtual HRESULT STDMETHODCALLTYPE GetImplementor(void** object) = 0;

  /* Archives. Paths are used as given. *result is TRUE when every entry was
   * extracted; entries extracted before a failing one stay. An archive that
   * cannot be read fails with E_FAIL and the reason as error information.
   * resName and resType may also be MAKEINTRESOURCE values. A module without
   * the resource extracts nothing (TRUE). DecompressGZip writes destFile only
   * when the gzip file's first member inflated to its stated length and
   * CRC. */
  virtual HRESULT STDMETHODCALLTYPE ExtractZipFile(LPCWSTR zipFile, LPCWSTR desDir, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExtractZipRes(HINSTANCE instance, LPCWSTR resName, LPCWSTR resType,
                                                  LPCWSTR destDir, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE DecompressGZip(LPCWSTR gzFile, LPCWSTR destFile, BOOL * result) = 0;
};
static const IID IID_INativeMethods = {0x55E5DB93, 0xEBF6, 0x4592, {0xAB, 0x53, 0x22, 0xA3, 0x54, 0xCC, 0x68, 0x49}};
KV_DEFINE_IID(INativeMethods, 0x55E5DB93, 0xEBF6, 0x4592, 0xAB, 0x53, 0x22, 0xA3, 0x54, 0xCC, 0x68, 0x49)

#endif /* KVNATIVE_METHODS_H */
