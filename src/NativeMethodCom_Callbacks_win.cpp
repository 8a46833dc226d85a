#include "NativeMethodCom_win.h"
#include "NativeMethod_win.h"

HRESULT TNativeMethodInterface::FunctionToDispatch(IUnknown* function, IDispatch** dispatch) {
  if (!dispatch) return E_POINTER;
  *dispatch = nullptr;
  if (!function) return E_POINTER;
  com_ptr<IAnonymousFunction> anonymous;
  const HRESULT hr = function->QueryInterface(__uuidof(IAnonymousFunction), reinterpret_cast<void**>(anonymous.put()));
  if (FAILED(hr) || !anonymous) return E_NOINTERFACE;
  return ComReturn(dispatch, [&] { return owner_.FunctionToDispatch(anonymous.get()).detach(); });
}
