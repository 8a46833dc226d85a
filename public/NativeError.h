// The library's one base error class. Every failure inside the library that
// a caller may report is an ENativeError (or derived from it); the dispatcher
// turns it into the page call's error text.
#pragma once

#include <exception>
#include <string>
#include <string_view>

class ENativeError : public std::exception {
 public:
  explicit ENativeError(std::u16string message);
  ~ENativeError() override;

  const std::u16string& Message() const noexcept { return message_; }
  // The message as UTF-8, for diagnostics outside the library's own paths.
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::u16string message_;
  std::string what_;
};

// Programming errors in native code (wrong argument counts and the like) that
// pages cannot cause. Raised as ENativeError so the caller still gets a message.
[[noreturn]] void RaiseAssertion(std::u16string_view message);
