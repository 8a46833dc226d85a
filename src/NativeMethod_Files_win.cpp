// Files, directories, text files, shell links, special folders and drives.
#include <mlang.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "FileBytes.h"
#include "FileView_win.h"
#include "JsonValue.h"
#include "NativeError.h"
#include "NativeMethod_win.h"
#include "NativePaths.h"
#include "NativePublic_win.h"
#include "NativeStrings.h"
#include "NativeTrace.h"
#include "TextConv.h"
#include "WinComObject.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

// mingw's import libraries lack this identifier.
const IID kIID_IMultiLanguage2 = {0xDCCFC164, 0x2B38, 0x11D2, {0xB7, 0xEC, 0x00, 0xC0, 0x4F, 0x8F, 0x5D, 0x9A}};
const CLSID kCLSID_CMultiLanguage = {0x275C23E2, 0x3747, 0x11D0, {0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46}};

constexpr char16_t kDeferredDeleteFolder[] = u"__DeleteFiles";

DWORD Attributes(const std::u16string& path) { return GetFileAttributesW(as_wcstr(path.c_str())); }

std::u16string FullPath(const std::u16string& path) {
  const std::u16string full = SizedText(
      [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(as_wcstr(path.c_str()), size, buffer, nullptr); });
  return full.empty() ? path : full;
}

std::u16string CurrentDirectory() {
  return SizedText([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); });
}

// Bytes available to the caller and in all on the volume holding `path`.
bool DiskSpace(std::u16string_view path, int64_t& available, int64_t& total) {
  ULARGE_INTEGER a, t;
  if (!GetDiskFreeSpaceExW(as_wcstr(std::u16string(path).c_str()), &a, &t, nullptr)) return false;
  available = static_cast<int64_t>(a.QuadPart);
  total = static_cast<int64_t>(t.QuadPart);
  return true;
}

// True when full path `dir` is `base` or one of the directories above it.
bool IsSameOrAbove(const std::u16string& dir, const std::u16string& base) {
  const std::u16string d = ExcludeTrailingBackslash(dir);
  const std::u16string b = ExcludeTrailingBackslash(base);
  if (d.empty() || d.size() > b.size() || !SamePathText(d, std::u16string_view(b).substr(0, d.size()))) return false;
  return d.size() == b.size() || b[d.size()] == u'\\';
}

// Inside `dir` or `dir` itself (full paths).
bool IsSameOrBelow(const std::u16string& path, const std::u16string& dir) { return IsSameOrAbove(dir, path); }

// A directory name that must not be emptied or removed: blank, or relative
// ("", ".", "..", "\") and reaching the directory it is taken from or above
// it, which would take the host's installation or more with it.
bool IsUnsafeDirName(std::u16string_view name, const std::u16string& path, const std::u16string& base) {
  if (TrimBlanks(name).empty()) return true;
  if (name.find(u':') != std::u16string_view::npos) return false;
  return IsSameOrAbove(FullPath(path), FullPath(base));
}

bool HasWildcards(std::u16string_view name) { return name.find_first_of(u"*?") != std::u16string_view::npos; }

struct TDirEntry {
  std::u16string name;
  DWORD attributes;
  int64_t size;
  FILETIME lastWrite;

  bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // Junctions and directory symbolic links: walks do not follow them.
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

TDirEntry EntryOf(const WIN32_FIND_DATAW& fd) {
  return {std::u16string(as_u16cstr(fd.cFileName)), fd.dwFileAttributes,
          static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow), fd.ftLastWriteTime};
}

// Calls `visit` for every entry of `dir` (which ends in a backslash), hidden
// and system ones included, "." and ".." left out, in listing order, until it
// returns false. False when the listing could not be started.
template <typename Visit>
bool ForEachEntry(const std::u16string& dir, Visit&& visit) {
  WIN32_FIND_DATAW fd;
  unique_hfind find(FindFirstFileW(as_wcstr((dir + u"*").c_str()), &fd));
  if (!find) return false;
  do {
    const std::u16string_view name = as_u16cstr(fd.cFileName);
    if (name == u"." || name == u"..") continue;
    if (!visit(EntryOf(fd))) break;
  } while (FindNextFileW(find.get(), &fd));
  return true;
}

