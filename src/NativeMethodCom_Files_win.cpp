// INativeMethods: files, directories, shell links, special folders and drives.
#include "NativeMethodCom_win.h"
#include "NativeMethod_win.h"

HRESULT TNativeMethodInterface::ChangeFileExt(LPCWSTR fileName, LPCWSTR ext, BSTR* result) {
  return ComReturn(result, [&] { return owner_.ChangeFileExt(ComText(fileName), ComText(ext)); });
}

HRESULT TNativeMethodInterface::ExtractFilePath(LPCWSTR fileName, BSTR* result) {
  return ComReturn(result, [&] { return owner_.ExtractFilePath(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::ExtractFileDir(LPCWSTR fileName, BSTR* result) {
  return ComReturn(result, [&] { return owner_.ExtractFileDir(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::ExtractFileDrive(LPCWSTR fileName, BSTR* result) {
  return ComReturn(result, [&] { return owner_.ExtractFileDrive(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::ExtractFileName(LPCWSTR fileName, BSTR* result) {
  return ComReturn(result, [&] { return owner_.ExtractFileName(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::ExtractFileExt(LPCWSTR fileName, BSTR* result) {
  return ComReturn(result, [&] { return owner_.ExtractFileExt(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::ForceDir(LPCWSTR dirName, BOOL* result) {
  return ComReturn(result, [&] { return owner_.ForceDir(ComText(dirName)); });
}

HRESULT TNativeMethodInterface::FileExists(LPCWSTR fileName, BOOL* result) {
  return ComReturn(result, [&] { return owner_.FileExists(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::GetFileSize(LPCWSTR fileName, INT* result) {
  return ComReturn(result, [&] { return owner_.GetFileSize(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::GetFileStr(LPCWSTR fileName, BOOL utf8, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetFileStr(ComText(fileName), utf8 != FALSE); });
}

HRESULT TNativeMethodInterface::GetFileStr1(LPCWSTR fileName, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetFileStr(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::SaveStrToFile(LPCWSTR fileName, LPCWSTR str, LPCWSTR encoding, BOOL* result) {
  return ComReturn(result, [&] { return owner_.SaveStrToFile(ComText(fileName), ComText(str), ComText(encoding)); });
}

HRESULT TNativeMethodInterface::SaveStrToFile2(LPCWSTR fileName, LPCWSTR str, BOOL* result) {
  return ComReturn(result, [&] { return owner_.SaveStrToFile(ComText(fileName), ComText(str)); });
}

HRESULT TNativeMethodInterface::DirExists(LPCWSTR dirName, BOOL* result) {
  return ComReturn(result, [&] { return owner_.DirExists(ComText(dirName)); });
}

HRESULT TNativeMethodInterface::CopyFile(LPCWSTR srcFile, LPCWSTR desFile, BOOL failIfExists, BOOL* result) {
  return ComReturn(result, [&] { return owner_.CopyFile(ComText(srcFile), ComText(desFile), failIfExists != FALSE); });
}

HRESULT TNativeMethodInterface::CopyFile2(LPCWSTR srcFile, LPCWSTR desFile, BOOL* result) {
  return ComReturn(result, [&] { return owner_.CopyFile(ComText(srcFile), ComText(desFile)); });
}

HRESULT TNativeMethodInterface::CopyDir(LPCWSTR srcDir, LPCWSTR desDir, BOOL ignoreIfExists, BOOL* result) {
  return ComReturn(result, [&] { return owner_.CopyDir(ComText(srcDir), ComText(desDir), ignoreIfExists != FALSE); });
}

HRESULT TNativeMethodInterface::CopyDir2(LPCWSTR srcDir, LPCWSTR desDir, BOOL* result) {
  return ComReturn(result, [&] { return owner_.CopyDir(ComText(srcDir), ComText(desDir)); });
}

HRESULT TNativeMethodInterface::DeleteFile(LPCWSTR fileName, BOOL* result) {
  return ComReturn(result, [&] { return owner_.DeleteFile(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::RenameFile(LPCWSTR oldName, LPCWSTR newName, BOOL* result) {
  return ComReturn(result, [&] { return owner_.RenameFile(ComText(oldName), ComText(newName)); });
}

HRESULT TNativeMethodInterface::RemoveDir(LPCWSTR dirName, BOOL* result) {
  return ComReturn(result, [&] { return owner_.RemoveDir(ComText(dirName)); });
}

HRESULT TNativeMethodInterface::EmptyDir(LPCWSTR dirName, BOOL recursive) {
  return ComCall([&] { owner_.EmptyDir(ComText(dirName), recursive != FALSE); });
}

HRESULT TNativeMethodInterface::EmptyDir1(LPCWSTR dirName) {
  return ComCall([&] { owner_.EmptyDir(ComText(dirName)); });
}

HRESULT TNativeMethodInterface::GetFileVersion(LPCWSTR fileName, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetFileVersion(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::GetFileLastModified(LPCWSTR fileName, DATE* result) {
  return ComReturn(result, [&] { return owner_.GetFileLastModified(ComText(fileName)); });
}

HRESULT TNativeMethodInterface::GetSystemDrive(BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetSystemDrive(); });
}

HRESULT TNativeMethodInterface::GetDesktopDir(BOOL common, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetDesktopDir(common != FALSE); });
}

HRESULT TNativeMethodInterface::GetDesktopDir0(BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetDesktopDir(); });
}

HRESULT TNativeMethodInterface::GetFontsDir(BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetFontsDir(); });
}

HRESULT TNativeMethodInterface::GetProgramsDir(BOOL common, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetProgramsDir(common != FALSE); });
}

HRESULT TNativeMethodInterface::GetProgramsDir0(BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetProgramsDir(); });
}

HRESULT TNativeMethodInterface::GetSendToDir(BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetSendToDir(); });
}

HRESULT TNativeMethodInterface::GetStartMenuDir(BOOL common, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetStartMenuDir(common != FALSE); });
}

HRESULT TNativeMethodInterface::GetStartMenuDir0(BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetStartMenuDir(); });
}

HRESULT TNativeMethodInterface::GetStartupDir(BOOL common, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetStartupDir(common != FALSE); });
}

HRESULT TNativeMethodInterface::GetStartupDir0(BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetStartupDir(); });
}

HRESULT TNativeMethodInterface::GetPathFromLink(LPCWSTR linkFile, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetPathFromLink(ComText(linkFile)); });
}

HRESULT TNativeMethodInterface::GetWorkPathFromLink(LPCWSTR linkFile, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetWorkPathFromLink(ComText(linkFile)); });
}

HRESULT TNativeMethodInterface::SetPathOfLink(LPCWSTR linkFile, LPCWSTR path, BOOL* result) {
  return ComReturn(result, [&] { return owner_.SetPathOfLink(ComText(linkFile), ComText(path)); });
}

HRESULT TNativeMethodInterface::CreateLink(LPCWSTR linkFile, LPCWSTR programPath, LPCWSTR programArg, LPCWSTR desc,
                                           BOOL* result) {
  return ComReturn(result, [&] {
    return owner_.CreateLink(ComText(linkFile), ComText(programPath), ComText(programArg), ComText(desc));
  });
}

HRESULT TNativeMethodInterface::CreateLink3(LPCWSTR linkFile, LPCWSTR programPath, LPCWSTR programArg, BOOL* result) {
  return ComReturn(result,
                   [&] { return owner_.CreateLink(ComText(linkFile), ComText(programPath), ComText(programArg)); });
}

HRESULT TNativeMethodInterface::CreateLink2(LPCWSTR linkFile, LPCWSTR programPath, BOOL* result) {
  return ComReturn(result, [&] { return owner_.CreateLink(ComText(linkFile), ComText(programPath)); });
}

HRESULT TNativeMethodInterface::GetFilesOfDir(LPCWSTR dirName, BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetFilesOfDir(ComText(dirName)); });
}

HRESULT TNativeMethodInterface::GetAllDrivers(BSTR* result) {
  return ComReturn(result, [&] { return owner_.GetAllDrivers(); });
}

HRESULT TNativeMethodInterface::DiskFree(LPCWSTR drive, LONGLONG* result) {
  return ComReturn(result, [&] { return owner_.DiskFree(ComText(drive)); });
}

HRESULT TNativeMethodInterface::DiskSize(LPCWSTR drive, LONGLONG* result) {
  return ComReturn(result, [&] { return owner_.DiskSize(ComText(drive)); });
}
