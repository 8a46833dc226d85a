// IUnknown for a heap object implementing one COM interface: QueryInterface
// answers IUnknown and the interface's __uuidof, the count is atomic, and the
// last Release deletes the object.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

template <typename Interface>
class TComObject : public Interface {
 public:
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

 protected:
  TComObject() = default;
  virtual ~TComObject() = default;

 private:
  std::atomic<ULONG> refs_{1};
};