uint64_t FileTimeTicks(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// Ticks of 100 ns from 1601-01-01 to 1970-01-01.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;

// Milliseconds from 1970-01-01 00:00:00 to the local last-write time cut to
// two seconds (the old file date's resolution): a local-time count.
int64_t ListingTimeStamp(const FILETIME& lastWrite) {
  FILETIME local;
  if (!FileTimeToLocalFileTime(&lastWrite, &local)) local = lastWrite;
  uint64_t ticks = FileTimeTicks(local);
  ticks -= ticks % 20000000;
  return (static_cast<int64_t>(ticks) - static_cast<int64_t>(kUnixEpochTicks)) / 10000;
}

// Days since 1899-12-30 with the time of day as fraction, to the millisecond.
double DateTimeValue(const FILETIME& ft) {
  constexpr double kDaysFrom1601To1899 = 109205;
  const uint64_t ms = FileTimeTicks(ft) / 10000;
  return static_cast<double>(ms) / 86400000.0 - kDaysFrom1601To1899;
}

void EmptyTree(const std::u16string& dir, bool recursive) {
  ForEachEntry(dir, [&](const TDirEntry& e) {
    const std::u16string path = dir + e.name;
    if (e.IsDirectory() && recursive) {
      // A link goes by itself; what it points to stays.
      if (!e.IsLink()) EmptyTree(path + u"\\", true);
      RemoveDirectoryW(as_wcstr(path.c_str()));
    } else {
      DeleteFileW(as_wcstr(path.c_str()));
    }
    return true;
  });
}

// Both directories end in a backslash.
bool CopyTree(const std::u16string& src, const std::u16string& des, bool ignoreIfExists) {
  if (!ForceDirectories(des)) return false;
  const std::u16string deferred = des + kDeferredDeleteFolder;
  bool ok = true;
  ForEachEntry(src, [&](const TDirEntry& e) {
    const std::u16string from = src + e.name;
    const std::u16string to = des + e.name;
    if (e.IsDirectory()) {
      ok = CopyTree(from + u"\\", to + u"\\", ignoreIfExists);
      return ok;
    }
    if (ignoreIfExists && IsFile(to)) return true;
    if (!CopyFileW(as_wcstr(from.c_str()), as_wcstr(to.c_str()), FALSE)) {
      // A file in use cannot be overwritten, but it can usually be renamed:
      // move it aside and copy into its place.
      if (IsFile(to)) {
        if (!MoveIntoDeferredDeleteFolder(to, deferred)) {
          ok = false;
          return false;
        }
      }
      Sleep(1);
      ok = CopyFileW(as_wcstr(from.c_str()), as_wcstr(to.c_str()), FALSE) != 0;
    }
    return ok;
  });
  return ok;
}

// The code page behind a MIME charset name, from the platform's charset
// database; raises for names it does not know.
unsigned CharsetCodePage(std::u16string_view charset) {
  TComApartment com;
  com_ptr<IMultiLanguage2> ml;
  HRESULT hr = CoCreateInstance(kCLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, kIID_IMultiLanguage2,
                                reinterpret_cast<void**>(ml.put()));
  if (FAILED(hr)) throw ENativeError(u"The multi-language service is unavailable. " + SystemErrorMessage(hr));
  TBstr name(charset);
  MIMECSETINFO info{};
  MIMECPINFO cpInfo{};
  if (FAILED(ml->GetCharsetInfo(name.get(), &info)) || FAILED(ml->GetCodePageInfo(info.uiCodePage, 0, &cpInfo))) {
    throw ENativeError(u"Unknown charset \"" + std::u16string(charset) + u"\"");
  }
  return info.uiInternetEncoding ? info.uiInternetEncoding : info.uiCodePage;
}

std::string EncodeText(unsigned codePage, std::u16string_view text) {
  switch (codePage) {
    case 1200: return Utf16ToUtf16LeBytes(text);
    case 1201: {
      std::string bytes = Utf16ToUtf16LeBytes(text);
      for (size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
      return bytes;
    }
    case kCodePageUtf8: return Utf16ToUtf8(text);
    default: {
      std::string bytes = Utf16ToCodePage(codePage, text);
      if (bytes.empty() && !text.empty()) {
        throw ENativeError(
            StrFormat(u"No mapping for the text in code page %u. %s", {codePage, SystemErrorMessage(GetLastError())}));
      }
      return bytes;
    }
  }
}

std::u16string SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return {};
  return std::u16string(as_u16cstr(path));
}

// The shell's link object with its file-persistence interface.
struct TShellLink {
  com_ptr<IShellLinkW> link;
  com_ptr<IPersistFile> file;
};

TShellLink NewShellLink() {
  TShellLink s;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(s.link.put()));
  if (SUCCEEDED(hr)) hr = s.link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(s.file.put()));
  if (FAILED(hr)) RaiseAssertion(u"The shell link object cannot be created. " + SystemErrorMessage(hr));
  return s;
}

