// TNativeMethod: the process-wide service object. Web methods and the
// library's own code use its C++ operations; hosts reach it through
// INativeMethods (NativeMethodCom_win.h), which forwards to them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "KVNativeMethods.h"
#include "WinHandle.h"

class TMemStore;
class TNativeMethodInterface;

class TNativeMethod {
 public:
  TNativeMethod();
  TNativeMethod(const TNativeMethod&) = delete;
  TNativeMethod& operator=(const TNativeMethod&) = delete;

  // Reference counting of the object behind INativeMethods.
  ULONG AddRef();
  ULONG Release();
  INativeMethods* Interface();

  // Set when destruction begins; from then on sub-object accessors return
  // nothing and create nothing.
  bool Destroying() const { return destroying_; }

  // Settings (NativeMethod_Settings_win.cpp).
  bool GetDebugMode() const { return debugMode_; }
  void SetDebugMode(bool mode) { debugMode_ = mode; }
  // The page's trace line: the text unchanged.
  void Log(std::u16string_view text);
  // The override when set, else the tax environment's configuration,
  // normalised to six digits where it is shorter.
  std::u16string GetAreaCode();
  // Stored unchanged; empty clears the override.
  void SetAreaCode(std::u16string_view value);

  // The frame window the window methods act on; the web methods write it
  // before each window operation.
  HWND LastWindowHandle() const { return lastWindowHandle_; }
  void SetLastWindowHandle(HWND window) { lastWindowHandle_ = window; }

  // Files and directories (NativeMethod_Files_win.cpp). Where an operation
  // applies the app-relative rule, a path without ":" is taken relative to the
  // host executable's directory; the others use paths as given.
  std::u16string ChangeFileExt(std::u16string_view fileName, std::u16string_view ext);
  std::u16string ExtractFilePath(std::u16string_view fileName);
  std::u16string ExtractFileDir(std::u16string_view fileName);
  std::u16string ExtractFileDrive(std::u16string_view fileName);
  std::u16string ExtractFileName(std::u16string_view fileName);
  std::u16string ExtractFileExt(std::u16string_view fileName);
  bool ForceDir(std::u16string_view dirName);
  // True for directories too.
  bool FileExists(std::u16string_view fileName);
  bool DirExists(std::u16string_view dirName);
  // The first entry matching the name (wildcards work); -1 when none does.
  int32_t GetFileSize(std::u16string_view fileName);
  // "FileVersion" of the first translation of the version resource.
  std::u16string GetFileVersion(std::u16string_view fileName);
  // Last-write time in UTC as days since 1899-12-30; 0 when unreadable.
  double GetFileLastModified(std::u16string_view fileName);
  // Raises when the file cannot be opened.
  std::u16string GetFileStr(std::u16string_view fileName, bool utf8 = true);
  // `encoding` is a MIME charset name; false for unknown names.
  bool SaveStrToFile(std::u16string_view fileName, std::u16string_view str, std::u16string_view encoding = u"utf-8");
  bool CopyFile(std::u16string_view srcFile, std::u16string_view desFile, bool failIfExists = true);
  // Destination files that cannot be overwritten move into the destination's
  // "__DeleteFiles" folder.
  bool CopyDir(std::u16string_view srcDir, std::u16string_view desDir, bool ignoreIfExists = true);
  bool DeleteFile(std::u16string_view fileName);
  bool RenameFile(std::u16string_view oldName, std::u16string_view newName);
  bool RemoveDir(std::u16string_view dirName);
  // The one-argument form uses the path as given and empties recursively.
  void EmptyDir(std::u16string_view dirName);
  void EmptyDir(std::u16string_view dirName, bool recursive);
  // JSON array of listing entries; "[]" for a missing directory.
  std::u16string GetFilesOfDir(std::u16string_view dirName);
  // JSON object of the directory's information; empty when not found.
  std::u16string GetDirInfos(std::u16string_view dirName);
  // JSON array of drive records.
  std::u16string GetAllDrivers();
  // Bytes available to the caller and the volume's size; -1 on failure.
  int64_t DiskFree(std::u16string_view drive);
  int64_t DiskSize(std::u16string_view drive);
  std::u16string GetSystemDrive();
  std::u16string GetDesktopDir(bool common = false);
  std::u16string GetFontsDir();
  std::u16string GetProgramsDir(bool common = false);
  std::u16string GetSendToDir();
  std::u16string GetStartMenuDir(bool common = false);
  std::u16string GetStartupDir(bool common = false);
  std::u16string GetPathFromLink(std::u16string_view linkFile);
  std::u16string GetWorkPathFromLink(std::u16string_view linkFile);
  bool SetPathOfLink(std::u16string_view linkFile, std::u16string_view path);
  bool CreateLink(std::u16string_view linkFile, std::u16string_view programPath, std::u16string_view programArg = u"",
                  std::u16string_view desc = u"");

