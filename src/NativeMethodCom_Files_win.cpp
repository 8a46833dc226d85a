// INativeMethods: files, directories, shell links, special folders and drives.
#include "NativeMethodCom_win.h"
#include "NativeMethod_win.h"

namespace {
std::u16string_view In(LPCWSTR text) { return as_u16view(text); }
}  // namespace

HRESULT TNativeMethodInterface::ChangeFileExt(LPCWSTR fileName, LPCWSTR ext, BSTR* result) {
  return ComResult(result, [&] { return owner_.ChangeFileExt(In(fileName), In(ext)); });
}

HRESULT TNativeMethodInterface::ExtractFilePath(LPCWSTR fileName, BSTR* result) {
  return ComResult(result, [&] { return owner_.ExtractFilePath(In(fileName)); });
}

HRESULT TNativeMethodInterface::ExtractFileDir(LPCWSTR fileName, BSTR* result) {
  return ComResult(result, [&] { return owner_.ExtractFileDir(In(fileName)); });
}

HRESULT TNativeMethodInterface::ExtractFileDrive(LPCWSTR fileName, BSTR* result) {
  return ComResult(result, [&] { return owner_.ExtractFileDrive(In(fileName)); });
}

HRESULT TNativeMethodInterface::ExtractFileName(LPCWSTR fileName, BSTR* result) {
  return ComResult(result, [&] { return owner_.ExtractFileName(In(fileName)); });
}

HRESULT TNativeMethodInterface::ExtractFileExt(LPCWSTR fileName, BSTR* result) {
  return ComResult(result, [&] { return owner_.ExtractFileExt(In(fileName)); });
}

HRESULT TNativeMethodInterface::ForceDir(LPCWSTR dirName, BOOL* result) {
  return ComResult(result, [&] { return owner_.ForceDir(In(dirName)); });
}

HRESULT TNativeMethodInterface::FileExists(LPCWSTR fileName, BOOL* result) {
  return ComResult(result, [&] { return owner_.FileExists(In(fileName)); });
}

HRESULT TNativeMethodInterface::GetFileSize(LPCWSTR fileName, INT* result) {
  return ComResult(result, [&] { return owner_.GetFileSize(In(fileName)); });
}

HRESULT TNativeMethodInterface::GetFileStr(LPCWSTR fileName, BOOL utf8, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetFileStr(In(fileName), utf8 != FALSE); });
}

HRESULT TNativeMethodInterface::GetFileStr1(LPCWSTR fileName, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetFileStr(In(fileName)); });
}

HRESULT TNativeMethodInterface::SaveStrToFile(LPCWSTR fileName, LPCWSTR str, LPCWSTR encoding, BOOL* result) {
  return ComResult(result, [&] { return owner_.SaveStrToFile(In(fileName), In(str), In(encoding)); });
}

HRESULT TNativeMethodInterface::SaveStrToFile2(LPCWSTR fileName, LPCWSTR str, BOOL* result) {
  return ComResult(result, [&] { return owner_.SaveStrToFile(In(fileName), In(str)); });
}

HRESULT TNativeMethodInterface::DirExists(LPCWSTR dirName, BOOL* result) {
  return ComResult(result, [&] { return owner_.DirExists(In(dirName)); });
}

HRESULT TNativeMethodInterface::CopyFile(LPCWSTR srcFile, LPCWSTR desFile, BOOL failIfExists, BOOL* result) {
  return ComResult(result, [&] { return owner_.CopyFile(In(srcFile), In(desFile), failIfExists != FALSE); });
}

HRESULT TNativeMethodInterface::CopyFile2(LPCWSTR srcFile, LPCWSTR desFile, BOOL* result) {
  return ComResult(result, [&] { return owner_.CopyFile(In(srcFile), In(desFile)); });
}

HRESULT TNativeMethodInterface::CopyDir(LPCWSTR srcDir, LPCWSTR desDir, BOOL ignoreIfExists, BOOL* result) {
  return ComResult(result, [&] { return owner_.CopyDir(In(srcDir), In(desDir), ignoreIfExists != FALSE); });
}

HRESULT TNativeMethodInterface::CopyDir2(LPCWSTR srcDir, LPCWSTR desDir, BOOL* result) {
  return ComResult(result, [&] { return owner_.CopyDir(In(srcDir), In(desDir)); });
}

HRESULT TNativeMethodInterface::DeleteFile(LPCWSTR fileName, BOOL* result) {
  return ComResult(result, [&] { return owner_.DeleteFile(In(fileName)); });
}

HRESULT TNativeMethodInterface::RenameFile(LPCWSTR oldName, LPCWSTR newName, BOOL* result) {
  return ComResult(result, [&] { return owner_.RenameFile(In(oldName), In(newName)); });
}

