// COM helpers: the calling thread's apartment for one operation, and
// IUnknown for a heap object implementing one COM interface: QueryInterface
// answers IUnknown and the interface's __uuidof, the count is atomic, and the
// last Release deletes the object.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

#include <atomic>

// COM for the calling thread for the length of one operation; a thread that
// already has it keeps it as it was.
class TComApartment {
 public:
  explicit TComApartment(DWORD flags = COINIT_APARTMENTTHREADED) : result_(CoInitializeEx(nullptr, flags)) {}
  ~TComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

 private:
  HRESULT result_;
};

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
