// One case per member of the client script, in the order of the module, and
// further cases where a member converts or defaults an argument: what the
// member is called with, the web method it calls with which parameters, and
// what it returns.
//
//   member    "name", "get name", "set name", "ns.name"
//   run(kv)   exercises the member; its value is the member's result
//   method    the web method called, or null when the member calls nothing
//   params    the parameter object sent
//   options   returns:   the expected result (default: the call's answer)
//             sameAs:    kv => the object the result must be
//             answer:    (method, params) => the fake's answer
//             preceding: calls made before the member's own [[method, params]]
"use strict";

const assert = require("node:assert/strict");
const { loadModule, wrappedName: fn } = require("./harness");

// Page functions; the fake wraps each as "fn:" + its name.
const page = {
  onProgress() {},
  onDone() {},
  callback() {},
};

const NO_RESULT = Symbol("setter");

function row(member, run, method, params, options = {}) {
  return { member, run, method, params, ...options };
}
function constant(member, value) {
  return row(member, (kv) => kv[member], null, null, { returns: value });
}
function setter(member, assign, method, params) {
  return row(member, assign, method, params, { returns: NO_RESULT });
}
function answering(table) {
  return (method) => (method in table ? table[method] : { answerTo: method });
}

const cases = [
  constant("version", "1.0.004"),
  constant("SW_NORMAL", 1),
  constant("SW_MINIMIZED", 2),
  constant("SW_MAXIMIZED", 3),
  constant("SW_NOACTIVATE", 4),
  constant("HKEY_CLASSES_ROOT", 0),
  constant("HKEY_CURRENT_USER", 1),
  constant("HKEY_LOCAL_MACHINE", 2),
  constant("HKEY_USERS", 3),

  row("get downloadDir", (kv) => kv.downloadDir, "GetDownloadDir", {}),
  setter("set downloadDir", (kv) => { kv.downloadDir = "D:\\dl"; }, "SetDownloadDir", { dir: "D:\\dl" }),
  row("get debugMode", (kv) => kv.debugMode, "GetDebugMode", {}),
  setter("set debugMode", (kv) => { kv.debugMode = true; }, "SetDebugMode", { mode: true }),

  row("httpConfig", (kv) => kv.httpConfig({ timeout: 5000, agent: "a" }), "HttpConfig",
    { config: '{"timeout":5000,"agent":"a"}' }),
  row("httpConfig", (kv) => kv.httpConfig('{"timeout":1}'), "HttpConfig", { config: '{"timeout":1}' }),
  row("httpConfig", (kv) => kv.httpConfig(""), null, null, { returns: false }),
  row("httpConfig", (kv) => kv.httpConfig(), null, null, { returns: false }),
  row("httpConfig", (kv) => kv.httpConfig(null), null, null, { returns: false }),

  row("download", (kv) => kv.download("http://h/f.exe", "C:\\f.exe", "ABC", page.onProgress, page.onDone),
    "Download", { url: "http://h/f.exe", filename: "C:\\f.exe", md5: "ABC",
      onProgress: fn(page.onProgress), onDone: fn(page.onDone) }),
  // Callbacks are wrapped unconditionally: the host names a missing one.
  row("download", (kv) => kv.download("u", "f"), "Download",
    { url: "u", filename: "f", md5: undefined, onProgress: fn(undefined), onDone: fn(undefined) }),
  row("isDownloading", (kv) => kv.isDownloading("u", page.onProgress, page.onDone), "IsDownloading",
    { url: "u", onProgress: fn(page.onProgress), onDone: fn(page.onDone) }),
  row("stopDownload", (kv) => kv.stopDownload("u", true), "StopDownload", { url: "u", abort: true }),
  row("getAllDownloadUrls", (kv) => kv.getAllDownloadUrls(), "GetAllDownloadUrls", {}),
  row("install", (kv) => kv.install("setup.exe", "/S", page.onDone), "Install",
    { installFile: "setup.exe", cmdline: "/S", onDone: fn(page.onDone) }),
  row("isInstalling", (kv) => kv.isInstalling("setup.exe_/S", page.onDone), "IsInstalling",
    { cmdline: "setup.exe_/S", onDone: fn(page.onDone) }),
  row("silentInstall", (kv) => kv.silentInstall("setup.exe", "/D=x", page.onProgress, page.onDone),
    "SilentInstall", { installFile: "setup.exe", cmdline: "/D=x",
      onProgress: fn(page.onProgress), onDone: fn(page.onDone) }),
  row("getAllInstallInfos", (kv) => kv.getAllInstallInfos(), "GetAllInstallInfos", {}),
  row("postMultipartFormData", (kv) => kv.postMultipartFormData("u", { h: "1" }, { a: 1, b: "x" }, page.onDone),
    "PostMultipartFormData", { url: "u", header: '{"h":"1"}', data: '{"a":1,"b":"x"}', onDone: fn(page.onDone) }),
  row("postMultipartFormData", (kv) => kv.postMultipartFormData("u"), "PostMultipartFormData",
    { url: "u", header: "{}", data: "{}", onDone: fn(undefined) }),
  row("postMultipartFormData", (kv) => kv.postMultipartFormData("u", '{"h":"2"}', "raw"), "PostMultipartFormData",
    { url: "u", header: '{"h":"2"}', data: "raw", onDone: fn(undefined) }),
  row("getMultipartFormData", (kv) => kv.getMultipartFormData("u", { h: "1" }, page.onDone), "GetMultipartFormData",
    { url: "u", header: '{"h":"1"}', onDone: fn(page.onDone) }),
  row("getMultipartFormData", (kv) => kv.getMultipartFormData("u"), "GetMultipartFormData",
    { url: "u", header: "{}", onDone: fn(undefined) }),

  row("createTimeStamp", (kv) => kv.createTimeStamp(), "CreateTimeStamp", {}),
  row("createAppKey", (kv) => kv.createAppKey(), "CreateAppKey", {}),
  row("createGUID", (kv) => kv.createGUID(), "CreateGUID", {}),
  row("getStrMd5Code", (kv) => kv.getStrMd5Code("abc"), "GetStrMd5Code", { str: "abc" }),
  row("getStrSha1Code", (kv) => kv.getStrSha1Code("abc"), "GetStrSHA1Code", { str: "abc" }),
  row("getCommandLine", (kv) => kv.getCommandLine(), "GetCommandLine", {}),
  row("currentProcessFile", (kv) => kv.currentProcessFile(), "CurrentProcessFile", {}),
  row("currentProcessFilename", (kv) => kv.currentProcessFilename(), "CurrentProcessFilename", {}),
  row("currentProcessDir", (kv) => kv.currentProcessDir(), "CurrentProcessDir", {}),
  row("currentProcessPath", (kv) => kv.currentProcessPath(), "CurrentProcessPath", {}),
  row("currentProcessId", (kv) => kv.currentProcessId(), "CurrentProcessId", {}),

  row("changeFileExt", (kv) => kv.changeFileExt("a.txt", ".log"), "ChangeFileExt", { filename: "a.txt", ext: ".log" }),
  row("extractFilePath", (kv) => kv.extractFilePath("C:\\a\\b.txt"), "ExtractFilePath", { filename: "C:\\a\\b.txt" }),
  row("extractFileDir", (kv) => kv.extractFileDir("C:\\a\\b.txt"), "ExtractFileDir", { filename: "C:\\a\\b.txt" }),
  row("extractFileDrive", (kv) => kv.extractFileDrive("C:\\a"), "ExtractFileDrive", { filename: "C:\\a" }),
  row("extractFileName", (kv) => kv.extractFileName("C:\\a\\b"), "ExtractFileName", { filename: "C:\\a\\b" }),
  row("extractFileExt", (kv) => kv.extractFileExt("b.txt"), "ExtractFileExt", { filename: "b.txt" }),
  row("extractZipFile", (kv) => kv.extractZipFile("a.zip", "C:\\out"), "ExtractZipFile",
    { zipFile: "a.zip", desDir: "C:\\out" }),
  row("forceDir", (kv) => kv.forceDir("C:\\a\\b"), "ForceDir", { dirname: "C:\\a\\b" }),
  row("fileExists", (kv) => kv.fileExists("a"), "FileExists", { filename: "a" }),
  row("getFileSize", (kv) => kv.getFileSize("a"), "GetFileSize", { filename: "a" }),
  row("getFileMd5Code", (kv) => kv.getFileMd5Code("a"), "GetFileMd5Code", { filename: "a" }),
  row("getFileSha1Code", (kv) => kv.getFileSha1Code("a"), "GetFileSha1Code", { filename: "a" }),
  row("getFileStr", (kv) => kv.getFileStr("a"), "GetFileStr", { filename: "a", utf8: true }),
  row("getFileStr", (kv) => kv.getFileStr("a", false), "GetFileStr", { filename: "a", utf8: false }),
  row("saveStrToFile", (kv) => kv.saveStrToFile("a", "text", "gbk"), "SaveStrToFile",
    { filename: "a", str: "text", encoding: "gbk" }),
  row("saveStrToFile", (kv) => kv.saveStrToFile("a", "text", ""), "SaveStrToFile",
    { filename: "a", str: "text", encoding: "utf-8" }),
  row("dirExists", (kv) => kv.dirExists("d"), "DirExists", { dirname: "d" }),
  row("copyFile", (kv) => kv.copyFile("s", "d"), "CopyFile", { srcFile: "s", desFile: "d", failIfExists: true }),
  row("copyFile", (kv) => kv.copyFile("s", "d", false), "CopyFile", { srcFile: "s", desFile: "d", failIfExists: false }),
  row("copyDir", (kv) => kv.copyDir("s", "d"), "CopyDir", { srcDir: "s", desDir: "d", ignoreIfExists: true }),
  row("copyDir", (kv) => kv.copyDir("s", "d", false), "CopyDir", { srcDir: "s", desDir: "d", ignoreIfExists: false }),
  row("deleteFile", (kv) => kv.deleteFile("a"), "DeleteFile", { filename: "a" }),
  row("renameFile", (kv) => kv.renameFile("a", "b"), "RenameFile", { oldname: "a", newname: "b" }),
  row("removeDir", (kv) => kv.removeDir("d"), "RemoveDir", { dirname: "d" }),
  row("emptyDir", (kv) => kv.emptyDir("d"), "EmptyDir", { dirname: "d", recursive: true }),
  row("emptyDir", (kv) => kv.emptyDir("d", false), "EmptyDir", { dirname: "d", recursive: false }),
  row("getFileVersion", (kv) => kv.getFileVersion("a.dll"), "GetFileVersion", { filename: "a.dll" }),
  row("getFileLastModified", (kv) => kv.getFileLastModified("a"), "GetFileLastModified", { filename: "a" }),
  row("getSystemDrive", (kv) => kv.getSystemDrive(), "GetSystemDrive", {}),
  row("getDesktopDir", (kv) => kv.getDesktopDir(), "GetDesktopDir", { common: false }),
  row("getDesktopDir", (kv) => kv.getDesktopDir(true), "GetDesktopDir", { common: true }),
  row("getFontsDir", (kv) => kv.getFontsDir(), "GetFontsDir", {}),
  row("getProgramsDir", (kv) => kv.getProgramsDir(), "GetProgramsDir", { common: false }),
  row("getSendToDir", (kv) => kv.getSendToDir(), "GetSendToDir", {}),
  row("getStartMenuDir", (kv) => kv.getStartMenuDir(), "GetStartMenuDir", { common: false }),
  row("getStartupDir", (kv) => kv.getStartupDir(true), "GetStartupDir", { common: true }),
  row("getPathFromLink", (kv) => kv.getPathFromLink("a.lnk"), "GetPathFromLink", { linkfile: "a.lnk" }),
  row("getWorkPathFromLink", (kv) => kv.getWorkPathFromLink("a.lnk"), "GetWorkPathFromLink", { linkfile: "a.lnk" }),
  row("setPathOfLink", (kv) => kv.setPathOfLink("a.lnk", "C:\\p.exe"), "SetPathOfLink",
    { linkfile: "a.lnk", path: "C:\\p.exe" }),
  row("createLink", (kv) => kv.createLink("a.lnk", "C:\\p.exe", "-x", "desc"), "CreateLink",
    { linkfile: "a.lnk", programPath: "C:\\p.exe", programArg: "-x", desc: "desc" }),

  row("envVarExists", (kv) => kv.envVarExists("PATH"), "EnvVarExists", { varname: "PATH" }),
  row("getEnvVar", (kv) => kv.getEnvVar("PATH"), "GetEnvVar", { varname: "PATH" }),
  row("setEnvVar", (kv) => kv.setEnvVar("X", "1"), "SetEnvVar", { varname: "X", varvalue: "1" }),
  row("regKeyExists", (kv) => kv.regKeyExists("HKCU\\S"), "RegKeyExists", { keyname: "HKCU\\S" }),
  row("getRegKeyValue", (kv) => kv.getRegKeyValue(1, "S\\v"), "GetRegKeyValue", { root: 1, keyname: "S\\v" }),
  row("setRegKeyValue", (kv) => kv.setRegKeyValue(1, "S\\v", 255), "SetRegKeyValue",
    { root: 1, keyname: "S\\v", keyvalue: "0xff" }),
  row("setRegKeyValue", (kv) => kv.setRegKeyValue(1, "S\\v", "255"), "SetRegKeyValue",
    { root: 1, keyname: "S\\v", keyvalue: "255" }),
  // A negative number is the DWORD of the same bits, not "0x-1".
  row("setRegKeyValue", (kv) => kv.setRegKeyValue(1, "S\\v", -1), "SetRegKeyValue",
    { root: 1, keyname: "S\\v", keyvalue: "0xffffffff" }),
  row("deleteRegKey", (kv) => kv.deleteRegKey(2, "S"), "DeleteRegKey", { root: 2, keyname: "S" }),
  row("getIniSections", (kv) => kv.getIniSections("a.ini"), "GetIniSections", { filename: "a.ini" }),
  row("getIniSectionValues", (kv) => kv.getIniSectionValues("a.ini", "s"), "GetIniSectionValues",
    { filename: "a.ini", section: "s" }),
  row("getIniValue", (kv) => kv.getIniValue("a.ini", "s", "k", "d"), "GetIniValue",
    { filename: "a.ini", section: "s", key: "k", def: "d" }),
  row("setIniValue", (kv) => kv.setIniValue("a.ini", "s", "k", "v"), "SetIniValue",
    { filename: "a.ini", section: "s", key: "k", value: "v" }),
  row("deleteIniSection", (kv) => kv.deleteIniSection("a.ini", "s"), "DeleteIniSection",
    { filename: "a.ini", section: "s" }),
  row("deleteIniKey", (kv) => kv.deleteIniKey("a.ini", "s", "k"), "DeleteIniKey",
    { filename: "a.ini", section: "s", key: "k" }),
  row("copyStrToClip", (kv) => kv.copyStrToClip("t"), "CopyStrToClip", { str: "t" }),
  row("getProcessID", (kv) => kv.getProcessID("a.exe"), "GetProcessID", { procname: "a.exe" }),
  row("getProcessFile", (kv) => kv.getProcessFile(42), "GetProcessFile", { processid: 42 }),
  row("killProcess", (kv) => kv.killProcess("a.exe"), "KillProcess", { procname: "a.exe" }),
  row("restart", (kv) => kv.restart("-x"), "Restart", { cmdline: "-x" }),
  row("restart", (kv) => kv.restart(), "Restart", { cmdline: "" }),
  row("restart", (kv) => kv.restart(5), "Restart", { cmdline: "" }),
  row("execAndWait", (kv) => kv.execAndWait("a.exe", "-x", 0), "ExecAndWait",
    { exefile: "a.exe", cmdline: "-x", showmode: 0 }),
  row("shellExecute", (kv) => kv.shellExecute("open", "a.txt", "-p", "C:\\", 3), "ShellExecute",
    { opera: "open", filename: "a.txt", params: "-p", dir: "C:\\", showmode: 3 }),
  row("getFilesOfDir", (kv) => kv.getFilesOfDir("d"), "GetFilesOfDir", { dirname: "d" }),
  row("getDirInfos", (kv) => kv.getDirInfos("d"), "GetDirInfos", { dirname: "d" }),
  row("getAllDrivers", (kv) => kv.getAllDrivers(), "GetAllDrivers", {}),
  row("diskFree", (kv) => kv.diskFree("C:"), "DiskFree", { drive: "C:" }),
  row("diskSize", (kv) => kv.diskSize("C:"), "DiskSize", { drive: "C:" }),
  row("needAdminPrivileges", (kv) => kv.needAdminPrivileges("a.exe"), "NeedAdminPrivileges", { exefile: "a.exe" }),

  row("memStore.get", (kv) => kv.memStore.get("a.b"), "GetMemStore", { path: "a.b" },
    { answer: answering({ GetMemStore: { type: "string", value: "x" } }), returns: "x" }),
  row("memStore.set", (kv) => kv.memStore.set("a.b", "x"), "SetMemStore",
    { path: "a.b", value: '{"type":"string","value":"x"}' }),
  row("memStore.clear", (kv) => kv.memStore.clear("a.b"), "SetMemStore", { path: "a.b", value: "" }),

  row("loadLibrary", (kv) => kv.loadLibrary("a.dll"), "LoadLibrary", { dllfile: "a.dll" }),
  row("freeLibrary", (kv) => kv.freeLibrary(1234), "FreeLibrary", { libModule: 1234 }),
  row("log", (kv) => kv.log("message"), "Log", { msg: "message" }),
  row("evalEncryptScript", (kv) => kv.evalEncryptScript("AAAA", page.onDone), "EvalEncryptScript",
    { encryptScript: "AAAA", onDone: fn(page.onDone) }),
  row("getEPortalAppInfo", (kv) => kv.getEPortalAppInfo("a.cfg"), "GetEPortalAppInfo", { filename: "a.cfg" }),
  row("getEPortalNsrInfos", (kv) => kv.getEPortalNsrInfos("C:\\ep"), "GetEPortalNsrInfos", { eppath: "C:\\ep" }),
  row("getEPortalNsrInfos", (kv) => kv.getEPortalNsrInfos(null), "GetEPortalNsrInfos", { eppath: "" }),
  row("getUrlParams", (kv) => kv.getUrlParams("http://h/?a=1"), "GetUrlParams", { url: "http://h/?a=1" }),
  row("getMacAddress", (kv) => kv.getMacAddress(), "GetMacAddress", {}),
  row("getOSInfo", (kv) => kv.getOSInfo(), "GetOSInfo", {}),
  row("getMemoryStatus", (kv) => kv.getMemoryStatus(), "GetMemoryStatus", {}),
  row("get areacode", (kv) => kv.areacode, "GetAreaCode", {}),
  setter("set areacode", (kv) => { kv.areacode = "4400"; }, "SetAreaCode", { value: "4400" }),

  row("get hotGather.enable", (kv) => kv.hotGather.enable, "HotGatherEnable", {}),
  row("hotGather.init", (kv) => kv.hotGather.init("u1", "p1"), null, null, { returns: true }),
  row("hotGather.track", (kv) => kv.hotGather.track("theme", { a: 1 }, "u", "p"), "HotGatherTrack",
    { uid: "u", pid: "p", theme: "theme", data: '{"a":1}' },
    { answer: answering({ HotGatherEnable: true }), preceding: [["HotGatherEnable", {}]] }),

  row("runFileDialog", (kv) => kv.runFileDialog("open", "t", "a.txt", "*.txt", page.callback), "RunFileDialog",
    { type: "open", title: "t", defaultFileName: "a.txt", acceptTypes: "*.txt", callback: fn(page.callback) }),
  row("aesEncrypt", (kv) => kv.aesEncrypt("d", "k"), "AESEncrypt", { data: "d", key: "k" }),
  row("aesEncrypt", (kv) => kv.aesEncrypt("d"), "AESEncrypt", { data: "d", key: "" }),
  row("aesDecrypt", (kv) => kv.aesDecrypt("d"), "AESDecrypt", { data: "d", key: "" }),
  row("base64Encode", (kv) => kv.base64Encode("s"), "Base64Encode", { str: "s" }),
  row("base64Encode", (kv) => kv.base64Encode(), "Base64Encode", { str: "" }),
  row("base64Decode", (kv) => kv.base64Decode(), "Base64Decode", { str: "" }),

  row("window.command", (kv) => kv.window.command("max"), "WindowCommand", { command: "max" }),
  row("window.box", (kv) => kv.window.box(), "WindowBox", {}),
  row("window.move", (kv) => kv.window.move(1, 2, 3, 4), "WindowMove", { x: 1, y: 2, width: 3, height: 4 }),
  row("window.bringToTop", (kv) => kv.window.bringToTop(), "WindowBringToTop", {}),
  row("window.isZoomed", (kv) => kv.window.isZoomed(), "WindowIsZoomed", {}),
  row("window.isIconic", (kv) => kv.window.isIconic(), "WindowIsIconic", {}),

  row("get rdk.inserted", (kv) => kv.rdk.inserted, "RDKInserted", {}),
  row("get rdk.id", (kv) => kv.rdk.id, "RDKID", {}),
  row("get rdk.version", (kv) => kv.rdk.version, "RDKVersion", {}),
  row("get rdk.localMirrorPath", (kv) => kv.rdk.localMirrorPath, "RDKLocalMirrorPath", {}),
  row("get rdk.sn", (kv) => kv.rdk.sn, "RDKSN", {}),
  row("get rdk.driver", (kv) => kv.rdk.driver, "RDKDriver", {}),
  row("rdk.existApp", (kv) => kv.rdk.existApp("app", "soft"), "RDKExistApp", { appId: "app", rdkSoftId: "soft" }),
  row("rdk.existApp", (kv) => kv.rdk.existApp("app"), "RDKExistApp", { appId: "app", rdkSoftId: "" }),
  row("rdk.userDataPath", (kv) => kv.rdk.userDataPath("pc"), "RDKUserDataPath", { productCode: "pc" }),
  row("rdk.localAppPath", (kv) => kv.rdk.localAppPath("pc"), "RDKLocalAppPath", { productCode: "pc" }),
  row("rdk.appInstallPath", (kv) => kv.rdk.appInstallPath("app"), "RDKAppInstallPath", { appId: "app" }),
  row("rdk.addApp", (kv) => kv.rdk.addApp({ appId: "a", appPath: "p" }, page.onProgress, page.onDone), "RDKAddApp",
    { app: '{"appId":"a","appPath":"p"}', onProgress: fn(page.onProgress), onDone: fn(page.onDone) }),
  row("rdk.addApp", (kv) => kv.rdk.addApp(null, page.onProgress, page.onDone), null, null, { returns: false }),
  row("rdk.installApp", (kv) => kv.rdk.installApp("app", page.onProgress, page.onDone), "RDKInstallApp",
    { appId: "app", onProgress: fn(page.onProgress), onDone: fn(page.onDone) }),
  row("rdk.getAllAddApps", (kv) => kv.rdk.getAllAddApps(), "RDKGetAllAddApps", {}),
  row("rdk.getAllInstallApps", (kv) => kv.rdk.getAllInstallApps(), "RDKGetAllInstallApps", {}),
  row("rdk.addTaxpayer", (kv) => kv.rdk.addTaxpayer({ nsrsbh: "91" }), "RDKAddTaxpayer", { data: '{"nsrsbh":"91"}' }),
  row("rdk.addTaxpayer", (kv) => kv.rdk.addTaxpayer('{"nsrsbh":"92"}'), "RDKAddTaxpayer",
    { data: '{"nsrsbh":"92"}' }),
  row("rdk.delTaxpayer", (kv) => kv.rdk.delTaxpayer("91"), "RDKDelTaxpayer", { nsrsbh: "91" }),
  row("rdk.getTaxpayers", (kv) => kv.rdk.getTaxpayers("91"), "RDKGetTaxpayers", { nsrsbh: "91" }),
  row("rdk.getTaxpayers", (kv) => kv.rdk.getTaxpayers(), "RDKGetTaxpayers", { nsrsbh: "" }),
  row("rdk.modifyTaxpayer", (kv) => kv.rdk.modifyTaxpayer("91", { nsrsbh: "93" }), "RDKModifyTaxpayer",
    { sh: "91", data: '{"nsrsbh":"93"}' }),
  row("rdk.modifyTaxpayer", (kv) => kv.rdk.modifyTaxpayer("91"), null, null, { returns: false }),
  row("rdk.showPanel", (kv) => kv.rdk.showPanel(), "RDKShowPanel", {}),
  row("rdk.pullOut", (kv) => kv.rdk.pullOut(), "RDKPullOut", {}),
  row("rdk.onPullOut", (kv) => kv.rdk.onPullOut(page.callback), "RDKOnPullOut", { callback: fn(page.callback) }),
  // Anything but a function: the call without the parameter removes the registration.
  row("rdk.onPullOut", (kv) => kv.rdk.onPullOut("handler"), "RDKOnPullOut", {}),
  row("rdk.onPullOut", (kv) => kv.rdk.onPullOut(), "RDKOnPullOut", {}),
  row("rdk.onPullIn", (kv) => kv.rdk.onPullIn(page.callback), "RDKOnPullIn", { callback: fn(page.callback) }),
  row("rdk.onPullIn", (kv) => kv.rdk.onPullIn(null), "RDKOnPullIn", {}),
  row("rdk.runBsSoft", (kv) => kv.rdk.runBsSoft("soft", { cmdline: "-x" }, page.onProgress, page.onDone),
    "RDKRunBsSoft", { rdkSoftId: "soft", options: '{"cmdline":"-x"}',
      onProgress: fn(page.onProgress), onDone: fn(page.onDone) }),
  row("rdk.runBsSoft", (kv) => kv.rdk.runBsSoft("soft", "-x"), "RDKRunBsSoft",
    { rdkSoftId: "soft", options: "{}", onProgress: fn(undefined), onDone: fn(undefined) }),
  row("rdk.appInitToLocal", (kv) => kv.rdk.appInitToLocal("soft", null, page.onProgress, page.onDone),
    "RDKAppInitToLocal", { rdkSoftId: "soft", options: "{}", onProgress: fn(page.onProgress), onDone: fn(page.onDone) }),

  row("get appRepo.enable", (kv) => kv.appRepo.enable, "AppRepoEnable", {}),
  row("get appRepo.pidList", (kv) => kv.appRepo.pidList, "AppRepoPIDList", {}),
  row("get appRepo.rootPath", (kv) => kv.appRepo.rootPath, "AppRepoRootPath", {}),
  row("get appRepo.libfile", (kv) => kv.appRepo.libfile, "AppRepoLibFile", {}),
  row("appRepo.add", (kv) => kv.appRepo.add("pid", "1.0", "C:\\app", { name: "n" }), "AppRepoAdd",
    { pid: "pid", version: "1.0", path: "C:\\app", option: '{"name":"n"}' }),
  row("appRepo.add", (kv) => kv.appRepo.add("pid", "1.0", "C:\\app"), "AppRepoAdd",
    { pid: "pid", version: "1.0", path: "C:\\app", option: "{}" }),
  row("appRepo.update", (kv) => kv.appRepo.update("pid", "1.1", "C:\\app"), "AppRepoUpdate",
    { pid: "pid", version: "1.1", path: "C:\\app" }),
  row("appRepo.delete", (kv) => kv.appRepo.delete("pid"), "AppRepoDelete", { pid: "pid" }),
  row("appRepo.query", (kv) => kv.appRepo.query("pid"), "AppRepoQuery", { pid: "pid" }),
  row("appRepo.keeper", (kv) => kv.appRepo.keeper("pid", "C:\\a.exe", { extra: 1 }), "AppRepoKeeper",
    { pid: "pid", appPath: "C:\\a.exe", option: '{"extra":1}' }),
  row("appRepo.keeper", (kv) => kv.appRepo.keeper("pid", "C:\\a.exe", ""), "AppRepoKeeper",
    { pid: "pid", appPath: "C:\\a.exe", option: "{}" }),
  row("get appRepo.ext.count", (kv) => kv.appRepo.ext.count, "AppRepoExtCount", {}),
  row("appRepo.ext.get", (kv) => kv.appRepo.ext.get("pid", "k"), "AppRepoExtGet", { pid: "pid", key: "k" }),
  row("appRepo.ext.set", (kv) => kv.appRepo.ext.set("pid", "k", { v: 1 }), "AppRepoExtSet",
    { pid: "pid", key: "k", value: '{"v":1}' }),
  row("appRepo.ext.set", (kv) => kv.appRepo.ext.set("pid", "k", "v"), "AppRepoExtSet",
    { pid: "pid", key: "k", value: "v" }),
  row("appRepo.ext.delete", (kv) => kv.appRepo.ext.delete("pid", "k"), "AppRepoExtDelete", { pid: "pid", key: "k" }),
  row("appRepo.ext.enum", (kv) => kv.appRepo.ext.enum("pid", 0), "AppRepoExtEnum", { pid: "pid", index: 0 }),

  row("get KVAccount.enable", (kv) => kv.KVAccount.enable, "KVAccountEnable", {}),
  row("KVAccount.config", (kv) => kv.KVAccount.config("id", "secret"), "KVAccountConfig",
    { appId: "id", appSecret: "secret" }),
  row("get KVAccount.appId", (kv) => kv.KVAccount.appId, "KVAccountAppID", {}),
  row("get KVAccount.appSecret", (kv) => kv.KVAccount.appSecret, "KVAccountSecret", {}),
  row("get KVAccount.domain", (kv) => kv.KVAccount.domain, "KVAccountGetDomain", {}),
  setter("set KVAccount.domain", (kv) => { kv.KVAccount.domain = "d.example"; }, "KVAccountSetDomain",
    { domain: "d.example" }),
  row("get KVAccount.logined", (kv) => kv.KVAccount.logined, "KVAccountLogined", {}),
  row("get KVAccount.loginedUser", (kv) => kv.KVAccount.loginedUser, "KVAccountGetLoginedUser", {}),
  setter("set KVAccount.loginedUser", (kv) => { kv.KVAccount.loginedUser = { id: "u" }; }, "KVAccountSetLoginedUser",
    { data: '{"id":"u"}' }),
  setter("set KVAccount.loginedUser", (kv) => { kv.KVAccount.loginedUser = null; }, "KVAccountSetLoginedUser",
    { data: "null" }),
  row("KVAccount.onLoginUserChanged", (kv) => kv.KVAccount.onLoginUserChanged(page.callback),
    "KVAccountOnLoginUserChanged", { callback: fn(page.callback) }),
  row("KVAccount.onLoginUserChanged", (kv) => kv.KVAccount.onLoginUserChanged("named"),
    "KVAccountOnLoginUserChanged", { callback: "named" }),
  row("get account", (kv) => kv.account, null, null, { sameAs: (kv) => kv.KVAccount }),

  row("get webform.enable", (kv) => kv.webform.enable, "WebFormEnable", {}),
  row("get webform.companyBindType", (kv) => kv.webform.companyBindType, "WebFormGetCompanyBindType", {}),
  setter("set webform.companyBindType", (kv) => { kv.webform.companyBindType = "2"; }, "WebFormSetCompanyBindType",
    { bindType: "2" }),
  row("webform.show", (kv) => kv.webform.show("http://f", 400, 300, { stayOnTop: true }), "WebFormShow",
    { url: "http://f", width: 400, height: 300, styles: '{"stayOnTop":true}' }),
  row("webform.show", (kv) => kv.webform.show("http://f", 400, 300), "WebFormShow",
    { url: "http://f", width: 400, height: 300, styles: "{}" }),
  row("webform.modal", (kv) => kv.webform.modal("http://f", 400, 300, page.onDone), "WebFormShowModal",
    { url: "http://f", width: 400, height: 300, onDone: fn(page.onDone) }),
  row("webform.modal", (kv) => kv.webform.modal("http://f", 400, 300), "WebFormShowModal",
    { url: "http://f", width: 400, height: 300, onDone: undefined }),
  row("webform.onUpdateUserInfo", (kv) => kv.webform.onUpdateUserInfo(page.callback), "WebFormOnUpdateUserInfo",
    { callback: fn(page.callback) }),
  row("webform.onAddCompany", (kv) => kv.webform.onAddCompany(page.callback), "WebFormOnAddCompany",
    { callback: fn(page.callback) }),
  row("webform.onGetMessage", (kv) => kv.webform.onGetMessage(page.callback), "WebFormOnGetMessage",
    { callback: fn(page.callback) }),
  row("webform.onGetMessage", (kv) => kv.webform.onGetMessage(null), "WebFormOnGetMessage", { callback: null }),
];

// Runs one case on a fresh module made from `text`; checkCase also checks
// it and returns the calls it made.
function runCase(text, c) {
  const { kv, record } = loadModule(text, c.answer);
  return { kv, record, result: c.run(kv) };
}

function checkCase(text, c) {
  const { kv, record, result } = runCase(text, c);
  const expected = [...(c.preceding || []), ...(c.method ? [[c.method, c.params]] : [])];
  assert.deepEqual(record.calls.map((call) => [call.method, call.params]), expected);
  for (const call of record.calls) {
    assert.equal(call.second, "");
    assert.equal(call.argc, 3);
  }
  if (c.sameAs) assert.equal(result, c.sameAs(kv));
  else if ("returns" in c) {
    if (c.returns !== NO_RESULT) assert.deepEqual(result, c.returns);
  } else {
    assert.equal(result, record.calls[record.calls.length - 1].result, "the call's answer, unchanged");
  }
  return record.calls;
}

module.exports = { cases, runCase, checkCase };
