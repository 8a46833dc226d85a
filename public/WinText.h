// Zero-cost views between the core's char16_t text and the wchar_t text of
// the Windows API (both 16-bit on Windows), the text of the API's sized
// calls, and an owning BSTR.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

inline wchar_t* as_wcstr(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
inline const wchar_t* as_wcstr(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline wchar_t* as_wcstr(std::u16string& s) { return as_wcstr(s.data()); }
inline const wchar_t* as_wcstr(std::u16string_view s) { return as_wcstr(s.data()); }
inline char16_t* as_u16cstr(wchar_t* s) { return reinterpret_cast<char16_t*>(s); }
inline const char16_t* as_u16cstr(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }
inline std::u16string_view as_u16view(const wchar_t* s) {
  return s ? std::u16string_view(as_u16cstr(s)) : std::u16string_view();
}

// The text of a call that returns the length it wrote, or the size it needs
// when the buffer is too small (GetFullPathNameW, GetEnvironmentVariableW and
// their kin); empty when the call fails.
template <typename Call>
std::u16string SizedText(Call call) {
  std::u16string out(MAX_PATH, u'\0');
  for (;;) {
    const DWORD n = call(as_wcstr(out), static_cast<DWORD>(out.size()));
    if (n < out.size()) {
      out.resize(n);
      return out;
    }
    out.resize(n);
  }
}

// Owns one BSTR; `put()` hands its slot to an out-parameter.
class TBstr {
 public:
  TBstr() = default;
  explicit TBstr(std::u16string_view text)
      : value_(SysAllocStringLen(as_wcstr(text), static_cast<UINT>(text.size()))) {}
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  TBstr(TBstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  TBstr& operator=(TBstr&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~TBstr() { reset(); }

  BSTR get() const { return value_; }
  BSTR release() { return std::exchange(value_, nullptr); }
  void reset(BSTR value = nullptr) {
    if (value_) SysFreeString(value_);
    value_ = value;
  }
  BSTR* put() {
    reset();
    return &value_;
  }
  std::u16string_view view() const {
    return value_ ? std::u16string_view(as_u16cstr(value_), SysStringLen(value_)) : std::u16string_view();
  }
  std::u16string str() const { return std::u16string(view()); }

 private:
  BSTR value_ = nullptr;
};

// Allocates a BSTR copy of `text` for an out-parameter.
inline BSTR AllocBstr(std::u16string_view text) {
  return SysAllocStringLen(as_wcstr(text), static_cast<UINT>(text.size()));
}
