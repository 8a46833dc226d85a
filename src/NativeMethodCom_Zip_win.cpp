// INativeMethods: the archive operations.
#include "NativeMethodCom_win.h"

#include "NativeMethod_win.h"
#include "NativeStrings.h"

namespace {

// A resource name or type as FindResource takes it in text: MAKEINTRESOURCE
// values become "#" and the number.
std::u16string ResourceIdText(LPCWSTR id) {
  if (IS_INTRESOURCE(id)) return u"#" + IntToStr(reinterpret_cast<ULONG_PTR>(id));
  return std::u16string(as_u16view(id));
}

}  // namespace

HRESULT TNativeMethodInterface::ExtractZipFile(LPCWSTR zipFile, LPCWSTR desDir, BOOL* result) {
  if (!result) return E_POINTER;
  return ComCall([&] { *result = owner_.ExtractZipFile(as_u16view(zipFile), as_u16view(desDir)); });
}

HRESULT TNativeMethodInterface::ExtractZipRes(HINSTANCE instance, LPCWSTR resName, LPCWSTR resType, LPCWSTR destDir,
                                              BOOL* result) {
  if (!result) return E_POINTER;
  return ComCall([&] {
    *result = owner_.ExtractZipRes(instance, ResourceIdText(resName), ResourceIdText(resType), as_u16view(destDir));
  });
}

HRESULT TNativeMethodInterface::DecompressGZip(LPCWSTR gzFile, LPCWSTR destFile, BOOL* result) {
  if (!result) return E_POINTER;
  return ComCall([&] { *result = owner_.DecompressGZip(as_u16view(gzFile), as_u16view(destFile)); });
}