// A link loaded from `linkFile`; its `link` is empty when loading failed.
TShellLink LoadShellLink(std::u16string_view linkFile, DWORD mode) {
  TShellLink s = NewShellLink();
  if (FAILED(s.file->Load(as_wcstr(std::u16string(linkFile).c_str()), mode))) s.link.reset();
  return s;
}

// One element of a directory listing, members in their fixed order.
IJsonObjectPtr ListingEntry(const TDirEntry& e) {
  constexpr DWORD kLinkAttribute = 0x40;
  IJsonObjectPtr entry = NewJsonObject();
  entry->AddString(u"name", e.name);
  if (e.IsDirectory()) {
    entry->AddString(u"type", u"dir");
  } else {
    const std::u16string ext = LowerCaseAscii(::ExtractFileExt(e.name));
    entry->AddBoolean(u"lib", ext == u".exe" || ext == u".dll" || ext == u".bpl" || ext == u".ocx");
    entry->AddString(u"type", u"file");
    entry->AddInteger(u"time", ListingTimeStamp(e.lastWrite));
    entry->AddInteger(u"size", e.size);
    entry->AddString(u"sizeStr", FormatSizeText(e.size));
  }
  if (e.attributes & FILE_ATTRIBUTE_READONLY) entry->AddBoolean(u"readonly", true);
  if (e.attributes & FILE_ATTRIBUTE_HIDDEN) entry->AddBoolean(u"hidden", true);
  if (e.attributes & kLinkAttribute) entry->AddBoolean(u"link", true);
  return entry;
}

struct TTreeTotals {
  int64_t files = 0;
  int64_t bytes = 0;
  int64_t dirs = 0;  // directly inside
};

// Files and bytes in `dir` and below it, hidden and system entries included;
// links are counted as directories but not entered. False when `dir` could
// not be listed.
bool SumTree(const std::u16string& dir, TTreeTotals& totals) {
  return ForEachEntry(dir, [&](const TDirEntry& e) {
    if (e.IsDirectory()) {
      ++totals.dirs;
      TTreeTotals below;
      if (!e.IsLink() && SumTree(dir + e.name + u"\\", below)) {
        totals.files += below.files;
        totals.bytes += below.bytes;
      }
    } else {
      ++totals.files;
      totals.bytes += e.size;
    }
    return true;
  });
}

const char16_t* DriveKindName(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE: return u"removable";
    case DRIVE_FIXED: return u"fixed";
    case DRIVE_REMOTE: return u"remote";
    case DRIVE_CDROM: return u"removable";
    case DRIVE_RAMDISK: return u"ramdisk";
    default: return nullptr;
  }
}

// A text of the link loaded from `linkFile` (at most the shell's path limit),
// read by `read(link, buffer)`; empty when the link cannot be loaded.
template <typename Read>
std::u16string LinkText(std::u16string_view linkFile, Read read) {
  TComApartment com;
  TShellLink s = LoadShellLink(linkFile, STGM_READ);
  if (!s.link) return {};
  wchar_t text[MAX_PATH + 1] = {};
  if (FAILED(read(s.link.get(), text))) return {};
  return std::u16string(as_u16cstr(text));
}

}  // namespace

std::u16string TNativeMethod::ChangeFileExt(std::u16string_view fileName, std::u16string_view ext) {
  return ::ChangeFileExt(fileName, ext);
}

