// System methods: environment, registry, INI files, the clipboard, library
// loading and system information.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "NativeMethod_win.h"
#include "NativePaths.h"
#include "NativePublic_win.h"
#include "NativeSystemText.h"
#include "TextConv.h"
#include "WebCall_win.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

// Buffer sizes of the profile-string calls, in characters.
constexpr DWORD kIniListChars = 66560;
constexpr DWORD kIniSectionValueChars = 2048;
constexpr DWORD kIniValueChars = 512;

// Values larger than this are not read (the registry advises keeping values
// far below it; performance data is the only source of larger ones).
constexpr DWORD kMaxRegistryValueBytes = 64u << 20;

HKEY RootKey(uint32_t root) {
  const uint32_t value = root <= 9 ? 0x80000000u + root : root;
  // Predefined keys are sign-extended 32-bit values.
  return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(value)));
}

// The default view of this process, then the 32-bit view, then the 64-bit
// view: the first that opens.
unique_hkey OpenKeyInAllViews(HKEY root, const std::u16string& path, REGSAM access) {
  for (const REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)}) {
    unique_hkey key;
    if (RegOpenKeyExW(root, as_wcstr(path.c_str()), 0, access | view, key.put()) == ERROR_SUCCESS) return key;
  }
  return {};
}

const wchar_t* ValueNameArg(const TRegistryName& name) {
  return name.IsDefaultValue() ? nullptr : as_wcstr(name.valueName.c_str());
}

// A value as text up to its first zero: strings as stored, data of other
// kinds as its bytes read in the ANSI code page.
bool ReadRegistryText(HKEY key, const wchar_t* valueName, std::u16string& text) {
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS rc = RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return false;
  std::string data;
  for (;;) {
    data.resize(size);
    rc = RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (rc == ERROR_SUCCESS) break;
    if (rc != ERROR_MORE_DATA) return false;
    // Some sources report no usable size: grow until it fits.
    if (size <= data.size()) size = static_cast<DWORD>(data.size() * 2 + 256);
    if (size > kMaxRegistryValueBytes) return false;
  }
  data.resize(size);
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    std::u16string units(data.size() / 2, u'\0');
    std::memcpy(units.data(), data.data(), units.size() * 2);
    text = units.substr(0, units.find(u'\0'));
  } else {
    text = AnsiToUtf16(std::string_view(data).substr(0, data.find('\0')));
  }
  return true;
}

// A key path that names no key below the root ("", "\").
bool NamesNoKey(const std::u16string& keyPath) { return keyPath.find_first_not_of(u'\\') == std::u16string::npos; }

// The names of a zero-separated list as the profile-string calls return it.
std::vector<std::u16string> ZeroSeparatedList(const std::u16string& buffer, DWORD length) {
  std::vector<std::u16string> items;
  const std::u16string_view text(buffer.data(), std::min<size_t>(length, buffer.size()));
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\0', start);
    if (end == std::u16string_view::npos) end = text.size();
    if (end > start) items.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

std::vector<std::u16string> IniSectionNames(const std::u16string& path) {
  std::u16string buffer(kIniListChars, u'\0');
  const DWORD n = GetPrivateProfileSectionNamesW(as_wcstr(buffer), kIniListChars, as_wcstr(path.c_str()));
  return ZeroSeparatedList(buffer, n);
}

std::vector<std::u16string> IniKeyNames(const std::u16string& path, const std::u16string& section) {
  std::u16string buffer(kIniListChars, u'\0');
  const DWORD n = GetPrivateProfileStringW(as_wcstr(section.c_str()), nullptr, L"", as_wcstr(buffer), kIniListChars,
                                           as_wcstr(path.c_str()));
  return ZeroSeparatedList(buffer, n);
}

std::u16string IniValue(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                        const std::u16string& def, DWORD chars) {
  std::u16string buffer(chars, u'\0');
  const DWORD n = GetPrivateProfileStringW(as_wcstr(section.c_str()), as_wcstr(key.c_str()), as_wcstr(def.c_str()),
                                           as_wcstr(buffer), chars, as_wcstr(path.c_str()));
  buffer.resize(std::min<DWORD>(n, chars));
  return buffer;
}

// Closes the clipboard when the scope ends.
struct TClipboardSession {
  bool open = OpenClipboard(nullptr) != FALSE;
  ~TClipboardSession() {
    if (open) CloseClipboard();
  }
};

}  // namespace

// Environment

bool TNativeMethod::EnvVarExists(const std::u16string& varName) {
  if (varName.empty()) return false;
  // A variable with an empty value still needs one unit for its zero.
  return GetEnvironmentVariableW(as_wcstr(varName.c_str()), nullptr, 0) > 0;
}

std::u16string TNativeMethod::GetEnvVar(const std::u16string& varName) {
  if (varName.empty()) return {};
  std::u16string value(256, u'\0');
  for (;;) {
    const DWORD n = GetEnvironmentVariableW(as_wcstr(varName.c_str()), as_wcstr(value), static_cast<DWORD>(value.size()));
    if (n == 0) return {};
    if (n < value.size()) {
      value.resize(n);
      return value;
    }
    value.resize(n);
  }
}

bool TNativeMethod::SetEnvVar(const std::u16string& varName, const std::u16string& varValue) {
  if (varName.empty()) return false;
  return SetEnvironmentVariableW(as_wcstr(varName.c_str()), as_wcstr(varValue.c_str())) != FALSE;
}

// Registry

