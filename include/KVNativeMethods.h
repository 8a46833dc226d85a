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
/* shellapi.h renames ShellExecute, as winbase.h renames GetCommandLine and
 * LoadLibrary: included here so that every unit that sees this interface
 * sees the same slot names. */
#include <shellapi.h>

/* {A1660309-F3B6-49BC-A926-25768DCB6A85}: the second identifier of the same
 * interface. */
static const IID IID_INativeMethodsAlt = {0xA1660309, 0xF3B6, 0x49BC, {0xA9, 0x26, 0x25, 0x76, 0x8D, 0xCB, 0x6A, 0x85}};

/* A native function that can be called late-bound. FunctionToDispatch
 * wraps one in an IDispatch whose default member (DISPID 0, IID_NULL) calls
 * it with the positional arguments exactly as they are in DISPPARAMS:
 * element 0 is the first argument (no reversal). The library's services
 * call page callbacks this way; a host may implement the interface to hand
 * a function of its own to them. */
KV_DECLARE_INTERFACE(IAnonymousFunction, IUnknown, "15BEE839-A53A-4F81-B0C4-4A5969D38362") {
  /* Calls the function with `count` arguments, args[0] first. `result` may
   * be NULL; otherwise it receives the function's result (VT_EMPTY when it
   * has none). A failure is a failed HRESULT, with error information. */
  virtual HRESULT STDMETHODCALLTYPE Call(const VARIANT* args, UINT count, VARIANT* result) = 0;
};
KV_DEFINE_IID(IAnonymousFunction, 0x15BEE839, 0xA53A, 0x4F81, 0xB0, 0xC4, 0x4A, 0x59, 0x69, 0xD3, 0x83, 0x62)

