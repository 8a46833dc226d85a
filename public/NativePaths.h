// Path texts as the system has always computed them (pure string operations;
// a delimiter is "\" or ":"), size texts, and the app-relative path rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Up to and including the last delimiter; empty when there is none.
std::u16string ExtractFilePath(std::u16string_view fileName);
// As ExtractFilePath without a final "\", unless the unit before it is also a
// delimiter or it is the first unit (so roots keep their backslash).
std::u16string ExtractFileDir(std::u16string_view fileName);
// The text after the last delimiter.
std::u16string ExtractFileName(std::u16string_view fileName);
// From the last "." after the last delimiter, dot included; else empty.
std::u16string ExtractFileExt(std::u16string_view fileName);
// The text without its extension followed by `ext`.
std::u16string ChangeFileExt(std::u16string_view fileName, std::u16string_view ext);
// "C:" for a drive path, "\\server\share" for a UNC path, else empty.
std::u16string ExtractFileDrive(std::u16string_view fileName);

std::u16string IncludeTrailingBackslash(std::u16string_view path);
std::u16string ExcludeTrailingBackslash(std::u16string_view path);

// A path without ":" anywhere is taken relative to `appDir` (the host
// executable's directory): appDir + "\" + path. Other paths are unchanged.
std::u16string ResolveAppRelativePath(std::u16string_view path, std::u16string_view appDir);

// "%.2f%s" with the unit stepping from B through KB, MB, GB, TB to PB while
// the value is greater than 1024; "--" for a negative size.
std::u16string FormatSizeText(int64_t size);

// ".hhnnsszzz": the time suffix of files moved into a deferred-delete folder.
std::u16string TimeSuffix(int hour, int minute, int second, int millisecond);
