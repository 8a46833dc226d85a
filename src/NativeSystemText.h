// Text rules of the system methods that need no Windows API: registry names
// and the DWORD value rule, command-line arguments and the restart command,
// URL query items, Windows version names, adapter addresses and the
// elevation hints in program names and manifests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A registry name "key path\value name": the value name is the text after the
// last "\" or ":", the key path the text before it as ExtractFileDir gives
// it. An empty value name denotes the key itself; "(default)" the key's
// unnamed value.
struct TRegistryName {
  std::u16string keyPath;
  std::u16string valueName;
  bool IsKey() const { return valueName.empty(); }
  bool IsDefaultValue() const { return valueName == u"(default)"; }
};
TRegistryName SplitRegistryName(std::u16string_view name);

// Values longer than two units that begin with "0x" are written as DWORDs;
// everything else as strings.
bool IsDwordValueText(std::u16string_view value);
// The DWORD such a text spells (hexadecimal after "0x"); 0 when it does not
// convert.
uint32_t DwordValueOf(std::u16string_view value);

// Arguments of a command line, the program included: split at blanks (space
// and tab), double quotes group blanks into one argument and are removed. A
// quoted empty argument ("") is kept as an empty argument.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// The command shell's text that kills process `processId` and starts
// `exePath` again with `args`, each in double quotes.
std::u16string RestartCommandText(uint32_t processId, std::u16string_view exePath,
                                  const std::vector<std::u16string>& args);

// The items of a URL's query (the text after the first "?", or the whole
// text without one): split at "&" and line breaks, empty items dropped; a
// part enclosed in matching single or double quotes keeps any "&" inside
// it. Each item gives its name (before the first "=") and its value, still
// encoded (after it). An item without "=" gives nothing, so that a URL
// without a query yields no items.
std::vector<std::pair<std::u16string, std::u16string>> SplitUrlQuery(std::u16string_view url);

// major.minor as a number (3.51, 6.1, 10).
double WindowsVersionNumber(uint32_t major, uint32_t minor);
// "windows 7" and the like; empty for versions without a name.
std::u16string WindowsVersionName(double version);

// Upper-case two-digit hexadecimal bytes joined by "-".
std::u16string MacAddressText(const uint8_t* bytes, size_t count);

// The file name contains "Setup", "Install" or "Update" (case-sensitive).
bool NameSuggestsInstaller(std::u16string_view fileName);
// The manifest asks for level="requireAdministrator".
bool ManifestRequiresAdministrator(std::string_view manifest);