KV_DECLARE_INTERFACE(INativeMethods, IUnknown, "55E5DB93-EBF6-4592-AB53-22A354CC6849") {
  /* Settings shared by pages and the host. The area code is the six-digit
   * region code of the tax environment; the download directory is where
   * downloads go; the debug mode is a flag the library stores for pages and
   * hosts and does not act on itself. This build has no download manager
   * yet: GetDownloadDir and SetDownloadDir return E_NOTIMPL. */
  virtual HRESULT STDMETHODCALLTYPE GetAreaCode(BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDownloadDir(BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDebugMode(BOOL * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAreaCode(LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDownloadDir(LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDebugMode(BOOL value) = 0;
  /* The library-internal object behind the interface; opaque to hosts. */
  virtual HRESULT STDMETHODCALLTYPE GetImplementor(void** object) = 0;

  /* A new IDispatch around `function`, which must answer IAnonymousFunction
   * (E_NOINTERFACE otherwise). Invoke of DISPID 0 with IID_NULL calls the
   * function with the arguments in DISPPARAMS order and passes its result
   * on; a failure of the function is DISP_E_EXCEPTION with its message in
   * the EXCEPINFO, as is any other member or interface identifier. The type
   * information and name lookup answer E_NOTIMPL. */
  virtual HRESULT STDMETHODCALLTYPE FunctionToDispatch(IUnknown * function, IDispatch * *dispatch) = 0;
  /* The time stamp counts milliseconds from 1970-01-01 to the local date and
   * time. An application key is the SHA-1 of appId + appSecret + timeStamp
   * in the ANSI code page; texts are hashed as UTF-8 bytes. MD5 texts are 32
   * lower-case, SHA-1 texts 40 upper-case hexadecimal digits. */
  virtual HRESULT STDMETHODCALLTYPE CreateTimeStamp(BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateAppKey(LPCWSTR appId, LPCWSTR appSecret, LPCWSTR timeStamp, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStrMd5Code(LPCWSTR str, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStrSHA1Code(LPCWSTR str, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateGUID(BSTR * value) = 0;
  /* The host process's arguments without the program, as a JSON array of
   * strings. */
  virtual HRESULT STDMETHODCALLTYPE GetCommandLine(BSTR * json) = 0;
  /* The host process: executable path, file name, directory without and
   * with a trailing backslash, process identifier. */
  virtual HRESULT STDMETHODCALLTYPE CurrentProcessFile(BSTR * path) = 0;
  virtual HRESULT STDMETHODCALLTYPE CurrentProcessFilename(BSTR * name) = 0;
  virtual HRESULT STDMETHODCALLTYPE CurrentProcessDir(BSTR * dir) = 0;
  virtual HRESULT STDMETHODCALLTYPE CurrentProcessPath(BSTR * dir) = 0;
  virtual HRESULT STDMETHODCALLTYPE CurrentProcessId(DWORD * processId) = 0;
  /* Files and directories. A path without ":" is taken relative to the host
   * executable's directory where the library says so (FileExists, DirExists,
   * ForceDir, GetFileSize, GetFileVersion, GetFileLastModified, GetFileStr,
   * SaveStrToFile, DeleteFile, RemoveDir, EmptyDir, CreateLink, GetFilesOfDir,
   * the source of CopyDir); the other operations use paths as given. */
  virtual HRESULT STDMETHODCALLTYPE ChangeFileExt(LPCWSTR fileName, LPCWSTR ext, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExtractFilePath(LPCWSTR fileName, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExtractFileDir(LPCWSTR fileName, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExtractFileDrive(LPCWSTR fileName, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExtractFileName(LPCWSTR fileName, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExtractFileExt(LPCWSTR fileName, BSTR * result) = 0;
  /* Archives; paths as given. *result is TRUE when every entry was
   * extracted; entries extracted before a failing one stay. An archive that
   * cannot be read fails with E_FAIL and the reason as error information.
   * resName and resType may also be MAKEINTRESOURCE values; a module without
   * the resource extracts nothing (TRUE). DecompressGZip writes destFile only
   * when the gzip file's first member inflated to its stated length and
   * CRC. */
  virtual HRESULT STDMETHODCALLTYPE ExtractZipFile(LPCWSTR zipFile, LPCWSTR desDir, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExtractZipRes(HINSTANCE instance, LPCWSTR resName, LPCWSTR resType,
                                                  LPCWSTR destDir, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE DecompressGZip(LPCWSTR gzFile, LPCWSTR destFile, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ForceDir(LPCWSTR dirName, BOOL * result) = 0;
  /* True for an existing directory too. */
  virtual HRESULT STDMETHODCALLTYPE FileExists(LPCWSTR fileName, BOOL * result) = 0;
  /* The size of the first entry matching the name (wildcards work), -1 when
   * none does; sizes beyond the 32-bit range give 2147483647. */
  virtual HRESULT STDMETHODCALLTYPE GetFileSize(LPCWSTR fileName, INT * result) = 0;
  /* Digests of a file's bytes; a file that cannot be opened hashes as empty
   * input. */
  virtual HRESULT STDMETHODCALLTYPE GetFileMd5Code(LPCWSTR fileName, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFileSHA1Code(LPCWSTR fileName, BSTR * value) = 0;
  /* The text of a file: UTF-16LE or UTF-8 after their marks, otherwise UTF-8
   * (utf8 TRUE) or the ANSI code page. Fails when the file cannot be opened. */
  virtual HRESULT STDMETHODCALLTYPE GetFileStr(LPCWSTR fileName, BOOL utf8, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFileStr1(LPCWSTR fileName, BSTR * result) = 0;
  /* Writes the text in the MIME charset `encoding` (default "utf-8"), without
   * a byte-order mark; FALSE for an unknown charset. */
  virtual HRESULT STDMETHODCALLTYPE SaveStrToFile(LPCWSTR fileName, LPCWSTR str, LPCWSTR encoding, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveStrToFile2(LPCWSTR fileName, LPCWSTR str, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE DirExists(LPCWSTR dirName, BOOL * result) = 0;
  /* failIfExists defaults to TRUE. */
  virtual HRESULT STDMETHODCALLTYPE CopyFile(LPCWSTR srcFile, LPCWSTR desFile, BOOL failIfExists, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyFile2(LPCWSTR srcFile, LPCWSTR desFile, BOOL * result) = 0;
  /* Recursive; destination files that cannot be overwritten move into the
   * destination's "__DeleteFiles" folder. ignoreIfExists defaults to TRUE. */
  virtual HRESULT STDMETHODCALLTYPE CopyDir(LPCWSTR srcDir, LPCWSTR desDir, BOOL ignoreIfExists, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyDir2(LPCWSTR srcDir, LPCWSTR desDir, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteFile(LPCWSTR fileName, BOOL * result) = 0;
  /* Never replaces an existing target. */
  virtual HRESULT STDMETHODCALLTYPE RenameFile(LPCWSTR oldName, LPCWSTR newName, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveDir(LPCWSTR dirName, BOOL * result) = 0;
  /* Deletes what can be deleted. EmptyDir1 uses the name as given and
   * empties recursively. Empty names, and relative ones that reach the
   * directory they are taken from or above it, delete nothing. */
  virtual HRESULT STDMETHODCALLTYPE EmptyDir(LPCWSTR dirName, BOOL recursive) = 0;
  virtual HRESULT STDMETHODCALLTYPE EmptyDir1(LPCWSTR dirName) = 0;
  /* The "FileVersion" text of the first translation of the version
   * resource. */
  virtual HRESULT STDMETHODCALLTYPE GetFileVersion(LPCWSTR fileName, BSTR * result) = 0;
  /* Last-write time in UTC, as days since 1899-12-30; 0 when unreadable. */
  virtual HRESULT STDMETHODCALLTYPE GetFileLastModified(LPCWSTR fileName, DATE * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSystemDrive(BSTR * result) = 0;
  /* Special folders: the user's, or all users' when common is TRUE (the
   * forms without it give the user's). */
  virtual HRESULT STDMETHODCALLTYPE GetDesktopDir(BOOL common, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesktopDir0(BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFontsDir(BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProgramsDir(BOOL common, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProgramsDir0(BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSendToDir(BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStartMenuDir(BOOL common, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStartMenuDir0(BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStartupDir(BOOL common, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStartupDir0(BSTR * result) = 0;
  /* Shell links (.lnk files). */
  virtual HRESULT STDMETHODCALLTYPE GetPathFromLink(LPCWSTR linkFile, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWorkPathFromLink(LPCWSTR linkFile, BSTR * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPathOfLink(LPCWSTR linkFile, LPCWSTR path, BOOL * result) = 0;
  /* The link file's extension must be ".lnk"; the working directory is the
   * program's directory. */
  virtual HRESULT STDMETHODCALLTYPE CreateLink(LPCWSTR linkFile, LPCWSTR programPath, LPCWSTR programArg,
                                               LPCWSTR desc, BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateLink3(LPCWSTR linkFile, LPCWSTR programPath, LPCWSTR programArg,
                                                BOOL * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateLink2(LPCWSTR linkFile, LPCWSTR programPath, BOOL * result) = 0;
  /* Environment variables of the host process. */
  virtual HRESULT STDMETHODCALLTYPE EnvVarExists(LPCWSTR varName, BOOL * exists) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEnvVar(LPCWSTR varName, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEnvVar(LPCWSTR varName, LPCWSTR varValue, BOOL * done) = 0;
  /* Registry. Names are "key path\value name" (a name ending in "\" is the
   * key itself, "(default)" the unnamed value). root 0 to 9 stands for the
   * predefined key 0x80000000 + root (0 HKEY_CLASSES_ROOT, 1
   * HKEY_CURRENT_USER, 2 HKEY_LOCAL_MACHINE, 3 HKEY_USERS); larger values
   * are predefined-key values themselves. RegKeyExists looks under
   * HKEY_CURRENT_USER, then HKEY_LOCAL_MACHINE. SetRegKeyValue writes a
   * value longer than two characters that begins with "0x" as a DWORD. */
  virtual HRESULT STDMETHODCALLTYPE RegKeyExists(LPCWSTR keyName, BOOL * exists) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRegKeyValue(UINT root, LPCWSTR keyName, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRegKeyValue(UINT root, LPCWSTR keyName, LPCWSTR keyValue, BOOL * done) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteRegKey(UINT root, LPCWSTR keyName, BOOL * done) = 0;
  /* INI files; a file name without ":" is relative to the host executable's
   * directory. Sections and section values come as JSON arrays: the names,
   * and objects {"key": name, "value": value}, in file order. */
  virtual HRESULT STDMETHODCALLTYPE GetIniSections(LPCWSTR fileName, BSTR * json) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIniSectionValues(LPCWSTR fileName, LPCWSTR section, BSTR * json) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIniValue(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, LPCWSTR def,
                                                BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIniValue3(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIniValue(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, LPCWSTR value,
                                                BOOL * done) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteIniSection(LPCWSTR fileName, LPCWSTR section, BOOL * done) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteIniKey(LPCWSTR fileName, LPCWSTR section, LPCWSTR key, BOOL * done) = 0;
  /* Places the text on the clipboard as CF_TEXT in the ANSI code page. */
  virtual HRESULT STDMETHODCALLTYPE CopyStrToClip(LPCWSTR text, BOOL * done) = 0;
  /* Processes by the full path of their executable (0 / FALSE when none
   * matches); KillProcess ends the first match. */
  virtual HRESULT STDMETHODCALLTYPE GetProcessID(LPCWSTR procName, DWORD * processId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProcessFile(DWORD processId, BSTR * path) = 0;
  virtual HRESULT STDMETHODCALLTYPE KillProcess(LPCWSTR procName, BOOL * done) = 0;
  /* Kills the host process and starts it again with its arguments. */
  virtual HRESULT STDMETHODCALLTYPE Restart(void) = 0;
  /* Starts the program through the shell, elevated when it needs it, and
   * waits until it ends. */
  virtual HRESULT STDMETHODCALLTYPE ExecAndWait(LPCWSTR exeFile, LPCWSTR cmdLine, INT32 showMode, BOOL * done) = 0;
  /* The shell's execute call; the shorter forms use show code 1 and empty
   * parameters and directory. */
  virtual HRESULT STDMETHODCALLTYPE ShellExecute(LPCWSTR operation, LPCWSTR fileName, LPCWSTR params, LPCWSTR dir,
                                                 INT32 showCmd, BOOL * done) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShellExecute4(LPCWSTR operation, LPCWSTR fileName, LPCWSTR params, LPCWSTR dir,
                                                  BOOL * done) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShellExecute3(LPCWSTR operation, LPCWSTR fileName, LPCWSTR params,
                                                  BOOL * done) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShellExecute2(LPCWSTR operation, LPCWSTR fileName, BOOL * done) = 0;
  /* JSON array of the directory's entries; "[]" when it does not exist. */
  virtual HRESULT STDMETHODCALLTYPE GetFilesOfDir(LPCWSTR dirName, BSTR * result) = 0;
  /* JSON array of {"name", "type"} drive records. */
  virtual HRESULT STDMETHODCALLTYPE GetAllDrivers(BSTR * result) = 0;
  /* Bytes available to the caller on the volume holding `drive`, and the
   * volume's size; -1 when it cannot be queried. */
  virtual HRESULT STDMETHODCALLTYPE DiskFree(LPCWSTR drive, LONGLONG * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE DiskSize(LPCWSTR drive, LONGLONG * result) = 0;
  /* Whether the program asks for elevation: "Setup", "Install" or "Update"
   * in its name, a ".manifest" file beside it, or requireAdministrator in
   * its manifest resource. */
  virtual HRESULT STDMETHODCALLTYPE NeedAdminPrivileges(LPCWSTR exeFile, BOOL * needed) = 0;
  /* Loads a library by path (NULL on failure) and frees it again. */
  virtual HRESULT STDMETHODCALLTYPE LoadLibrary(LPCWSTR dllFile, HMODULE * module) = 0;
  virtual HRESULT STDMETHODCALLTYPE FreeLibrary(HMODULE module, BOOL * done) = 0;
  /* One line of the library's trace log, the text unchanged. */
  virtual HRESULT STDMETHODCALLTYPE Log(LPCWSTR text) = 0;
  /* JSON records of the system: the Windows version and environment
   * ({"version", "win64", "name", "country", "language", "username",
   * "hostname", "ip"}), the network adapters ([{"id", "desc", "mac"}]) and
   * the memory status ({"Usage", "totalPhys", "availPhys", "totalPageFile",
   * "availPageFile", "totalVirtual", "availVirtual"}). */
  virtual HRESULT STDMETHODCALLTYPE GetOSInfo(BSTR * json) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMacAddress(BSTR * json) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMemoryStatus(BSTR * json) = 0;
  /* AES texts are the library's hexadecimal container of UTF-8 text; an
   * empty key, and the forms without one, take the default key. Base64 works
   * on UTF-8 bytes. A text that does not decode as UTF-8 gives empty text. */
  virtual HRESULT STDMETHODCALLTYPE AESEncrypt(LPCWSTR data, LPCWSTR key, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE AESEncrypt1(LPCWSTR data, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE AESDecrypt(LPCWSTR data, LPCWSTR key, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE AESDecrypt1(LPCWSTR data, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE Base64Encode(LPCWSTR str, BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE Base64Decode(LPCWSTR str, BSTR * value) = 0;
};
static const IID IID_INativeMethods = {0x55E5DB93, 0xEBF6, 0x4592, {0xAB, 0x53, 0x22, 0xA3, 0x54, 0xCC, 0x68, 0x49}};
KV_DEFINE_IID(INativeMethods, 0x55E5DB93, 0xEBF6, 0x4592, 0xAB, 0x53, 0x22, 0xA3, 0x54, 0xCC, 0x68, 0x49)

#endif /* KVNATIVE_METHODS_H */
