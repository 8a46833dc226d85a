// INativeMethods: the archive operations.
#include "NativeMethodCom_win.h"

#include "NativeMethod_win.h"
#include "NativeStrings.h"

namespace {

// A resource name or type as FindResource takes it in text: MAKEINTRESOURCE
// values become "#" and the number.
std::u16string ResourceIdText(LPCWSTR id) {
  if (IS_INTRESOURCE(id)) return u"#" + IntToStr(reinterpret_cast<ULONG_PTR>(id));
  return ComText(id);
}

}  // namespace

HRESULT TNativeMethodInterface::ExtractZipFile(LPCWSTR zipFile, LPCWSTR desDir, BOOL* result) {
  return ComReturn(result, [&] { return owner_.ExtractZipFile(ComText(zipFile), ComText(desDir)); });
}

HRESULT TNativeMethodInterface::ExtractZipRes(HINSTANCE instance, LPCWSTR resName, LPCWSTR resType, LPCWSTR destDir,
                                              BOOL* result) {
  return ComReturn(result, [&] {
    return owner_.ExtractZipRes(instance, ResourceIdText(resName), ResourceIdText(resType), ComText(destDir));
  });
}

HRESULT TNativeMethodInterface::DecompressGZip(LPCWSTR gzFile, LPCWSTR destFile, BOOL* result) {
  return ComReturn(result, [&] { return owner_.DecompressGZip(ComText(gzFile), ComText(destFile)); });
}
