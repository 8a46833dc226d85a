// Web methods of the system services: environment, registry, INI files,
// clipboard, processes, the shell, libraries and system information.
#include "JsonValue.h"
#include "NativeMethod_win.h"
#include "NativeSystemText.h"
#include "WebNativeMeths_win.h"
#include "WinText.h"

namespace {

// Handles cross pages as 32-bit integers, as the product is 32-bit.
int32_t HandleNumber(HMODULE module) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(module)); }
HMODULE HandleOf(int32_t number) {
  return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(static_cast<uint32_t>(number)));
}

uint32_t Root(TWebCall& c) { return static_cast<uint32_t>(c.Integer(u"root")); }

// The query parameters of a URL as a JSON object: values decoded by the
// host, names as written, a repeated name keeping its last value.
std::u16string UrlParams(TWebCall& c, std::u16string_view url) {
  IJsonObjectPtr params = NewJsonObject();
  for (const auto& [name, value] : SplitUrlQuery(url)) {
    TBstr decoded;
    const bool ok = SUCCEEDED(c.Context()->UrlDecode(as_wcstr(value.c_str()), decoded.put()));
    params->SetString(name, ok ? decoded.view() : std::u16string_view(value));
  }
  return params->ToJson();
}

const TWebMethodBinding kBindings[] = {
    {u"GetCommandLine", [](TWebCall& c) { c.Result(c.Native().GetCommandLine()); }},
    {u"CurrentProcessFile", [](TWebCall& c) { c.Result(c.Native().CurrentProcessFile()); }},
    {u"CurrentProcessFilename", [](TWebCall& c) { c.Result(c.Native().CurrentProcessFilename()); }},
    {u"CurrentProcessDir", [](TWebCall& c) { c.Result(c.Native().CurrentProcessDir()); }},
    {u"CurrentProcessPath", [](TWebCall& c) { c.Result(c.Native().CurrentProcessPath()); }},
    {u"CurrentProcessId", [](TWebCall& c) { c.Result(static_cast<int32_t>(c.Native().CurrentProcessId())); }},
    {u"EnvVarExists", [](TWebCall& c) { c.Result(c.Native().EnvVarExists(c.Text(u"varname"))); }},
    {u"GetEnvVar", [](TWebCall& c) { c.Result(c.Native().GetEnvVar(c.Text(u"varname"))); }},
    {u"SetEnvVar", [](TWebCall& c) { c.Result(c.Native().SetEnvVar(c.Text(u"varname"), c.Text(u"varvalue"))); }},
    {u"RegKeyExists", [](TWebCall& c) { c.Result(c.Native().RegKeyExists(c.Text(u"keyname"))); }},
    {u"GetRegKeyValue", [](TWebCall& c) { c.Result(c.Native().GetRegKeyValue(Root(c), c.Text(u"keyname"))); }},
    {u"SetRegKeyValue",
     [](TWebCall& c) { c.Result(c.Native().SetRegKeyValue(Root(c), c.Text(u"keyname"), c.Text(u"keyvalue"))); }},
    {u"DeleteRegKey", [](TWebCall& c) { c.Result(c.Native().DeleteRegKey(Root(c), c.Text(u"keyname"))); }},
    {u"GetIniSections", [](TWebCall& c) { c.Result(c.Native().GetIniSections(c.Text(u"filename"))); }},
    {u"GetIniSectionValues",
     [](TWebCall& c) { c.Result(c.Native().GetIniSectionValues(c.Text(u"filename"), c.Text(u"section"))); }},
    {u"GetIniValue",
     [](TWebCall& c) {
       c.Result(c.Native().GetIniValue(c.Text(u"filename"), c.Text(u"section"), c.Text(u"key"), c.Text(u"def")));
     }},
    {u"SetIniValue",
     [](TWebCall& c) {
       c.Result(c.Native().SetIniValue(c.Text(u"filename"), c.Text(u"section"), c.Text(u"key"), c.Text(u"value")));
     }},
    {u"DeleteIniSection",
     [](TWebCall& c) { c.Result(c.Native().DeleteIniSection(c.Text(u"filename"), c.Text(u"section"))); }},
    {u"DeleteIniKey",
     [](TWebCall& c) {
       c.Result(c.Native().DeleteIniKey(c.Text(u"filename"), c.Text(u"section"), c.Text(u"key")));
     }},
    {u"CopyStrToClip", [](TWebCall& c) { c.Result(c.Native().CopyStrToClip(c.Text(u"str"))); }},
    {u"GetProcessID",
     [](TWebCall& c) { c.Result(static_cast<int32_t>(c.Native().GetProcessID(c.Text(u"procname")))); }},
    {u"GetProcessFile",
     [](TWebCall& c) { c.Result(c.Native().GetProcessFile(static_cast<DWORD>(c.Integer(u"processid")))); }},
    {u"KillProcess", [](TWebCall& c) { c.Result(c.Native().KillProcess(c.Text(u"procname"))); }},
    // The client script sends "cmdline"; the host's own arguments are used.
    {u"Restart", [](TWebCall& c) { c.Native().Restart(); }},
    {u"ExecAndWait",
     [](TWebCall& c) {
       c.Result(c.Native().ExecAndWait(c.Text(u"exefile"), c.Text(u"cmdline"), c.Integer(u"showmode")));
     }},
    {u"ShellExecute",
     [](TWebCall& c) {
       c.Result(c.Native().ShellExecute(c.Text(u"opera"), c.Text(u"filename"), c.Text(u"params"), c.Text(u"dir"),
                                        c.Integer(u"showmode")));
     }},
    {u"NeedAdminPrivileges", [](TWebCall& c) { c.Result(c.Native().NeedAdminPrivileges(c.Text(u"exefile"))); }},
    {u"LoadLibrary", [](TWebCall& c) { c.Result(HandleNumber(c.Native().LoadLibrary(c.Text(u"dllfile")))); }},
    {u"FreeLibrary", [](TWebCall& c) { c.Result(c.Native().FreeLibrary(HandleOf(c.Integer(u"libModule")))); }},
    {u"GetMacAddress", [](TWebCall& c) { c.Result(c.Native().GetMacAddress()); }},
    {u"GetUrlParams", [](TWebCall& c) { c.Result(UrlParams(c, c.Text(u"url"))); }},
    {u"GetOSInfo", [](TWebCall& c) { c.Result(c.Native().GetOSInfo()); }},
    {u"GetMemoryStatus", [](TWebCall& c) { c.Result(c.Native().GetMemoryStatus()); }},
};

}  // namespace

std::span<const TWebMethodBinding> SystemWebMethods() { return kBindings; }