std::u16string TNativeMethod::ExtractFilePath(std::u16string_view fileName) { return ::ExtractFilePath(fileName); }

std::u16string TNativeMethod::ExtractFileDir(std::u16string_view fileName) { return ::ExtractFileDir(fileName); }

std::u16string TNativeMethod::ExtractFileDrive(std::u16string_view fileName) { return ::ExtractFileDrive(fileName); }

std::u16string TNativeMethod::ExtractFileName(std::u16string_view fileName) { return ::ExtractFileName(fileName); }

std::u16string TNativeMethod::ExtractFileExt(std::u16string_view fileName) { return ::ExtractFileExt(fileName); }

bool TNativeMethod::ForceDir(std::u16string_view dirName) { return ForceDirectories(ResolveAppRelativePath(dirName)); }

bool TNativeMethod::FileExists(std::u16string_view fileName) {
  return Attributes(ResolveAppRelativePath(fileName)) != INVALID_FILE_ATTRIBUTES;
}

bool TNativeMethod::DirExists(std::u16string_view dirName) { return IsDirectory(ResolveAppRelativePath(dirName)); }

int32_t TNativeMethod::GetFileSize(std::u16string_view fileName) {
  WIN32_FIND_DATAW fd;
  unique_hfind find(FindFirstFileW(as_wcstr(FullPath(ResolveAppRelativePath(fileName)).c_str()), &fd));
  if (!find) return -1;
  // Sizes beyond the 32-bit range saturate rather than wrap into a wrong size.
  const int64_t size = EntryOf(fd).size;
  return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
}

std::u16string TNativeMethod::GetFileVersion(std::u16string_view fileName) {
  const std::u16string path = ResolveAppRelativePath(fileName);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(as_wcstr(path.c_str()), &handle);
  if (size == 0) return {};
  std::vector<BYTE> info(size);
  if (!GetFileVersionInfoW(as_wcstr(path.c_str()), 0, size, info.data())) return {};
  void* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &translation, &length) || length < 4) return {};
  const WORD* pair = static_cast<const WORD*>(translation);
  const std::u16string query = StrFormat(u"\\stringFileInfo\\%04X%04X\\FileVersion", {pair[0], pair[1]});
  void* value = nullptr;
  if (!VerQueryValueW(info.data(), as_wcstr(query.c_str()), &value, &length) || !value) return {};
  const std::u16string_view text(static_cast<const char16_t*>(value), length);
  return std::u16string(text.substr(0, text.find(u'\0')));
}

double TNativeMethod::GetFileLastModified(std::u16string_view fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(as_wcstr(ResolveAppRelativePath(fileName).c_str()), GetFileExInfoStandard, &data)) {
    return 0;
  }
  return DateTimeValue(data.ftLastWriteTime);
}

std::u16string TNativeMethod::GetFileStr(std::u16string_view fileName, bool utf8) {
  if (fileName.empty()) return {};
  const std::u16string path = ResolveAppRelativePath(fileName);
  const std::string bytes = ReadFileBytes(path);
  const std::string_view view(bytes);
  // A UTF-16 mark is recognised in a file of two bytes too (an empty text).
  if (view.substr(0, 2) == "\xFF\xFE") return Utf16LeBytesToUtf16(view.substr(2));
  if (view.substr(0, 3) == "\xEF\xBB\xBF") return Utf8ToUtf16(view.substr(3));
  return utf8 ? Utf8ToUtf16(view) : AnsiToUtf16(view);
}

bool TNativeMethod::SaveStrToFile(std::u16string_view fileName, std::u16string_view str, std::u16string_view encoding) {
  if (fileName.empty()) return false;
  try {
    const std::u16string path = ResolveAppRelativePath(fileName);
    WriteFileBytes(path, EncodeText(CharsetCodePage(encoding), str));
    return true;
  } catch (const ENativeError& e) {
    Log(u"[TNativeMethod.SaveStrToFile]" + e.Message());
  } catch (const std::exception& e) {
    Log(u"[TNativeMethod.SaveStrToFile]" + Utf8ToUtf16(e.what()));
  }
  return false;
}