bool TNativeMethod::RegKeyExists(const std::u16string& keyName) {
  if (keyName.empty()) return false;
  const TRegistryName name = SplitRegistryName(keyName);
  unique_hkey key = OpenKeyInAllViews(HKEY_CURRENT_USER, name.keyPath, KEY_READ);
  if (!key) key = OpenKeyInAllViews(HKEY_LOCAL_MACHINE, name.keyPath, KEY_READ);
  if (!key) return false;
  if (name.IsKey()) return true;
  return RegQueryValueExW(key.get(), ValueNameArg(name), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::u16string TNativeMethod::GetRegKeyValue(uint32_t root, const std::u16string& keyName) {
  const TRegistryName name = SplitRegistryName(keyName);
  if (name.IsKey()) return {};
  const unique_hkey key = OpenKeyInAllViews(RootKey(root), name.keyPath, KEY_READ);
  if (!key) return {};
  std::u16string text;
  ReadRegistryText(key.get(), ValueNameArg(name), text);
  return text;
}

bool TNativeMethod::SetRegKeyValue(uint32_t root, const std::u16string& keyName, const std::u16string& keyValue) {
  const TRegistryName name = SplitRegistryName(keyName);
  // Never the default value of the root itself.
  if (name.IsKey() && NamesNoKey(name.keyPath)) return false;
  unique_hkey key;
  if (RegCreateKeyExW(RootKey(root), as_wcstr(name.keyPath.c_str()), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  if (IsDwordValueText(keyValue)) {
    const DWORD value = DwordValueOf(keyValue);
    return RegSetValueExW(key.get(), ValueNameArg(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
  }
  const size_t bytes = (keyValue.size() + 1) * sizeof(char16_t);
  if (bytes > kMaxRegistryValueBytes) return false;
  return RegSetValueExW(key.get(), ValueNameArg(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(keyValue.c_str()),
                        static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

bool TNativeMethod::DeleteRegKey(uint32_t root, const std::u16string& keyName) {
  const TRegistryName name = SplitRegistryName(keyName);
  if (name.IsKey()) {
    // Never the root itself.
    if (NamesNoKey(name.keyPath)) return false;
    return RegDeleteKeyW(RootKey(root), as_wcstr(name.keyPath.c_str())) == ERROR_SUCCESS;
  }
  unique_hkey key;
  if (RegOpenKeyExW(RootKey(root), as_wcstr(name.keyPath.c_str()), 0, KEY_READ | KEY_WRITE, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  return RegDeleteValueW(key.get(), ValueNameArg(name)) == ERROR_SUCCESS;
}

// INI files

std::u16string TNativeMethod::GetIniValue(const std::u16string& fileName, const std::u16string& section,
                                          const std::u16string& key, const std::u16string& def) {
  if (fileName.empty()) return def.substr(0, kIniValueChars - 1);
  return IniValue(ResolveAppRelativePath(fileName), section, key, def, kIniValueChars);
}

bool TNativeMethod::SetIniValue(const std::u16string& fileName, const std::u16string& section,
                                const std::u16string& key, const std::u16string& value) {
  if (fileName.empty()) return false;
  const std::u16string path = ResolveAppRelativePath(fileName);
  return WritePrivateProfileStringW(as_wcstr(section.c_str()), as_wcstr(key.c_str()), as_wcstr(value.c_str()),
                                    as_wcstr(path.c_str())) != FALSE;
}

bool TNativeMethod::DeleteIniSection(const std::u16string& fileName, const std::u16string& section) {
  if (fileName.empty()) return false;
  const std::u16string path = ResolveAppRelativePath(fileName);
  return WritePrivateProfileStringW(as_wcstr(section.c_str()), nullptr, nullptr, as_wcstr(path.c_str())) != FALSE;
}

bool TNativeMethod::DeleteIniKey(const std::u16string& fileName, const std::u16string& section,
                                 const std::u16string& key) {
  if (fileName.empty()) return false;
  const std::u16string path = ResolveAppRelativePath(fileName);
  return WritePrivateProfileStringW(as_wcstr(section.c_str()), as_wcstr(key.c_str()), nullptr,
                                    as_wcstr(path.c_str())) != FALSE;
}

// Clipboard

bool TNativeMethod::CopyStrToClip(const std::u16string& str) {
  TClipboardSession clipboard;
  if (!clipboard.open || !EmptyClipboard()) return false;
  const std::string text = Utf16ToAnsi(str);
  unique_hglobal memory(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
  if (!memory) return false;
  void* block = GlobalLock(memory.get());
  if (!block) return false;
  std::memcpy(block, text.c_str(), text.size() + 1);
  GlobalUnlock(memory.get());
  if (!SetClipboardData(CF_TEXT, memory.get())) return false;
  memory.release();  // the clipboard owns it now
  return true;
}

// Libraries

HMODULE TNativeMethod::LoadLibrary(const std::u16string& dllFile) {
  if (dllFile.empty()) return nullptr;
  return ::LoadLibraryW(as_wcstr(dllFile.c_str()));
}

bool TNativeMethod::FreeLibrary(HMODULE libModule) {
  const auto value = reinterpret_cast<uintptr_t>(libModule);
  if (value <= 32) return false;
  // LoadLibrary never hands out values with the low bits set: the loader
  // would take them for data-file mappings and unmap whatever view lies
  // there. Freeing this library itself would unload the code that runs.
  if ((value & 3) != 0 || libModule == LibraryModule()) return false;
  // The operation itself, not a cleanup: the page asked for this handle.
  return ::FreeLibrary(libModule) != FALSE;
}