  // System: environment, registry, INI, clipboard, libraries and system
  // information (NativeMethod_System_win.cpp); processes and the shell
  // (NativeMethod_Process_win.cpp). Failures come back as the result only:
  // false, empty text, 0 or an empty JSON array.
  // Windows headers rename GetCommandLine, ShellExecute and LoadLibrary to
  // their W forms; every unit sees this declaration after <windows.h> and
  // <shellapi.h> (through KVNativeMethods.h), so the renaming is the same
  // everywhere. Inside the class, reach the Win32 functions with "::".
  bool EnvVarExists(const std::u16string& varName);
  std::u16string GetEnvVar(const std::u16string& varName);
  bool SetEnvVar(const std::u16string& varName, const std::u16string& varValue);

  // Registry. `root` 0 to 9 stands for the predefined key 0x80000000 + root;
  // a larger value is taken as a predefined-key value itself. Names are
  // "key path\value name"; see SplitRegistryName.
  bool RegKeyExists(const std::u16string& keyName);
  std::u16string GetRegKeyValue(uint32_t root, const std::u16string& keyName);
  bool SetRegKeyValue(uint32_t root, const std::u16string& keyName, const std::u16string& keyValue);
  bool DeleteRegKey(uint32_t root, const std::u16string& keyName);

  // INI files through the profile-string functions; file names follow the
  // app-relative rule.
  std::u16string GetIniSections(const std::u16string& fileName);
  std::u16string GetIniSectionValues(const std::u16string& fileName, const std::u16string& section);
  std::u16string GetIniValue(const std::u16string& fileName, const std::u16string& section, const std::u16string& key,
                             const std::u16string& def = {});
  bool SetIniValue(const std::u16string& fileName, const std::u16string& section, const std::u16string& key,
                   const std::u16string& value);
  bool DeleteIniSection(const std::u16string& fileName, const std::u16string& section);
  bool DeleteIniKey(const std::u16string& fileName, const std::u16string& section, const std::u16string& key);

  // Plain text (CF_TEXT, ANSI code page) on the clipboard.
  bool CopyStrToClip(const std::u16string& str);

  // Processes. A process is found by the full path of its executable.
  DWORD GetProcessID(const std::u16string& procName);
  std::u16string GetProcessFile(DWORD processId);
  bool KillProcess(const std::u16string& procName);
  DWORD CurrentProcessId();
  // The host's arguments without the program, as a JSON array.
  std::u16string GetCommandLine();
  // The host executable: full path, file name, directory without and with
  // the trailing backslash.
  std::u16string CurrentProcessFile();
  std::u16string CurrentProcessFilename();
  std::u16string CurrentProcessDir();
  std::u16string CurrentProcessPath();

  // Kills the host and starts it again with its arguments through the
  // command shell; returns before that happens.
  void Restart();
  // How Restart starts the command shell (RunShellProcess by default); tests
  // replace it so that nothing is killed. nullptr restores the default.
  using TRestartStarter = bool (*)(const std::u16string& file, const std::u16string& params, int showCmd,
                                   bool runAsAdmin);
  void SetRestartStarterForTesting(TRestartStarter starter) { restartStarter_ = starter; }

