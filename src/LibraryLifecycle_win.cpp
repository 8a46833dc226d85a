#include "LibraryLifecycle_win.h"

#include <windows.h>

#include <atomic>

#include "BackgroundWorker_win.h"
#include "NativeMethod_win.h"
#include "WebCall_win.h"
#include "WebNativeMeths_win.h"

namespace {

struct TComponent {
  const char* name;
  void (*startup)();
  void (*unload)();
};

// The library's components, started in this order and unloaded in reverse.
// Start-up runs inside DllMain, where COM must not be initialised (and the
// loading thread's apartment is the host's to choose): code that needs COM
// initialises it around its own work instead.
const TComponent kComponents[] = {
    {"module registry", WebCall::Initialize, WebCall::Finalize},
    {"worker framework", InitializeWorkerFramework, FinalizeWorkerFramework},
    {"native services", NativeServicesInitialize, NativeServicesFinalize},
    {"web methods", WebMethodsInitialize, WebMethodsFinalize},
};

std::atomic<bool> g_serving{false};
std::atomic<bool> g_processExit{false};

}  // namespace

void LibraryStartup() {
  for (const TComponent& c : kComponents) {
    if (c.startup) c.startup();
  }
  g_serving = true;
}

void LibraryShutdown(bool processExit) {
  g_serving = false;
  g_processExit = processExit;
  for (auto it = std::rbegin(kComponents); it != std::rend(kComponents); ++it) {
    try {
      if (it->unload) it->unload();
    } catch (...) {
      // Unload continues with the next component whatever one of them raised.
    }
  }
}

bool LibraryServing() { return g_serving; }
bool ProcessExiting() { return g_processExit; }
