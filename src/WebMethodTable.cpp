#include "WebMethodTable.h"

namespace {

constexpr TWebParam Text(const char16_t* name) { return {name, TWebParamKind::Text}; }
constexpr TWebParam Flag(const char16_t* name) { return {name, TWebParamKind::Flag}; }
constexpr TWebParam Integer(const char16_t* name, int32_t def) { return {name, TWebParamKind::Integer, def}; }
constexpr TWebParam JsonObject(const char16_t* name) { return {name, TWebParamKind::JsonObject}; }
constexpr TWebParam TextOr(const char16_t* name, const char16_t* def) {
  return {name, TWebParamKind::TextOr, 0, def};
}
constexpr TWebParam NullableTextOr(const char16_t* name, const char16_t* def) {
  return {name, TWebParamKind::NullableTextOr, 0, def};
}
constexpr TWebParam Callback(const char16_t* name) { return {name, TWebParamKind::Callback}; }
constexpr TWebParam Callback2(const char16_t* name) { return {name, TWebParamKind::Callback2}; }
constexpr TWebParam OptionalCallback(const char16_t* name) { return {name, TWebParamKind::OptionalCallback}; }
constexpr TWebParam OptionalCallback2(const char16_t* name) { return {name, TWebParamKind::OptionalCallback2}; }
constexpr TWebParam FunctionName(const char16_t* name) { return {name, TWebParamKind::FunctionName}; }
constexpr TWebParam DialogCallback(const char16_t* name) { return {name, TWebParamKind::DialogCallback}; }

constexpr TWebResultKind kString = TWebResultKind::String;
constexpr TWebResultKind kBoolean = TWebResultKind::Boolean;
constexpr TWebResultKind kInteger = TWebResultKind::Integer;
constexpr TWebResultKind kFloat = TWebResultKind::Float;
constexpr TWebResultKind kJson = TWebResultKind::Json;
constexpr TWebResultKind kJsonOrNull = TWebResultKind::JsonOrNull;
constexpr TWebResultKind kNone = TWebResultKind::None;

// One row per method, in the order of the method table.
constexpr TWebMethodRow kRows[] = {
    {u"HttpConfig", kBoolean, {Text(u"config")}},
    {u"Download", kBoolean, {Text(u"url"), Text(u"filename"), Text(u"md5"), Callback(u"onProgress"), Callback(u"onDone")}},
    {u"IsDownloading", kBoolean, {Text(u"url"), Callback(u"onProgress"), Callback(u"onDone")}},
    {u"StopDownload", kBoolean, {Text(u"url"), Flag(u"abort")}},
    {u"Install", kBoolean, {Text(u"installFile"), Text(u"cmdline"), Callback(u"onDone")}},
    {u"SilentInstall", kBoolean, {Text(u"installFile"), Text(u"cmdline"), Callback(u"onProgress"), Callback(u"onDone")}},
    {u"IsInstalling", kBoolean, {Text(u"cmdline"), Callback(u"onDone")}},
    {u"GetAllDownloadUrls", kJson, {}},
    {u"GetAllInstallInfos", kJson, {}},
    {u"PostMultipartFormData", kBoolean, {Text(u"url"), JsonObject(u"header"), JsonObject(u"data"), Callback2(u"onDone")}},
    {u"GetMultipartFormData", kBoolean, {Text(u"url"), JsonObject(u"header"), Callback2(u"onDone")}},
    {u"CreateTimeStamp", kString, {}},
    {u"CreateAppKey", kString, {Text(u"appId"), Text(u"appSecret"), Text(u"timeStamp")}},
    {u"CreateGUID", kString, {}},
    {u"GetStrMd5Code", kString, {Text(u"str")}},
    {u"GetStrSHA1Code", kString, {Text(u"str")}},
    {u"GetCommandLine", kJson, {}},
    {u"CurrentProcessFile", kString, {}},
    {u"CurrentProcessFilename", kString, {}},
    {u"CurrentProcessDir", kString, {}},
    {u"CurrentProcessPath", kString, {}},
    {u"CurrentProcessId", kInteger, {}},
    {u"ChangeFileExt", kString, {Text(u"filename"), Text(u"ext")}},
    {u"ExtractFilePath", kString, {Text(u"filename")}},
    {u"ExtractFileDir", kString, {Text(u"filename")}},
    {u"ExtractFileDrive", kString, {Text(u"filename")}},
    {u"ExtractFileName", kString, {Text(u"filename")}},
    {u"ExtractFileExt", kString, {Text(u"filename")}},
    {u"ExtractZipFile", kBoolean, {Text(u"zipFile"), Text(u"desDir")}},
    {u"ForceDir", kBoolean, {Text(u"dirname")}},
    {u"FileExists", kBoolean, {Text(u"filename")}},
    {u"GetFileSize", kInteger, {Text(u"filename")}},
    {u"GetFileMd5Code", kString, {Text(u"filename")}},
    {u"GetFileSha1Code", kString, {Text(u"filename")}},
    {u"GetFileStr", kString, {Text(u"filename"), Flag(u"utf8")}},
    {u"SaveStrToFile", kBoolean, {Text(u"filename"), Text(u"str"), TextOr(u"encoding", u"utf-8")}},
    {u"DirExists", kBoolean, {Text(u"dirname")}},
    {u"CopyFile", kBoolean, {Text(u"srcFile"), Text(u"desFile"), Flag(u"failIfExists")}},
    {u"CopyDir", kBoolean, {Text(u"srcDir"), Text(u"desDir"), Flag(u"ignoreIfExists")}},
    {u"DeleteFile", kBoolean, {Text(u"filename")}},
    {u"RenameFile", kBoolean, {Text(u"oldname"), Text(u"newname")}},
    {u"RemoveDir", kBoolean, {Text(u"dirname")}},
    {u"EmptyDir", kNone, {Text(u"dirname"), Flag(u"recursive")}},
    {u"GetFileVersion", kString, {Text(u"filename")}},
    {u"GetFileLastModified", kFloat, {Text(u"filename")}},
    {u"GetSystemDrive", kString, {}},
    {u"GetDesktopDir", kString, {Flag(u"common")}},
    {u"GetFontsDir", kString, {}},
    {u"GetProgramsDir", kString, {Flag(u"common")}},
    {u"GetSendToDir", kString, {}},
    {u"GetStartMenuDir", kString, {Flag(u"common")}},
    {u"GetStartupDir", kString, {Flag(u"common")}},
    {u"GetPathFromLink", kString, {Text(u"linkfile")}},
    {u"GetWorkPathFromLink", kString, {Text(u"linkfile")}},
    {u"SetPathOfLink", kBoolean, {Text(u"linkfile"), Text(u"path")}},
    {u"CreateLink", kBoolean, {Text(u"linkfile"), Text(u"programPath"), Text(u"programArg"), Text(u"desc")}},
    {u"EnvVarExists", kBoolean, {Text(u"varname")}},
    {u"GetEnvVar", kString, {Text(u"varname")}},
    {u"SetEnvVar", kBoolean, {Text(u"varname"), Text(u"varvalue")}},
    {u"RegKeyExists", kBoolean, {Text(u"keyname")}},
    {u"GetRegKeyValue", kString, {Integer(u"root", 0), Text(u"keyname")}},
    {u"SetRegKeyValue", kBoolean, {Integer(u"root", 0), Text(u"keyname"), Text(u"keyvalue")}},
    {u"DeleteRegKey", kBoolean, {Integer(u"root", 0), Text(u"keyname")}},
    {u"GetIniSections", kJson, {Text(u"filename")}},
    {u"GetIniSectionValues", kJson, {Text(u"filename"), Text(u"section")}},
    {u"GetIniValue", kString, {Text(u"filename"), Text(u"section"), Text(u"key"), Text(u"def")}},
    {u"SetIniValue", kBoolean, {Text(u"filename"), Text(u"section"), Text(u"key"), Text(u"value")}},
    {u"DeleteIniSection", kBoolean, {Text(u"filename"), Text(u"section")}},
    {u"DeleteIniKey", kBoolean, {Text(u"filename"), Text(u"section"), Text(u"key")}},
    {u"CopyStrToClip", kBoolean, {Text(u"str")}},
    {u"GetProcessID", kInteger, {Text(u"procname")}},
    {u"GetProcessFile", kString, {Integer(u"processid", 0)}},
    {u"KillProcess", kBoolean, {Text(u"procname")}},
    {u"Restart", kNone, {Text(u"cmdline")}},
    {u"ExecAndWait", kBoolean, {Text(u"exefile"), Text(u"cmdline"), Integer(u"showmode", 1)}},
    {u"ShellExecute", kBoolean, {Text(u"opera"), Text(u"filename"), Text(u"params"), Text(u"dir"), Integer(u"showmode", 1)}},
    {u"GetFilesOfDir", kJson, {Text(u"dirname")}},
    {u"GetDirInfos", kJsonOrNull, {Text(u"dirname")}},
    {u"GetAllDrivers", kJson, {}},
    {u"DiskFree", kFloat, {Text(u"drive")}},
    {u"DiskSize", kFloat, {Text(u"drive")}},
    {u"NeedAdminPrivileges", kBoolean, {Text(u"exefile")}},
    {u"GetMemStore", kJson, {Text(u"path")}},
    {u"SetMemStore", kBoolean, {Text(u"path"), Text(u"value")}},
    {u"LoadLibrary", kInteger, {Text(u"dllfile")}},
    {u"FreeLibrary", kBoolean, {Integer(u"libModule", 0)}},
    {u"Log", kNone, {Text(u"msg")}},
    {u"EvalEncryptScript", kBoolean, {Text(u"encryptScript"), FunctionName(u"onDone")}},
    {u"GetEPortalAppInfo", kJsonOrNull, {Text(u"filename")}},
    {u"GetEPortalNsrInfos", kJson, {Text(u"eppath")}},
    {u"GetMacAddress", kJson, {}},
    {u"GetUrlParams", kJson, {Text(u"url")}},
    {u"GetOSInfo", kJson, {}},
    {u"GetMemoryStatus", kJson, {}},
    {u"HotGatherEnable", kBoolean, {}},
    {u"HotGatherTrack", kBoolean, {Text(u"uid"), Text(u"pid"), Text(u"theme"), Text(u"data")}},
    {u"RunFileDialog", kBoolean, {Text(u"type"), Text(u"title"), Text(u"defaultFileName"), Text(u"acceptTypes"), DialogCallback(u"callback")}},
    {u"AESEncrypt", kString, {Text(u"data"), Text(u"key")}},
    {u"AESDecrypt", kString, {Text(u"data"), Text(u"key")}},
    {u"Base64Encode", kString, {Text(u"str")}},
    {u"Base64Decode", kString, {Text(u"str")}},
    {u"GetAreaCode", kString, {}},
    {u"SetAreaCode", kNone, {Text(u"value")}},
    {u"GetDownloadDir", kString, {}},
    {u"SetDownloadDir", kNone, {Text(u"dir")}},
    {u"GetDebugMode", kBoolean, {}},
    {u"SetDebugMode", kNone, {Flag(u"mode")}},
    {u"WindowCommand", kBoolean, {Text(u"command")}},
    {u"WindowBox", kJson, {}},
    {u"WindowMove", kBoolean, {Integer(u"x", 0), Integer(u"y", 0), Integer(u"width", 0), Integer(u"height", 0)}},
    {u"WindowBringToTop", kBoolean, {}},
    {u"WindowIsZoomed", kBoolean, {}},
    {u"WindowIsIconic", kBoolean, {}},
    {u"RDKInserted", kBoolean, {}},
    {u"RDKID", kString, {}},
    {u"RDKVersion", kString, {}},
    {u"RDKLocalMirrorPath", kString, {}},
    {u"RDKSN", kString, {}},
    {u"RDKDriver", kString, {}},
    {u"RDKExistApp", kJsonOrNull, {Text(u"appId"), Text(u"rdkSoftId")}},
    {u"RDKUserDataPath", kString, {Text(u"productCode")}},
    {u"RDKLocalAppPath", kString, {Text(u"productCode")}},
    {u"RDKAppInstallPath", kString, {Text(u"appId")}},
    {u"RDKAddApp", kBoolean, {Text(u"app"), Callback(u"onProgress"), Callback(u"onDone")}},
    {u"RDKInstallApp", kBoolean, {Text(u"appId"), Callback(u"onProgress"), Callback(u"onDone")}},
    {u"RDKGetAllAddApps", kJson, {}},
    {u"RDKGetAllInstallApps", kJson, {}},
    {u"RDKAddTaxpayer", kBoolean, {Text(u"data")}},
    {u"RDKDelTaxpayer", kBoolean, {Text(u"nsrsbh")}},
    {u"RDKGetTaxpayers", kJson, {Text(u"nsrsbh")}},
    {u"RDKModifyTaxpayer", kBoolean, {Text(u"sh"), Text(u"data")}},
    {u"RDKShowPanel", kBoolean, {}},
    {u"RDKPullOut", kBoolean, {}},
    {u"RDKOnPullOut", kBoolean, {OptionalCallback(u"callback")}},
    {u"RDKOnPullIn", kBoolean, {OptionalCallback(u"callback")}},
    {u"RDKRunBsSoft", kBoolean, {Text(u"rdkSoftId"), Text(u"options"), Callback(u"onProgress"), Callback(u"onDone")}},
    {u"RDKAppInitToLocal", kBoolean, {Text(u"rdkSoftId"), Text(u"options"), Callback(u"onProgress"), Callback(u"onDone")}},
    {u"AppRepoEnable", kBoolean, {}},
    {u"AppRepoRootPath", kString, {}},
    {u"AppRepoLibFile", kString, {}},
    {u"AppRepoPIDList", kJson, {}},
    {u"AppRepoAdd", kBoolean, {Text(u"pid"), Text(u"version"), Text(u"path"), Text(u"option")}},
    {u"AppRepoUpdate", kBoolean, {Text(u"pid"), Text(u"version"), Text(u"path")}},
    {u"AppRepoDelete", kBoolean, {Text(u"pid")}},
    {u"AppRepoQuery", kJsonOrNull, {Text(u"pid")}},
    {u"AppRepoExtCount", kInteger, {Text(u"pid")}},
    {u"AppRepoExtGet", kString, {Text(u"pid"), Text(u"key")}},
    {u"AppRepoExtSet", kBoolean, {Text(u"pid"), Text(u"key"), Text(u"value")}},
    {u"AppRepoExtDelete", kBoolean, {Text(u"pid"), Text(u"key")}},
    {u"AppRepoExtEnum", kJsonOrNull, {Text(u"pid"), Integer(u"index", -1)}},
    {u"AppRepoKeeper", kBoolean, {Text(u"pid"), Text(u"appPath"), NullableTextOr(u"option", u"{}")}},
    {u"KVAccountEnable", kBoolean, {}},
    {u"KVAccountConfig", kBoolean, {Text(u"appId"), Text(u"appSecret")}},
    {u"KVAccountAppID", kString, {}},
    {u"KVAccountGetDomain", kString, {}},
    {u"KVAccountSetDomain", kNone, {Text(u"domain")}},
    {u"KVAccountSecret", kString, {}},
    {u"KVAccountLogined", kBoolean, {}},
    {u"KVAccountGetLoginedUser", kJsonOrNull, {}},
    {u"KVAccountSetLoginedUser", kBoolean, {Text(u"data")}},
    {u"KVAccountOnLoginUserChanged", kBoolean, {OptionalCallback(u"callback")}},
    {u"WebFormEnable", kBoolean, {}},
    {u"WebFormGetCompanyBindType", kString, {}},
    {u"WebFormSetCompanyBindType", kNone, {Text(u"bindType")}},
    {u"WebFormShow", kInteger, {Text(u"url"), Integer(u"width", 0), Integer(u"height", 0), Text(u"styles")}},
    {u"WebFormShowModal", kBoolean, {Text(u"url"), Integer(u"width", 0), Integer(u"height", 0), OptionalCallback(u"onDone")}},
    {u"WebFormOnUpdateUserInfo", kBoolean, {OptionalCallback(u"callback")}},
    {u"WebFormOnAddCompany", kBoolean, {OptionalCallback(u"callback")}},
    {u"WebFormOnGetMessage", kBoolean, {OptionalCallback2(u"callback")}},
    {u"RDKGetQbzInfo", kJson, {Text(u"nsrsbh")}},
};

}  // namespace

