// The memory store sub-object of the service object.
#include "MemStore.h"
#include "NativeMethod_win.h"

TMemStore* TNativeMethod::MemStore() {
  if (destroying_) return nullptr;
  if (!memStore_) memStore_ = std::make_unique<TMemStore>();
  return memStore_.get();
}
