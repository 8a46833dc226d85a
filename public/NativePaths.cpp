#include "NativePaths.h"

#include "NativeStrings.h"

namespace {

bool IsDelimiter(char16_t c) { return c == u'\\' || c == u':'; }

// Index of the last delimiter, or npos.
size_t LastDelimiter(std::u16string_view s) {
  for (size_t i = s.size(); i > 0; --i) {
    if (IsDelimiter(s[i - 1])) return i - 1;
  }
  return std::u16string_view::npos;
}

// Index of the extension's dot, or npos.
size_t ExtensionDot(std::u16string_view s) {
  for (size_t i = s.size(); i > 0; --i) {
    if (s[i - 1] == u'.') return i - 1;
    if (IsDelimiter(s[i - 1])) break;
  }
  return std::u16string_view::npos;
}

}  // namespace

std::u16string ExtractFilePath(std::u16string_view fileName) {
  const size_t i = LastDelimiter(fileName);
  return i == std::u16string_view::npos ? std::u16string() : std::u16string(fileName.substr(0, i + 1));
}

std::u16string ExtractFileDir(std::u16string_view fileName) {
  size_t i = LastDelimiter(fileName);
  if (i == std::u16string_view::npos) return {};
  if (i > 0 && fileName[i] == u'\\' && !IsDelimiter(fileName[i - 1])) return std::u16string(fileName.substr(0, i));
  return std::u16string(fileName.substr(0, i + 1));
}

std::u16string ExtractFileName(std::u16string_view fileName) {
  const size_t i = LastDelimiter(fileName);
  return std::u16string(i == std::u16string_view::npos ? fileName : fileName.substr(i + 1));
}

std::u16string ExtractFileExt(std::u16string_view fileName) {
  const size_t i = ExtensionDot(fileName);
  return i == std::u16string_view::npos ? std::u16string() : std::u16string(fileName.substr(i));
}

std::u16string ChangeFileExt(std::u16string_view fileName, std::u16string_view ext) {
  const size_t i = ExtensionDot(fileName);
  std::u16string out(i == std::u16string_view::npos ? fileName : fileName.substr(0, i));
  out += ext;
  return out;
}

std::u16string ExtractFileDrive(std::u16string_view fileName) {
  if (fileName.size() >= 2 && fileName[1] == u':') return std::u16string(fileName.substr(0, 2));
  if (fileName.size() >= 2 && fileName[0] == u'\\' && fileName[1] == u'\\') {
    // Up to the backslash that follows the share name.
    int separators = 0;
    size_t i = 2;
    while (i + 1 < fileName.size() && separators < 2) {
      if (fileName[i] == u'\\') ++separators;
      if (separators < 2) ++i;
    }
    if (i >= fileName.size()) return std::u16string(fileName);
    if (fileName[i] == u'\\') return std::u16string(fileName.substr(0, i));
    return std::u16string(fileName.substr(0, i + 1));
  }
  return {};
}

std::u16string IncludeTrailingBackslash(std::u16string_view path) {
  std::u16string out(path);
  if (out.empty() || out.back() != u'\\') out.push_back(u'\\');
  return out;
}

std::u16string ExcludeTrailingBackslash(std::u16string_view path) {
  if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
  return std::u16string(path);
}

std::u16string ResolveAppRelativePath(std::u16string_view path, std::u16string_view appDir) {
  if (path.find(u':') != std::u16string_view::npos) return std::u16string(path);
  return IncludeTrailingBackslash(appDir) + std::u16string(path);
}

std::u16string FormatSizeText(int64_t size) {
  if (size < 0) return u"--";
  static const char16_t* const kUnits[] = {u"B", u"KB", u"MB", u"GB", u"TB", u"PB"};
  double value = static_cast<double>(size);
  size_t unit = 0;
  while (value > 1024 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) {
    value /= 1024;
    ++unit;
  }
  return StrFormat(u"%.2f%s", {value, kUnits[unit]});
}

std::u16string TimeSuffix(int hour, int minute, int second, int millisecond) {
  return StrFormat(u".%02d%02d%02d%03d", {hour, minute, second, millisecond});
}
