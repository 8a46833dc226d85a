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
  virtual HRESULT STDMETHODCALLTYPE ForceDir(LPCWSTR dirName, BOOL * result) = 0;
  /* True for an existing directory too. */
  virtual HRESULT STDMETHODCALLTYPE FileExists(LPCWSTR fileName, BOOL * result) = 0;
  /* The size of the first entry matching the name (wildcards work), -1 when
   * none does; sizes beyond the 32-bit range give 2147483647. */
  virtual HRESULT STDMETHODCALLTYPE GetFileSize(LPCWSTR fileName, INT * result) = 0;
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
  /* JSON array of the directory's entries; "[]" when it does not exist. */
  virtual HRESULT STDMETHODCALLTYPE GetFilesOfDir(LPCWSTR dirName, BSTR * result) = 0;
  /* JSON array of {"name", "type"} drive records. */
  virtual HRESULT STDMETHODCALLTYPE GetAllDrivers(BSTR * result) = 0;
  /* Bytes available to the caller on the volume holding `drive`, and the
   * volume's size; -1 when it cannot be queried. */
  virtual HRESULT STDMETHODCALLTYPE DiskFree(LPCWSTR drive, LONGLONG * result) = 0;
  virtual HRESULT STDMETHODCALLTYPE DiskSize(LPCWSTR drive, LONGLONG * result) = 0;
  /* One line of the library's trace log, the text unchanged. */
  virtual HRESULT STDMETHODCALLTYPE Log(LPCWSTR text) = 0;
};
static const IID IID_INativeMethods = {0x55E5DB93, 0xEBF6, 0x4592, {0xAB, 0x53, 0x22, 0xA3, 0x54, 0xCC, 0x68, 0x49}};
KV_DEFINE_IID(INativeMethods, 0x55E5DB93, 0xEBF6, 0x4592, 0xAB, 0x53, 0x22, 0xA3, 0x54, 0xCC, 0x68, 0x49)

#endif /* KVNATIVE_METHODS_H */