bool TNativeMethod::CopyFile(std::u16string_view srcFile, std::u16string_view desFile, bool failIfExists) {
  return ::CopyFileW(as_wcstr(std::u16string(srcFile).c_str()), as_wcstr(std::u16string(desFile).c_str()),
                     failIfExists ? TRUE : FALSE) != 0;
}

bool TNativeMethod::CopyDir(std::u16string_view srcDir, std::u16string_view desDir, bool ignoreIfExists) {
  // An empty name would copy the host's installation, or copy into the root
  // of the current drive.
  if (TrimBlanks(srcDir).empty() || TrimBlanks(desDir).empty()) return false;
  // The source is listed where its existence was checked.
  const std::u16string src = ResolveAppRelativePath(srcDir);
  if (!IsDirectory(src)) return false;
  const std::u16string des(desDir);
  // A destination inside the source would copy the copy again, without end.
  if (IsSameOrBelow(FullPath(des), FullPath(src))) return false;
  return CopyTree(IncludeTrailingBackslash(src), IncludeTrailingBackslash(des), ignoreIfExists);
}

bool TNativeMethod::DeleteFile(std::u16string_view fileName) {
  return ::DeleteFileW(as_wcstr(ResolveAppRelativePath(fileName).c_str())) != 0;
}

bool TNativeMethod::RenameFile(std::u16string_view oldName, std::u16string_view newName) {
  return MoveFileW(as_wcstr(std::u16string(oldName).c_str()), as_wcstr(std::u16string(newName).c_str())) != 0;
}

bool TNativeMethod::RemoveDir(std::u16string_view dirName) {
  const std::u16string dir = ResolveAppRelativePath(dirName);
  if (IsUnsafeDirName(dirName, dir, HostExecutableDir())) return false;
  // A link is removed by itself, without emptying what it points to.
  const DWORD attributes = Attributes(dir);
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    EmptyTree(IncludeTrailingBackslash(dir), true);
  }
  return RemoveDirectoryW(as_wcstr(dir.c_str())) != 0;
}

void TNativeMethod::EmptyDir(std::u16string_view dirName) {
  const std::u16string dir(dirName);
  if (IsUnsafeDirName(dirName, dir, CurrentDirectory())) return;
  EmptyTree(IncludeTrailingBackslash(dir), true);
}

void TNativeMethod::EmptyDir(std::u16string_view dirName, bool recursive) {
  const std::u16string dir = ResolveAppRelativePath(dirName);
  if (IsUnsafeDirName(dirName, dir, HostExecutableDir())) return;
  EmptyTree(IncludeTrailingBackslash(dir), recursive);
}

std::u16string TNativeMethod::GetFilesOfDir(std::u16string_view dirName) {
  IJsonArrayPtr entries = NewJsonArray();
  // The folder is listed where its existence was checked.
  const std::u16string dir = ResolveAppRelativePath(dirName);
  if (!dirName.empty() && IsDirectory(dir)) {
    ForEachEntry(IncludeTrailingBackslash(dir), [&](const TDirEntry& e) {
      entries->AddObject(ListingEntry(e));
      return true;
    });
  }
  return entries->ToJson();
}

