// Web methods of files, directories, shell links, special folders and drives.
#include "NativeMethod_win.h"
#include "WebNativeMeths_win.h"

namespace {

const TWebMethodBinding kBindings[] = {
    {u"ChangeFileExt", [](TWebCall& c) { c.Result(c.Native().ChangeFileExt(c.Text(u"filename"), c.Text(u"ext"))); }},
    {u"ExtractFilePath", [](TWebCall& c) { c.Result(c.Native().ExtractFilePath(c.Text(u"filename"))); }},
    {u"ExtractFileDir", [](TWebCall& c) { c.Result(c.Native().ExtractFileDir(c.Text(u"filename"))); }},
    {u"ExtractFileDrive", [](TWebCall& c) { c.Result(c.Native().ExtractFileDrive(c.Text(u"filename"))); }},
    {u"ExtractFileName", [](TWebCall& c) { c.Result(c.Native().ExtractFileName(c.Text(u"filename"))); }},
    {u"ExtractFileExt", [](TWebCall& c) { c.Result(c.Native().ExtractFileExt(c.Text(u"filename"))); }},
    {u"ForceDir", [](TWebCall& c) { c.Result(c.Native().ForceDir(c.Text(u"dirname"))); }},
    {u"FileExists", [](TWebCall& c) { c.Result(c.Native().FileExists(c.Text(u"filename"))); }},
    {u"GetFileSize", [](TWebCall& c) { c.Result(c.Native().GetFileSize(c.Text(u"filename"))); }},
    {u"GetFileStr", [](TWebCall& c) { c.Result(c.Native().GetFileStr(c.Text(u"filename"), c.Flag(u"utf8"))); }},
    {u"SaveStrToFile",
     [](TWebCall& c) { c.Result(c.Native().SaveStrToFile(c.Text(u"filename"), c.Text(u"str"), c.Text(u"encoding"))); }},
    {u"DirExists", [](TWebCall& c) { c.Result(c.Native().DirExists(c.Text(u"dirname"))); }},
    {u"CopyFile",
     [](TWebCall& c) {
       c.Result(c.Native().CopyFile(c.Text(u"srcFile"), c.Text(u"desFile"), c.Flag(u"failIfExists")));
     }},
    {u"CopyDir",
     [](TWebCall& c) {
       c.Result(c.Native().CopyDir(c.Text(u"srcDir"), c.Text(u"desDir"), c.Flag(u"ignoreIfExists")));
     }},
    {u"DeleteFile", [](TWebCall& c) { c.Result(c.Native().DeleteFile(c.Text(u"filename"))); }},
    {u"RenameFile", [](TWebCall& c) { c.Result(c.Native().RenameFile(c.Text(u"oldname"), c.Text(u"newname"))); }},
    {u"RemoveDir", [](TWebCall& c) { c.Result(c.Native().RemoveDir(c.Text(u"dirname"))); }},
    {u"EmptyDir", [](TWebCall& c) { c.Native().EmptyDir(c.Text(u"dirname"), c.Flag(u"recursive")); }},
    {u"GetFileVersion", [](TWebCall& c) { c.Result(c.Native().GetFileVersion(c.Text(u"filename"))); }},
    {u"GetFileLastModified", [](TWebCall& c) { c.Result(c.Native().GetFileLastModified(c.Text(u"filename"))); }},
    {u"GetSystemDrive", [](TWebCall& c) { c.Result(c.Native().GetSystemDrive()); }},
    {u"GetDesktopDir", [](TWebCall& c) { c.Result(c.Native().GetDesktopDir(c.Flag(u"common"))); }},
    {u"GetFontsDir", [](TWebCall& c) { c.Result(c.Native().GetFontsDir()); }},
    {u"GetProgramsDir", [](TWebCall& c) { c.Result(c.Native().GetProgramsDir(c.Flag(u"common"))); }},
    {u"GetSendToDir", [](TWebCall& c) { c.Result(c.Native().GetSendToDir()); }},
    {u"GetStartMenuDir", [](TWebCall& c) { c.Result(c.Native().GetStartMenuDir(c.Flag(u"common"))); }},
    {u"GetStartupDir", [](TWebCall& c) { c.Result(c.Native().GetStartupDir(c.Flag(u"common"))); }},
    {u"GetPathFromLink", [](TWebCall& c) { c.Result(c.Native().GetPathFromLink(c.Text(u"linkfile"))); }},
    {u"GetWorkPathFromLink", [](TWebCall& c) { c.Result(c.Native().GetWorkPathFromLink(c.Text(u"linkfile"))); }},
    {u"SetPathOfLink", [](TWebCall& c) { c.Result(c.Native().SetPathOfLink(c.Text(u"linkfile"), c.Text(u"path"))); }},
    {u"CreateLink",
     [](TWebCall& c) {
       c.Result(
           c.Native().CreateLink(c.Text(u"linkfile"), c.Text(u"programPath"), c.Text(u"programArg"), c.Text(u"desc")));
     }},
    {u"GetFilesOfDir", [](TWebCall& c) { c.Result(c.Native().GetFilesOfDir(c.Text(u"dirname"))); }},
    {u"GetDirInfos", [](TWebCall& c) { c.Result(c.Native().GetDirInfos(c.Text(u"dirname"))); }},
    {u"GetAllDrivers", [](TWebCall& c) { c.Result(c.Native().GetAllDrivers()); }},
    {u"DiskFree", [](TWebCall& c) { c.Result(static_cast<double>(c.Native().DiskFree(c.Text(u"drive")))); }},
    {u"DiskSize", [](TWebCall& c) { c.Result(static_cast<double>(c.Native().DiskSize(c.Text(u"drive")))); }},
};

}  // namespace

std::span<const TWebMethodBinding> FilesWebMethods() { return kBindings; }
