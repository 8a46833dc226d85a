// Move-only owners of Win32 handles: one template parameterised by the close
// function and the invalid value, with one-line aliases per handle kind.
// Closing or resetting preserves GetLastError() so that error paths can read
// the cause after the cleanup ran.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

// T is a pointer-like handle type; InvalidBits is its invalid value's bits
// (0, or -1 for INVALID_HANDLE_VALUE).
template <typename T, auto Close, intptr_t InvalidBits = 0>
class unique_any {
  static T Invalid() { return (T)InvalidBits; }  // NOLINT: handle bits

 public:
  unique_any() = default;
  explicit unique_any(T value) : value_(value) {}
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_any() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Invalid(); }
  T release() { return std::exchange(value_, Invalid()); }
  void reset(T value = Invalid()) {
    if (value_ != Invalid()) {
      const DWORD error = GetLastError();
      Close(value_);
      SetLastError(error);
    }
    value_ = value;
  }
  // For out-parameters: closes the current value and hands out the slot.
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_ = Invalid();
};

namespace win_detail {
inline void CloseHandleFn(HANDLE h) { ::CloseHandle(h); }
inline void CloseFindFn(HANDLE h) { ::FindClose(h); }
inline void CloseKeyFn(HKEY h) { ::RegCloseKey(h); }
inline void FreeLibraryFn(HMODULE h) { ::FreeLibrary(h); }
inline void UnmapViewFn(void* p) { ::UnmapViewOfFile(p); }
inline void DestroyWindowFn(HWND h) { ::DestroyWindow(h); }
inline void GlobalFreeFn(HGLOBAL h) { ::GlobalFree(h); }
inline void LocalFreeFn(HLOCAL h) { ::LocalFree(h); }
}  // namespace win_detail

using unique_handle = unique_any<HANDLE, win_detail::CloseHandleFn>;
using unique_hfile = unique_any<HANDLE, win_detail::CloseHandleFn, -1>;
using unique_hfind = unique_any<HANDLE, win_detail::CloseFindFn, -1>;
using unique_hkey = unique_any<HKEY, win_detail::CloseKeyFn>;
using unique_hmodule = unique_any<HMODULE, win_detail::FreeLibraryFn>;
using unique_mapview = unique_any<void*, win_detail::UnmapViewFn>;
using unique_hwnd = unique_any<HWND, win_detail::DestroyWindowFn>;
using unique_hglobal = unique_any<HGLOBAL, win_detail::GlobalFreeFn>;
using unique_hlocal = unique_any<HLOCAL, win_detail::LocalFreeFn>;

// A counted COM reference.
template <typename I>
class com_ptr {
 public:
  com_ptr() = default;
  com_ptr(I* p) : p_(p) {  // NOLINT: adopts with AddRef, as smart COM pointers do
    if (p_) p_->AddRef();
  }
  com_ptr(const com_ptr& o) : com_ptr(o.p_) {}
  com_ptr(com_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  com_ptr& operator=(com_ptr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~com_ptr() {
    if (p_) p_->Release();
  }
  // Takes over a reference without AddRef.
  static com_ptr attach(I* p) {
    com_ptr r;
    r.p_ = p;
    return r;
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  I* detach() { return std::exchange(p_, nullptr); }
  void reset() { com_ptr().swap(*this); }
  I** put() {
    reset();
    return &p_;
  }
  void swap(com_ptr& o) noexcept { std::swap(p_, o.p_); }

 private:
  I* p_ = nullptr;
};
