#include "NativeMethodCom_win.h"

#include "NativeMethod_win.h"
#include "WinHandle.h"

void SetComErrorMessage(std::u16string_view message) noexcept {
  com_ptr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.put()))) return;
  const std::u16string text(message);
  create->SetDescription(const_cast<LPOLESTR>(as_wcstr(text.c_str())));
  com_ptr<IErrorInfo> info;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.put())))) {
    SetErrorInfo(0, info.get());
  }
}

HRESULT TNativeMethodInterface::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_INativeMethods || iid == IID_INativeMethodsAlt) {
    *object = static_cast<INativeMethods*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TNativeMethodInterface::AddRef() { return owner_.AddRef(); }
ULONG TNativeMethodInterface::Release() { return owner_.Release(); }

HRESULT TNativeMethodInterface::GetAreaCode(BSTR* value) {
  return ComReturn(value, [&] { return owner_.GetAreaCode(); });
}

HRESULT TNativeMethodInterface::GetDownloadDir(BSTR* value) { return E_NOTIMPL; }

HRESULT TNativeMethodInterface::GetDebugMode(BOOL* value) {
  return ComReturn(value, [&] { return owner_.GetDebugMode(); });
}

HRESULT TNativeMethodInterface::SetAreaCode(LPCWSTR value) {
  return ComCall([&] { owner_.SetAreaCode(ComText(value)); });
}

HRESULT TNativeMethodInterface::SetDownloadDir(LPCWSTR value) { return E_NOTIMPL; }

HRESULT TNativeMethodInterface::SetDebugMode(BOOL value) {
  return ComCall([&] { owner_.SetDebugMode(value != FALSE); });
}

HRESULT TNativeMethodInterface::GetImplementor(void** object) {
  if (!object) return E_POINTER;
  *object = &owner_;
  return S_OK;
}

HRESULT TNativeMethodInterface::Log(LPCWSTR text) {
  return ComCall([&] { owner_.Log(ComText(text)); });
}
