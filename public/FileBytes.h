// Whole files as bytes, through the platform. Failures raise ENativeError
// naming the file and the system's reason; files above INT_MAX bytes are
// refused, as the library's callers count lengths in 32 bits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

std::string ReadFileBytes(std::u16string_view fileName);
// Creates or replaces the file.
void WriteFileBytes(std::u16string_view fileName, std::string_view bytes);

// For the platform halves: the errors' texts in one place.
[[noreturn]] void RaiseFileError(const char16_t* what, std::u16string_view fileName, std::u16string_view reason);
void CheckFileSize(uint64_t size, std::u16string_view fileName);