  bool ExecAndWait(const std::u16string& exeFile, const std::u16string& cmdLine, int showMode);
  bool ShellExecute(const std::u16string& operation, const std::u16string& fileName, const std::u16string& params = {},
                    const std::u16string& dir = {}, int showCmd = SW_SHOWNORMAL);
  bool NeedAdminPrivileges(const std::u16string& exeFile);

  // Library loading for pages: the handle stays loaded until FreeLibrary.
  HMODULE LoadLibrary(const std::u16string& dllFile);
  bool FreeLibrary(HMODULE libModule);

  // JSON records of the running system.
  std::u16string GetOSInfo();
  std::u16string GetMacAddress();
  std::u16string GetMemoryStatus();

  // Hashes, encodings, keys and ciphers (NativeMethod_Crypto_win.cpp).
  // Texts are hashed and Base64-encoded as UTF-8; application keys hash ANSI
  // bytes. MD5 texts are lower-case, SHA-1 texts upper-case hexadecimal.
  std::u16string CreateTimeStamp();
  // Milliseconds since 1970-01-01 00:00:00 of the local date and time.
  int64_t CreateTimeStampInt();
  std::u16string CreateAppKey(std::u16string_view appId, std::u16string_view appSecret,
                              std::u16string_view timeStamp);
  std::u16string GetStrMd5Code(std::u16string_view str);
  std::u16string GetStrSHA1Code(std::u16string_view str);
  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case.
  std::u16string CreateGUID();
  // App-relative path rule; a file that cannot be opened hashes as empty.
  std::u16string GetFileMd5Code(std::u16string_view fileName);
  std::u16string GetFileSHA1Code(std::u16string_view fileName);
  // AES text containers; an empty key takes the default key.
  std::u16string AESEncrypt(std::u16string_view data, std::u16string_view key = {});
  std::u16string AESDecrypt(std::u16string_view data, std::u16string_view key = {});
  std::u16string Base64Encode(std::u16string_view str);
  // Bytes that are not valid UTF-8 give empty text.
  std::u16string Base64Decode(std::u16string_view str);

  // Archives (NativeMethod_Zip_win.cpp); paths are used as given.
  // True when every entry was extracted; raises for an archive that cannot
  // be read.
  bool ExtractZipFile(std::u16string_view zipFile, std::u16string_view desDir);
  // The same for a resource of `instance`; true when it has no such resource.
  bool ExtractZipRes(HMODULE instance, std::u16string_view resName, std::u16string_view resType,
                     std::u16string_view destDir);
  // Writes DestFile only when the first member inflated to its stated length
  // and CRC.
  bool DecompressGZip(std::u16string_view gzFile, std::u16string_view destFile);

  // Callbacks (NativeMethod_Callbacks_win.cpp).
  // A new late-bound callable around `function` (nullptr for none).
  com_ptr<IDispatch> FunctionToDispatch(IAnonymousFunction* function);

  // Sub-objects: each accessor creates its object on first use and returns
  // nothing once destruction has begun.
  TMemStore* MemStore();  // NativeMethod_MemStore_win.cpp

 private:
  ~TNativeMethod();

  std::atomic<ULONG> refs_{1};
  std::unique_ptr<TNativeMethodInterface> interface_;
  bool destroying_ = false;
  bool debugMode_ = false;
  // Hosts may set the override from any thread.
  std::mutex areaCodeLock_;
  std::u16string areaCode_;
  HWND lastWindowHandle_ = nullptr;
  TRestartStarter restartStarter_ = nullptr;
  CRITICAL_SECTION lock_;  // guards the download and install job lists
  std::unique_ptr<TMemStore> memStore_;
};

// The object behind the export NativeMethod, created on first use; nullptr
// once the library has begun to unload and the object is gone.
TNativeMethod* NativeMethodObject();

// The export's variable: the library-owned INativeMethods reference.
INativeMethods** NativeMethodReference();

// Library start-up and unload of the native service component.
void NativeServicesInitialize();
void NativeServicesFinalize();
