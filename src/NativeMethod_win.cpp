#include "NativeMethod_win.h"

#include "MemStore.h"
#include "NativeError.h"
#include "NativeMethodCom_win.h"
#include "WinText.h"

namespace {

INativeMethods* g_reference = nullptr;
TNativeMethod* g_object = nullptr;
// Creation is allowed from start-up until unload begins.
bool g_creationAllowed = false;

}  // namespace

TNativeMethod::TNativeMethod() : interface_(std::make_unique<TNativeMethodInterface>(*this)) {
  InitializeCriticalSection(&lock_);
}

TNativeMethod::~TNativeMethod() {
  destroying_ = true;
  try {
    DeleteCriticalSection(&lock_);
    // Sub-objects, in this order: memory store, ...
    memStore_.reset();
  } catch (const ENativeError& e) {
    const std::u16string text = u"[TNativeMethod.Destroy]" + e.Message();
    OutputDebugStringW(as_wcstr(text.c_str()));
  }
}

ULONG TNativeMethod::AddRef() { return ++refs_; }

ULONG TNativeMethod::Release() {
  const ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

INativeMethods* TNativeMethod::Interface() { return interface_.get(); }

INativeMethods** NativeMethodReference() {
  if (!g_reference && g_creationAllowed) {
    g_object = new TNativeMethod();
    g_reference = g_object->Interface();
  }
  return &g_reference;
}

TNativeMethod* NativeMethodObject() {
  if (!g_object) NativeMethodReference();
  return g_object;
}

void NativeServicesInitialize() { g_creationAllowed = true; }

void NativeServicesFinalize() {
  g_creationAllowed = false;
  // The object stays reachable while it destroys itself, so that code run by
  // its destruction sees Destroying() instead of creating a new one.
  if (g_reference) g_reference->Release();
  g_reference = nullptr;
  g_object = nullptr;
}
