#include "NativeSystemText.h"

#include <charconv>
#include <string>

#include "NativePaths.h"
#include "NativeStrings.h"

TRegistryName SplitRegistryName(std::u16string_view name) {
  return {ExtractFileDir(name), ExtractFileName(name)};
}

bool IsDwordValueText(std::u16string_view value) { return value.size() > 2 && value.starts_with(u"0x"); }

uint32_t DwordValueOf(std::u16string_view value) { return static_cast<uint32_t>(StrToIntDef(value, 0)); }

std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine) {
  std::vector<std::u16string> args;
  size_t i = 0;
  const auto blank = [&](size_t at) { return commandLine[at] == u' ' || commandLine[at] == u'\t'; };
  while (i < commandLine.size()) {
    while (i < commandLine.size() && blank(i)) ++i;
    if (i >= commandLine.size()) break;
    std::u16string arg;
    bool quoted = false;
    for (; i < commandLine.size() && (quoted || !blank(i)); ++i) {
      if (commandLine[i] == u'"') {
        quoted = !quoted;
      } else {
        arg.push_back(commandLine[i]);
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::u16string RestartCommandText(uint32_t processId, std::u16string_view exePath,
                                  const std::vector<std::u16string>& args) {
  // The path is quoted so that a host under a directory with blanks starts
  // again; start then needs the empty title in front of it.
  std::u16string text = u"/c " + StrFormat(u"taskkill /f /PID %d", {processId}) + u" & start \"\" \"";
  text.append(exePath);
  text += u'"';
  for (const std::u16string& arg : args) text += u" \"" + arg + u'"';
  return text;
}

std::vector<std::pair<std::u16string, std::u16string>> SplitUrlQuery(std::u16string_view url) {
  const size_t question = url.find(u'?');
  const std::u16string_view query = question == std::u16string_view::npos ? url : url.substr(question + 1);
  std::vector<std::pair<std::u16string, std::u16string>> items;
  const auto add = [&](std::u16string_view item) {
    const size_t eq = item.find(u'=');
    if (eq == std::u16string_view::npos) return;
    items.emplace_back(std::u16string(item.substr(0, eq)), std::u16string(item.substr(eq + 1)));
  };
  size_t start = 0;
  for (size_t i = 0; i < query.size(); ++i) {
    const char16_t c = query[i];
    if (c == u'"' || c == u'\'') {
      // A quote without its partner later on is an ordinary character, so
      // that an apostrophe in a value does not swallow the items after it.
      const size_t close = query.find(c, i + 1);
      if (close != std::u16string_view::npos) i = close;
    } else if (c == u'&' || c == u'\r' || c == u'\n') {
      add(query.substr(start, i - start));
      start = i + 1;
    }
  }
  add(query.substr(start));
  return items;
}

double WindowsVersionNumber(uint32_t major, uint32_t minor) {
  const std::string text = std::to_string(major) + "." + std::to_string(minor);
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::u16string WindowsVersionName(double version) {
  struct Entry {
    uint32_t major, minor;
    const char16_t* name;
  };
  static const Entry kNames[] = {
      {3, 51, u"windows NT 3.51"}, {4, 0, u"windows NT 4.0"}, {5, 0, u"windows 2000"}, {5, 1, u"windows XP"},
      {5, 2, u"windows 2003"},     {6, 0, u"windows VISTA"},  {6, 1, u"windows 7"},    {6, 2, u"windows 8"},
      {6, 3, u"windows 8.1"},      {10, 0, u"windows 10"},
  };
  for (const Entry& e : kNames) {
    if (WindowsVersionNumber(e.major, e.minor) == version) return e.name;
  }
  return {};
}

std::u16string MacAddressText(const uint8_t* bytes, size_t count) {
  std::u16string text;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) text += u'-';
    text += StrFormat(u"%02X", {static_cast<unsigned>(bytes[i])});
  }
  return text;
}

bool NameSuggestsInstaller(std::u16string_view fileName) {
  for (std::u16string_view word : {u"Setup", u"Install", u"Update"}) {
    if (fileName.find(word) != std::u16string_view::npos) return true;
  }
  return false;
}

bool ManifestRequiresAdministrator(std::string_view manifest) {
  return manifest.find("level=\"requireAdministrator\"") != std::string_view::npos;
}
