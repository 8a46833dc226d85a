// System methods: environment, registry, INI files, the clipboard, library
// loading and system information.
#include "NativeMethod_win.h"  // <windows.h> first

#include <winsock2.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "JsonValue.h"
#include "NativePaths.h"
#include "NativePublic_win.h"
#include "NativeStrings.h"
#include "NativeSystemText.h"
#include "TextConv.h"
#include "WebCall_win.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

constexpr wchar_t kNetworkCardsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
// The NDIS statistics query and the object of the permanent 802.3 address.
constexpr DWORD kIoctlNdisQueryGlobalStats = 0x00170002;
constexpr DWORD kOid8023PermanentAddress = 0x01010101;

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

IJsonArrayPtr StringArray(const std::vector<std::u16string>& items) {
  IJsonArrayPtr array = NewJsonArray();
  for (const std::u16string& item : items) array->AddString(item);
  return array;
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
  return SizedText(
      [&](wchar_t* buffer, DWORD size) { return GetEnvironmentVariableW(as_wcstr(varName.c_str()), buffer, size); });
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

std::u16string TNativeMethod::GetIniSections(const std::u16string& fileName) {
  if (fileName.empty()) return u"[]";
  return StringArray(IniSectionNames(ResolveAppRelativePath(fileName)))->ToJson();
}

std::u16string TNativeMethod::GetIniSectionValues(const std::u16string& fileName, const std::u16string& section) {
  IJsonArrayPtr values = NewJsonArray();
  if (fileName.empty()) return values->ToJson();
  const std::u16string path = ResolveAppRelativePath(fileName);
  for (const std::u16string& key : IniKeyNames(path, section)) {
    IJsonObjectPtr item = NewJsonObject();
    item->AddString(u"key", key);
    item->AddString(u"value", IniValue(path, section, key, {}, kIniSectionValueChars));
    values->AddObject(item);
  }
  return values->ToJson();
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

// System information

namespace {

// major.minor as the kernel reports it, whatever the compatibility settings
// make the version calls say.
double RunningWindowsVersion() {
  using VersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto versionNumbers = ntdll ? reinterpret_cast<VersionNumbersFn>(reinterpret_cast<void*>(
                                          GetProcAddress(ntdll, "RtlGetNtVersionNumbers")))
                                    : nullptr;
  if (!versionNumbers) return 0;
  DWORD major = 0, minor = 0, build = 0;
  versionNumbers(&major, &minor, &build);
  return WindowsVersionNumber(major, minor);
}

// A 32-bit process under the emulation of a 64-bit Windows on x64 or Itanium.
bool RunsUnderWin64() {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return false;
  using NativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
  const auto nativeSystemInfo = reinterpret_cast<NativeSystemInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetNativeSystemInfo")));
  if (!nativeSystemInfo) return false;
  SYSTEM_INFO info = {};
  nativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

std::u16string LocaleText(LCTYPE type) {
  wchar_t text[86];
  const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, 86);
  return n > 0 ? std::u16string(as_u16cstr(text), n - 1) : std::u16string();
}

std::u16string UserName() {
  wchar_t name[257];
  DWORD size = 257;
  return GetUserNameW(name, &size) && size > 0 ? std::u16string(as_u16cstr(name), size - 1) : std::u16string();
}

std::u16string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? std::u16string(as_u16cstr(name), size) : std::u16string();
}

// The first IPv4 address the name resolves to; empty when it does not.
std::u16string FirstIpv4Address(const std::u16string& hostName) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 0), &data) != 0) return {};
  std::u16string text;
  const std::string name = Utf16ToAnsi(hostName);
  const hostent* host = name.empty() ? nullptr : gethostbyname(name.c_str());
  if (host && host->h_addrtype == AF_INET && host->h_length == 4 && host->h_addr_list && host->h_addr_list[0]) {
    const auto* a = reinterpret_cast<const uint8_t*>(host->h_addr_list[0]);
    text = StrFormat(u"%d.%d.%d.%d", {int(a[0]), int(a[1]), int(a[2]), int(a[3])});
  }
  WSACleanup();
  return text;
}

