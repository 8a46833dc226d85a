// The registry of callable modules and the two call-handling exports: one
// page call is looked up by module and method name and run through the
// host's RunMethod; the client script is served from the library's
// resources.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "KVNativeHost.h"
#include "WinHandle.h"

struct TWebMethodEntry;

// Base of module instances.
class TWebModule {
 public:
  virtual ~TWebModule() = default;
};

// What a module class offers the registry: how to make an instance and how to
// find one of its published methods (ASCII letters compared without regard to
// case).
struct TWebModuleClass {
  const char16_t* name;
  std::unique_ptr<TWebModule> (*create)();
  const TWebMethodEntry* (*findMethod)(std::u16string_view name);
};

struct TWebCallInfo {
  const TWebModuleClass* ModuleClass = nullptr;
  bool DirectCall = false;      // false: RunMethod on the host's main thread
  bool SingleInstance = false;  // true: one instance kept for the library's lifetime
  bool OwnsInstance = true;     // always true after registration: the kept instance is freed at unload
  std::unique_ptr<TWebModule> Instance;
};

// Owns the module registry: names compared without regard to case.
class WebCall {
 public:
  static TWebCallInfo& RegisterModule(std::u16string_view name, const TWebModuleClass& moduleClass, bool directCall,
                                      bool singleInstance);
  static TWebCallInfo* FindModule(std::u16string_view name);

  // Library start-up creates the registry; unload frees the instances from
  // the last entry to the first, then the registry.
  static void Initialize();
  static void Finalize();
};

// Creates an IWebScript holding `text`: a CallFunction argument that the host
// inserts as a script expression.
com_ptr<IWebScript> MakeWebScript(std::u16string_view text);

// The library's module handle, for its own resources.
void SetLibraryModule(HMODULE module);
HMODULE LibraryModule();

BOOL NativeResourceRequireImpl(IWebContext* context, IWebRequest* request, IWebResponse* response);
BOOL NativeLoadResourceImpl(IWebContext* context, IWebRequest* request, IWebResponse* response, BOOL* flag);
