// Web methods of the memory store.
#include "MemStore.h"
#include "NativeError.h"
#include "NativeMethod_win.h"
#include "WebNativeMeths_win.h"

namespace {

TMemStore& Store(TWebCall& c) {
  TMemStore* store = c.Native().MemStore();
  if (!store) throw ENativeError(u"The memory store is gone");
  return *store;
}

const TWebMethodBinding kBindings[] = {
    {u"GetMemStore", [](TWebCall& c) { c.Result(Store(c).Get(c.Text(u"path"))); }},
    {u"SetMemStore", [](TWebCall& c) { c.Result(Store(c).Set_(c.Text(u"path"), c.Text(u"value"))); }},
};

}  // namespace

std::span<const TWebMethodBinding> MemStoreWebMethods() { return kBindings; }