const TWebParam* TWebMethodRow::FindParam(std::u16string_view name) const {
  for (const TWebParam& p : params) {
    if (p.kind != TWebParamKind::None && name == p.name) return &p;
  }
  return nullptr;
}

std::span<const TWebMethodRow> WebMethodTable() { return kRows; }

const TWebMethodRow* FindWebMethodRow(std::u16string_view name) {
  for (const TWebMethodRow& row : kRows) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

const char16_t* ParamKindName(TWebParamKind kind) {
  switch (kind) {
    case TWebParamKind::None: return u"none";
    case TWebParamKind::Text: return u"text";
    case TWebParamKind::Flag: return u"flag";
    case TWebParamKind::Integer: return u"integer";
    case TWebParamKind::JsonObject: return u"JSON object text";
    case TWebParamKind::TextOr: return u"text with default";
    case TWebParamKind::NullableTextOr: return u"nullable text with default";
    case TWebParamKind::Callback: return u"callback";
    case TWebParamKind::Callback2: return u"two-argument callback";
    case TWebParamKind::OptionalCallback: return u"optional callback";
    case TWebParamKind::OptionalCallback2: return u"optional two-argument callback";
    case TWebParamKind::FunctionName: return u"function name";
    case TWebParamKind::DialogCallback: return u"dialog callback";
  }
  return u"?";
}

const char16_t* ResultKindName(TWebResultKind kind) {
  switch (kind) {
    case TWebResultKind::String: return u"string";
    case TWebResultKind::Boolean: return u"Boolean";
    case TWebResultKind::Integer: return u"integer";
    case TWebResultKind::Float: return u"float";
    case TWebResultKind::Json: return u"JSON";
    case TWebResultKind::JsonOrNull: return u"JSON or null";
    case TWebResultKind::None: return u"none";
  }
  return u"?";
}
