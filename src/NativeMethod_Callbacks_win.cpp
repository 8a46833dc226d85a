// Late-bound callables for native code outside the library.
#include "NativeMethod_win.h"
#include "ScriptCallbacks_win.h"

com_ptr<IDispatch> TNativeMethod::FunctionToDispatch(IAnonymousFunction* function) {
  return ::FunctionToDispatch(function);
}
