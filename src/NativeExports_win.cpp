// The library's exports and its entry point.
#include <windows.h>

#include "KVNativeMethods.h"
#include "LibraryLifecycle_win.h"
#include "NativeMethod_win.h"
#include "NativePublic_win.h"
#include "WebCall_win.h"

extern "C" {

BOOL STDMETHODCALLTYPE NativeResourceRequire(IWebContext* context, IWebRequest* request,
                                                                    IWebResponse* response) {
  return NativeResourceRequireImpl(context, request, response);
}

BOOL STDMETHODCALLTYPE NativeLoadResource(IWebContext* context, IWebRequest* request,
                                                                 IWebResponse* response, BOOL* flag) {
  return NativeLoadResourceImpl(context, request, response, flag);
}

INativeMethods** STDMETHODCALLTYPE NativeMethod() {
  if (!LibraryServing()) return nullptr;
  return NativeMethodReference();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      SetLibraryModule(instance);
      SetMainThreadId(GetCurrentThreadId());
      try {
        LibraryStartup();
      } catch (...) {
        return FALSE;
      }
      break;
    case DLL_PROCESS_DETACH:
      LibraryShutdown(reserved != nullptr);
      SetLibraryModule(nullptr);
      break;
    default:
      break;
  }
  return TRUE;
}

}  // extern "C"