HRESULT TNativeMethodInterface::RemoveDir(LPCWSTR dirName, BOOL* result) {
  return ComResult(result, [&] { return owner_.RemoveDir(In(dirName)); });
}

HRESULT TNativeMethodInterface::EmptyDir(LPCWSTR dirName, BOOL recursive) {
  return ComCall([&] { owner_.EmptyDir(In(dirName), recursive != FALSE); });
}

HRESULT TNativeMethodInterface::EmptyDir1(LPCWSTR dirName) {
  return ComCall([&] { owner_.EmptyDir(In(dirName)); });
}

HRESULT TNativeMethodInterface::GetFileVersion(LPCWSTR fileName, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetFileVersion(In(fileName)); });
}

HRESULT TNativeMethodInterface::GetFileLastModified(LPCWSTR fileName, DATE* result) {
  return ComResult(result, [&] { return owner_.GetFileLastModified(In(fileName)); });
}

HRESULT TNativeMethodInterface::GetSystemDrive(BSTR* result) {
  return ComResult(result, [&] { return owner_.GetSystemDrive(); });
}

HRESULT TNativeMethodInterface::GetDesktopDir(BOOL common, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetDesktopDir(common != FALSE); });
}

HRESULT TNativeMethodInterface::GetDesktopDir0(BSTR* result) {
  return ComResult(result, [&] { return owner_.GetDesktopDir(); });
}

HRESULT TNativeMethodInterface::GetFontsDir(BSTR* result) {
  return ComResult(result, [&] { return owner_.GetFontsDir(); });
}

HRESULT TNativeMethodInterface::GetProgramsDir(BOOL common, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetProgramsDir(common != FALSE); });
}

HRESULT TNativeMethodInterface::GetProgramsDir0(BSTR* result) {
  return ComResult(result, [&] { return owner_.GetProgramsDir(); });
}

HRESULT TNativeMethodInterface::GetSendToDir(BSTR* result) {
  return ComResult(result, [&] { return owner_.GetSendToDir(); });
}

HRESULT TNativeMethodInterface::GetStartMenuDir(BOOL common, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetStartMenuDir(common != FALSE); });
}

HRESULT TNativeMethodInterface::GetStartMenuDir0(BSTR* result) {
  return ComResult(result, [&] { return owner_.GetStartMenuDir(); });
}

HRESULT TNativeMethodInterface::GetStartupDir(BOOL common, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetStartupDir(common != FALSE); });
}

HRESULT TNativeMethodInterface::GetStartupDir0(BSTR* result) {
  return ComResult(result, [&] { return owner_.GetStartupDir(); });
}

HRESULT TNativeMethodInterface::GetPathFromLink(LPCWSTR linkFile, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetPathFromLink(In(linkFile)); });
}

HRESULT TNativeMethodInterface::GetWorkPathFromLink(LPCWSTR linkFile, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetWorkPathFromLink(In(linkFile)); });
}

HRESULT TNativeMethodInterface::SetPathOfLink(LPCWSTR linkFile, LPCWSTR path, BOOL* result) {
  return ComResult(result, [&] { return owner_.SetPathOfLink(In(linkFile), In(path)); });
}

HRESULT TNativeMethodInterface::CreateLink(LPCWSTR linkFile, LPCWSTR programPath, LPCWSTR programArg, LPCWSTR desc,
                                           BOOL* result) {
  return ComResult(result, [&] { return owner_.CreateLink(In(linkFile), In(programPath), In(programArg), In(desc)); });
}

HRESULT TNativeMethodInterface::CreateLink3(LPCWSTR linkFile, LPCWSTR programPath, LPCWSTR programArg, BOOL* result) {
  return ComResult(result, [&] { return owner_.CreateLink(In(linkFile), In(programPath), In(programArg)); });
}

HRESULT TNativeMethodInterface::CreateLink2(LPCWSTR linkFile, LPCWSTR programPath, BOOL* result) {
  return ComResult(result, [&] { return owner_.CreateLink(In(linkFile), In(programPath)); });
}

HRESULT TNativeMethodInterface::GetFilesOfDir(LPCWSTR dirName, BSTR* result) {
  return ComResult(result, [&] { return owner_.GetFilesOfDir(In(dirName)); });
}

HRESULT TNativeMethodInterface::GetAllDrivers(BSTR* result) {
  return ComResult(result, [&] { return owner_.GetAllDrivers(); });
}

HRESULT TNativeMethodInterface::DiskFree(LPCWSTR drive, LONGLONG* result) {
  return ComResult(result, [&] { return owner_.DiskFree(In(drive)); });
}

HRESULT TNativeMethodInterface::DiskSize(LPCWSTR drive, LONGLONG* result) {
  return ComResult(result, [&] { return owner_.DiskSize(In(drive)); });
}
