// Owned VARIANTs: one value (TVariant) and an argument array (TVariantArray),
// each cleared with VariantClear when it goes.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "WinText.h"

class TVariant {
 public:
  TVariant() { VariantInit(&value_); }
  template <typename T>
    requires std::is_same_v<T, bool>
  explicit TVariant(T value) : TVariant() {
    value_.vt = VT_BOOL;
    value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  explicit TVariant(std::u16string_view text) : TVariant() {
    value_.vt = VT_BSTR;
    value_.bstrVal = AllocBstr(text);
  }
  explicit TVariant(const char16_t* text) : TVariant(std::u16string_view(text ? text : u"")) {}
  explicit TVariant(int32_t value) : TVariant() {
    value_.vt = VT_I4;
    value_.lVal = value;
  }
  // Holds a counted reference to `dispatch` (empty for nullptr).
  explicit TVariant(IDispatch* dispatch) : TVariant() {
    if (!dispatch) return;
    value_.vt = VT_DISPATCH;
    value_.pdispVal = dispatch;
    dispatch->AddRef();
  }
  // Holds a counted reference to `unknown` as VT_UNKNOWN (empty for nullptr).
  static TVariant OfUnknown(IUnknown* unknown) {
    TVariant v;
    if (unknown) {
      v.value_.vt = VT_UNKNOWN;
      v.value_.punkVal = unknown;
      unknown->AddRef();
    }
    return v;
  }
  TVariant(const TVariant& other) : TVariant() { VariantCopy(&value_, const_cast<VARIANT*>(&other.value_)); }
  TVariant(TVariant&& other) noexcept : value_(other.release()) {}
  TVariant& operator=(TVariant other) noexcept {
    std::swap(value_, other.value_);
    return *this;
  }
  ~TVariant() { VariantClear(&value_); }

  // A copy of `value`, references followed (VariantCopyInd).
  static TVariant CopyOf(const VARIANT& value) {
    TVariant copy;
    VariantCopyInd(&copy.value_, const_cast<VARIANT*>(&value));
    return copy;
  }

  const VARIANT& get() const { return value_; }
  VARTYPE vt() const { return value_.vt; }
  bool Empty() const { return value_.vt == VT_EMPTY; }
  // Clears the value and hands out its slot for an out-parameter.
  VARIANT* put() {
    VariantClear(&value_);
    return &value_;
  }
  // Gives up the value without clearing it.
  VARIANT release() {
    VARIANT v = value_;
    VariantInit(&value_);
    return v;
  }

 private:
  VARIANT value_;
};

// A contiguous argument array for calls that take VARIANT* and a count.
class TVariantArray {
 public:
  explicit TVariantArray(size_t count) : items_(count) {
    for (VARIANT& v : items_) VariantInit(&v);
  }
  TVariantArray(const TVariantArray&) = delete;
  TVariantArray& operator=(const TVariantArray&) = delete;
  ~TVariantArray() {
    for (VARIANT& v : items_) VariantClear(&v);
  }

  // Takes over `value` into element `index`.
  void Set(size_t index, TVariant value) {
    VariantClear(&items_[index]);
    items_[index] = value.release();
  }
  VARIANT* data() { return items_.data(); }
  UINT size() const { return static_cast<UINT>(items_.size()); }

 private:
  std::vector<VARIANT> items_;
};
