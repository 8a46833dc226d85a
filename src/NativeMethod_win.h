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

  // Files and directories (NativeMethod_Files_win.cpp).

  // System: environment, registry, INI, processes, clipboard, system
  // information (NativeMethod_System_win.cpp).

  // Hashes, encodings, keys and ciphers (NativeMethod_Crypto_win.cpp).

  // Archives (NativeMethod_Zip_win.cpp). Paths are used as given. The ZIP
  // extractions are true when every entry was extracted and raise for
  // archives they cannot read; DecompressGZip writes DestFile only after the
  // whole member checked out.
  bool ExtractZipFile(std::u16string_view zipFile, std::u16string_view desDir);
  bool ExtractZipRes(HMODULE instance, std::u16string_view resName, std::u16string_view resType,
                     std::u16string_view destDir);
  bool DecompressGZip(std::u16string_view gzFile, std::u16string_view destFile);

  // Callbacks (NativeMethod_Callbacks_win.cpp).

  // Sub-objects: each accessor creates its object on first use and returns
  // nothing once destruction has begun.

 private:
  ~TNativeMethod();

  std::atomic<ULONG> refs_{1};
  std::unique_ptr<TNativeMethodInterface> interface_;
  bool destroying_ = false;
  bool debugMode_ = false;
  CRITICAL_SECTION lock_;  // guards the download and install job lists
};

// The object behind the export NativeMethod, created on first use; nullptr
// once the library has begun to unload and the object is gone.
TNativeMethod* NativeMethodObject();

// The export's variable: the library-owned INativeMethods reference.
INativeMethods** NativeMethodReference();

// Library start-up and unload of the native service component.
void NativeServicesInitialize();
void NativeServicesFinalize();
