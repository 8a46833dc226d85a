// Settings of the service object that pages and the host share: the trace
// line of pages and the area code of the tax environment.
#include <windows.h>

#include <optional>

#include "JsonValue.h"
#include "NativeMethod_win.h"
#include "NativePaths.h"
#include "NativePublic_win.h"
#include "NativeStrings.h"
#include "NativeTrace.h"
#include "WinText.h"

namespace {

constexpr char16_t kNoAreaCode[] = u"000000";

// Config\EnviParams.cfg beside the host executable. It counts as found once it
// parses to an object, even when the code in it is empty.
std::optional<std::u16string> AreaCodeFromEnviParams() {
  const std::u16string file = HostExecutableDir() + u"\\Config\\EnviParams.cfg";
  if (!IsFile(file)) return std::nullopt;
  try {
    const IJsonValuePtr config = LoadJsonFile(file);
    if (config->GetKind() != jvObject) return std::nullopt;
    return config->GetAsObject()->GetValueByPath(u"EnviParams.areaCode")->GetAsString();
  } catch (const ENativeError&) {
    // A file that cannot be read, or text that does not read as an object,
    // is no source.
    return std::nullopt;
  }
}

// KVCommon.ini in "\Kelvor\Common\" on the drive of the Windows directory:
// six characters of the tax office code from its second one, else the
// configured code.
std::u16string AreaCodeFromCommonIni(TNativeMethod& native) {
  wchar_t windows[MAX_PATH + 1] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::u16string dir = ExtractFileDrive(as_u16cstr(windows)) + u"\\Kelvor\\Common\\";
  ForceDirectories(dir);
  const std::u16string ini = dir + u"KVCommon.ini";
  if (!IsFile(ini)) return kNoAreaCode;
  const std::u16string office(TrimBlanks(native.GetIniValue(ini, u"QYXX", u"SWJGDM")));
  if (office.size() >= 6) return office.substr(1, 6);
  return std::u16string(TrimBlanks(native.GetIniValue(ini, u"Common", u"Areacode")));
}

// Two- and four-character codes are region prefixes: pad them to six digits.
std::u16string NormaliseAreaCode(std::u16string code) {
  if (code.empty()) return kNoAreaCode;
  if (code.size() == 2) return code + u"0000";
  if (code.size() == 4) return code + u"00";
  return code;
}

}  // namespace

void TNativeMethod::Log(std::u16string_view text) { _NativeTrace(text); }

std::u16string TNativeMethod::GetAreaCode() {
  std::u16string code;
  {
    std::lock_guard<std::mutex> hold(areaCodeLock_);
    code = areaCode_;
  }
  if (code.empty()) {
    std::optional<std::u16string> configured = AreaCodeFromEnviParams();
    code = configured ? std::move(*configured) : AreaCodeFromCommonIni(*this);
  }
  return NormaliseAreaCode(std::move(code));
}

void TNativeMethod::SetAreaCode(std::u16string_view value) {
  std::lock_guard<std::mutex> hold(areaCodeLock_);
  areaCode_ = value;
}