std::u16string TNativeMethod::GetDirInfos(std::u16string_view dirName) {
  // A pattern would describe whatever entry it matches first.
  if (dirName.empty() || HasWildcards(dirName)) return {};
  const std::u16string path = ExcludeTrailingBackslash(dirName);
  WIN32_FIND_DATAW fd;
  unique_hfind find(FindFirstFileW(as_wcstr(path.c_str()), &fd));
  // The lookup admits directories and plain files, not hidden or system ones.
  if (!find || (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) return {};
  const TDirEntry e = EntryOf(fd);
  IJsonObjectPtr info = NewJsonObject();
  info->AddString(u"name", e.name);
  info->AddBoolean(u"readonly", (e.attributes & FILE_ATTRIBUTE_READONLY) != 0);
  info->AddBoolean(u"hidden", (e.attributes & FILE_ATTRIBUTE_HIDDEN) != 0);
  info->AddBoolean(u"sysfile", (e.attributes & FILE_ATTRIBUTE_SYSTEM) != 0);
  info->AddInteger(u"time", ListingTimeStamp(e.lastWrite));
  TTreeTotals totals;
  if (SumTree(path + u"\\", totals)) {
    info->AddInteger(u"filesCount", totals.files);
    info->AddInteger(u"filesSize", totals.bytes);
    info->AddString(u"filesSizeStr", FormatSizeText(totals.bytes));
    info->AddInteger(u"dirsCount", totals.dirs);
  }
  return info->ToJson();
}

std::u16string TNativeMethod::GetAllDrivers() {
  wchar_t roots[512] = {};  // the drive list takes at most 1024 bytes
  GetLogicalDriveStringsW(511, roots);
  IJsonArrayPtr drives = NewJsonArray();
  for (const wchar_t* root = roots; *root; root += wcslen(root) + 1) {
    const char16_t* kind = DriveKindName(GetDriveTypeW(root));
    if (!kind) continue;
    IJsonObjectPtr drive = NewJsonObject();
    drive->AddString(u"name", ExcludeTrailingBackslash(as_u16cstr(root)));
    drive->AddString(u"type", kind);
    drives->AddObject(drive);
  }
  return drives->ToJson();
}

int64_t TNativeMethod::DiskFree(std::u16string_view drive) {
  int64_t available, total;
  return DiskSpace(drive, available, total) ? available : -1;
}

int64_t TNativeMethod::DiskSize(std::u16string_view drive) {
  int64_t available, total;
  return DiskSpace(drive, available, total) ? total : -1;
}

std::u16string TNativeMethod::GetSystemDrive() { return GetEnvVar(u"SYSTEMDRIVE"); }

std::u16string TNativeMethod::GetDesktopDir(bool common) {
  return SpecialFolder(common ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY);
}

std::u16string TNativeMethod::GetFontsDir() { return SpecialFolder(CSIDL_FONTS); }

std::u16string TNativeMethod::GetProgramsDir(bool common) {
  return SpecialFolder(common ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
}

std::u16string TNativeMethod::GetSendToDir() { return SpecialFolder(CSIDL_SENDTO); }

std::u16string TNativeMethod::GetStartMenuDir(bool common) {
  return SpecialFolder(common ? CSIDL_COMMON_STARTMENU : CSIDL_STARTMENU);
}

std::u16string TNativeMethod::GetStartupDir(bool common) {
  return SpecialFolder(common ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP);
}

std::u16string TNativeMethod::GetPathFromLink(std::u16string_view linkFile) {
  return LinkText(linkFile, [](IShellLinkW* link, wchar_t* text) { return link->GetPath(text, MAX_PATH, nullptr, 0); });
}

std::u16string TNativeMethod::GetWorkPathFromLink(std::u16string_view linkFile) {
  return LinkText(linkFile, [](IShellLinkW* link, wchar_t* text) { return link->GetWorkingDirectory(text, MAX_PATH); });
}

bool TNativeMethod::SetPathOfLink(std::u16string_view linkFile, std::u16string_view path) {
  TComApartment com;
  TShellLink s = LoadShellLink(linkFile, STGM_READWRITE);
  if (!s.link || FAILED(s.link->SetPath(as_wcstr(std::u16string(path).c_str())))) return false;
  return SUCCEEDED(s.file->Save(as_wcstr(std::u16string(linkFile).c_str()), TRUE));
}

bool TNativeMethod::CreateLink(std::u16string_view linkFile, std::u16string_view programPath,
                               std::u16string_view programArg, std::u16string_view desc) {
  const std::u16string link = ResolveAppRelativePath(linkFile);
  if (!SameTextAscii(::ExtractFileExt(link), u".LNK")) return false;
  const std::u16string program = ResolveAppRelativePath(programPath);
  TComApartment com;
  TShellLink s = NewShellLink();
  s.link->SetPath(as_wcstr(program.c_str()));
  s.link->SetArguments(as_wcstr(std::u16string(programArg).c_str()));
  // The program's own directory, also for a relative program name.
  s.link->SetWorkingDirectory(as_wcstr(::ExtractFilePath(program).c_str()));
  s.link->SetDescription(as_wcstr(std::u16string(desc).c_str()));
  return SUCCEEDED(s.file->Save(as_wcstr(link.c_str()), TRUE));
}