// The permanent hardware address of the adapter whose driver is `service`;
// empty when neither its device nor the packet-capture driver's answers.
std::u16string PermanentAddress(const std::u16string& service) {
  unique_hfile device;
  for (const char16_t* prefix : {u"\\\\.\\", u"\\\\.\\NPF_"}) {
    const std::u16string path = prefix + service;
    device.reset(CreateFileW(as_wcstr(path.c_str()), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    if (device) break;
  }
  if (!device) return {};
  DWORD oid = kOid8023PermanentAddress;
  uint8_t address[256];
  DWORD returned = 0;
  if (!DeviceIoControl(device.get(), kIoctlNdisQueryGlobalStats, &oid, sizeof(oid), address, sizeof(address),
                       &returned, nullptr)) {
    return {};
  }
  return MacAddressText(address, std::min<DWORD>(returned, sizeof(address)));
}

}  // namespace

std::u16string TNativeMethod::GetOSInfo() {
  IJsonObjectPtr info = NewJsonObject();
  const double version = RunningWindowsVersion();
  info->AddFloat(u"version", version);
  info->AddBoolean(u"win64", RunsUnderWin64());
  const std::u16string name = WindowsVersionName(version);
  if (!name.empty()) info->AddString(u"name", name);
  info->AddString(u"country", LocaleText(LOCALE_SISO3166CTRYNAME));
  info->AddString(u"language", LocaleText(LOCALE_SISO639LANGNAME));
  info->AddString(u"username", UserName());
  const std::u16string hostName = ComputerName();
  info->AddString(u"hostname", hostName);
  info->AddString(u"ip", FirstIpv4Address(hostName));
  return info->ToJson();
}

std::u16string TNativeMethod::GetMacAddress() {
  IJsonArrayPtr adapters = NewJsonArray();
  unique_hkey cards;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kNetworkCardsKey, 0, KEY_READ, cards.put()) != ERROR_SUCCESS) {
    return adapters->ToJson();
  }
  for (DWORD index = 0;; ++index) {
    wchar_t id[1025];
    DWORD idLength = 1025;
    const LSTATUS rc = RegEnumKeyExW(cards.get(), index, id, &idLength, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;
    unique_hkey card;
    if (RegOpenKeyExW(cards.get(), id, 0, KEY_READ, card.put()) != ERROR_SUCCESS) continue;
    std::u16string description, service;
    if (!ReadRegistryText(card.get(), L"Description", description) ||
        !ReadRegistryText(card.get(), L"ServiceName", service)) {
      continue;
    }
    const std::u16string mac = PermanentAddress(service);
    if (mac.empty() || adapters->Find(u"mac", mac)) continue;
    IJsonObjectPtr adapter = NewJsonObject();
    adapter->AddString(u"id", std::u16string(as_u16cstr(id), idLength));
    adapter->AddString(u"desc", description);
    adapter->AddString(u"mac", mac);
    adapters->AddObject(adapter);
  }
  adapters->Sort(nullptr, u"mac", true);
  return adapters->ToJson();
}

std::u16string TNativeMethod::GetMemoryStatus() {
  MEMORYSTATUS status = {};
  status.dwLength = sizeof(status);
  GlobalMemoryStatus(&status);
  IJsonObjectPtr record = NewJsonObject();
  record->AddInteger(u"Usage", static_cast<uint32_t>(status.dwMemoryLoad));
  record->AddInteger(u"totalPhys", static_cast<uint64_t>(status.dwTotalPhys));
  record->AddInteger(u"availPhys", static_cast<uint64_t>(status.dwAvailPhys));
  record->AddInteger(u"totalPageFile", static_cast<uint64_t>(status.dwTotalPageFile));
  record->AddInteger(u"availPageFile", static_cast<uint64_t>(status.dwAvailPageFile));
  record->AddInteger(u"totalVirtual", static_cast<uint64_t>(status.dwTotalVirtual));
  record->AddInteger(u"availVirtual", static_cast<uint64_t>(status.dwAvailVirtual));
  return record->ToJson();
}
