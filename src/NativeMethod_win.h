// TNativeMethod: the process-wide service object. Web methods and the
// library's own code use its C++ operations; hosts reach it through
// INativeMethods (NativeMethodCom_win.h), which forwards to them.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "KVNativeMethods.h"

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

  // The frame window the window methods act on; the web methods write it
  // before each window operation.
  HWND LastWindowHandle() const { return lastWindowHandle_; }
  void SetLastWindowHandle(HWND window) { lastWindowHandle_ = window; }

  // Files and directories (NativeMethod_Files_win.cpp).

  // System: environment, registry, INI, processes, clipboard, system
  // information (NativeMethod_System_win.cpp).

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

  // Archives (NativeMethod_Zip_win.cpp).

  // Callbacks (NativeMethod_Callbacks_win.cpp).

  // Sub-objects: each accessor creates its object on first use and returns
  // nothing once destruction has begun.
  TMemStore* MemStore();  // NativeMethod_MemStore_win.cpp

 private:
  ~TNativeMethod();

  std::atomic<ULONG> refs_{1};
  std::unique_ptr<TNativeMethodInterface> interface_;
  bool destroying_ = false;
  bool debugMode_ = false;
  HWND lastWindowHandle_ = nullptr;
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
