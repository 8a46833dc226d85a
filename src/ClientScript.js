(function (url) {
  // The client script module: the page-facing surface of KVNative. The host
  // replaces the placeholder above with its base URL, evaluates this one
  // expression in the page and hands the page the object it yields. Every
  // member turns its arguments into one named-parameter call of a web method
  // of module "methods". Plain ASCII, ES5, no byte-order mark.
  var channel = Ajax(url + "/methods");

  function call(method, params) {
    return channel.requestSync(method, "", params || {});
  }

  // ajaxWrapFunc turns a page function into the name the library calls
  // back. Registrations wrap only functions and send anything else as it is
  // (so that null or undefined removes the registration).
  function callbackOrValue(value) {
    return typeof value === "function" ? ajaxWrapFunc(value) : value;
  }

  // Structured values cross as JSON text.
  function jsonIfObject(value) {
    return typeof value === "object" ? JSON.stringify(value) : value;
  }

  function objectOrEmpty(value) {
    return value !== null && typeof value === "object" ? value : {};
  }

  function orDefault(value, def) {
    return value === undefined ? def : value;
  }

  // Registry values: numbers become DWORDs ("0x" + hexadecimal), texts stay
  // strings. The 32-bit form keeps negative numbers as the DWORD they denote.
  function regValue(value) {
    return typeof value === "number" ? "0x" + (value >>> 0).toString(16) : value;
  }

  // The memory store keeps text: script values travel in a typed envelope.
  function memStoreEnvelope(value) {
    if (!value) return "";
    var type = typeof value;
    if (type === "number") type = value % 1 === 0 ? "integer" : "float";
    return JSON.stringify({ type: type, value: type === "object" ? JSON.stringify(value) : String(value) });
  }

  function memStoreValue(record) {
    if (record === null || typeof record !== "object") return undefined;
    var text = record.value;
    switch (record.type) {
      case "boolean": return text === "true";
      case "string": return text;
      case "integer": return parseInteger(text);
      case "float": return parseFloat(text);
      case "object": return JSON.parse(text);
      // Global scope: a stored function sees nothing of this module.
      case "function": return (0, eval)("(" + text + ")");
      default: return undefined;
    }
  }

  // Integers beyond 1e21 are written in exponent form, which parseInt would
  // cut at the "e".
  function parseInteger(text) {
    var n = parseFloat(text);
    return n % 1 === 0 ? n : parseInt(text, 10);
  }

  // Usage tracking: the enable flag is asked once per page; the ids come
  // from hotGather.init.
  var hotGatherEnabled;
  var hotGatherUid = "";
  var hotGatherPid = "";

  function isHotGatherEnabled() {
    if (hotGatherEnabled === undefined) hotGatherEnabled = call("HotGatherEnable");
    return hotGatherEnabled;
  }

  return {
    version: "1.0.004",
    SW_NORMAL: 1,
    SW_MINIMIZED: 2,
    SW_MAXIMIZED: 3,
    SW_NOACTIVATE: 4,
    HKEY_CLASSES_ROOT: 0,
    HKEY_CURRENT_USER: 1,
    HKEY_LOCAL_MACHINE: 2,
    HKEY_USERS: 3,

    get downloadDir() { return call("GetDownloadDir"); },
    set downloadDir(value) { call("SetDownloadDir", { dir: value }); },
    get debugMode() { return call("GetDebugMode"); },
    set debugMode(value) { call("SetDebugMode", { mode: value }); },

    httpConfig: function (config) {
      if (!config) return false;
      return call("HttpConfig", { config: jsonIfObject(config) });
    },
    download: function (url, filename, md5, onProgress, onDone) {
      return call("Download", { url: url, filename: filename, md5: md5,
        onProgress: ajaxWrapFunc(onProgress), onDone: ajaxWrapFunc(onDone) });
    },
    isDownloading: function (url, onProgress, onDone) {
      return call("IsDownloading", { url: url, onProgress: ajaxWrapFunc(onProgress), onDone: ajaxWrapFunc(onDone) });
    },
    stopDownload: function (url, abort) { return call("StopDownload", { url: url, abort: abort }); },
    getAllDownloadUrls: function () { return call("GetAllDownloadUrls"); },
    install: function (installFile, cmdline, onDone) {
      return call("Install", { installFile: installFile, cmdline: cmdline, onDone: ajaxWrapFunc(onDone) });
    },
    isInstalling: function (cmdline, onDone) {
      return call("IsInstalling", { cmdline: cmdline, onDone: ajaxWrapFunc(onDone) });
    },
    silentInstall: function (installFile, cmdline, onProgress, onDone) {
      return call("SilentInstall", { installFile: installFile, cmdline: cmdline,
        onProgress: ajaxWrapFunc(onProgress), onDone: ajaxWrapFunc(onDone) });
    },
    getAllInstallInfos: function () { return call("GetAllInstallInfos"); },
    postMultipartFormData: function (url, header, data, onDone) {
      return call("PostMultipartFormData", { url: url, header: jsonIfObject(orDefault(header, {})),
        data: jsonIfObject(orDefault(data, {})), onDone: ajaxWrapFunc(onDone) });
    },
    getMultipartFormData: function (url, header, onDone) {
      return call("GetMultipartFormData", { url: url, header: jsonIfObject(orDefault(header, {})),
        onDone: ajaxWrapFunc(onDone) });
    },

    createTimeStamp: function () { return call("CreateTimeStamp"); },
    createAppKey: function () { return call("CreateAppKey"); },
    createGUID: function () { return call("CreateGUID"); },
    getStrMd5Code: function (str) { return call("GetStrMd5Code", { str: str }); },
    getStrSha1Code: function (str) { return call("GetStrSHA1Code", { str: str }); },
    getCommandLine: function () { return call("GetCommandLine"); },
    currentProcessFile: function () { return call("CurrentProcessFile"); },
    currentProcessFilename: function () { return call("CurrentProcessFilename"); },
    currentProcessDir: function () { return call("CurrentProcessDir"); },
    currentProcessPath: function () { return call("CurrentProcessPath"); },
    currentProcessId: function () { return call("CurrentProcessId"); },

    changeFileExt: function (filename, ext) { return call("ChangeFileExt", { filename: filename, ext: ext }); },
    extractFilePath: function (filename) { return call("ExtractFilePath", { filename: filename }); },
    extractFileDir: function (filename) { return call("ExtractFileDir", { filename: filename }); },
    extractFileDrive: function (filename) { return call("ExtractFileDrive", { filename: filename }); },
    extractFileName: function (filename) { return call("ExtractFileName", { filename: filename }); },
    extractFileExt: function (filename) { return call("ExtractFileExt", { filename: filename }); },
    extractZipFile: function (zipFile, desDir) { return call("ExtractZipFile", { zipFile: zipFile, desDir: desDir }); },
    forceDir: function (dirname) { return call("ForceDir", { dirname: dirname }); },
    fileExists: function (filename) { return call("FileExists", { filename: filename }); },
    getFileSize: function (filename) { return call("GetFileSize", { filename: filename }); },
    getFileMd5Code: function (filename) { return call("GetFileMd5Code", { filename: filename }); },
    getFileSha1Code: function (filename) { return call("GetFileSha1Code", { filename: filename }); },
    getFileStr: function (filename, utf8) {
      return call("GetFileStr", { filename: filename, utf8: orDefault(utf8, true) });
    },
    saveStrToFile: function (filename, str, encoding) {
      return call("SaveStrToFile", { filename: filename, str: str, encoding: encoding || "utf-8" });
    },
    dirExists: function (dirname) { return call("DirExists", { dirname: dirname }); },
    copyFile: function (srcFile, desFile, failIfExists) {
      return call("CopyFile", { srcFile: srcFile, desFile: desFile, failIfExists: orDefault(failIfExists, true) });
    },
    copyDir: function (srcDir, desDir, ignoreIfExists) {
      return call("CopyDir", { srcDir: srcDir, desDir: desDir, ignoreIfExists: orDefault(ignoreIfExists, true) });
    },
    deleteFile: function (filename) { return call("DeleteFile", { filename: filename }); },
    renameFile: function (oldname, newname) { return call("RenameFile", { oldname: oldname, newname: newname }); },
    removeDir: function (dirname) { return call("RemoveDir", { dirname: dirname }); },
    emptyDir: function (dirname, recursive) {
      return call("EmptyDir", { dirname: dirname, recursive: orDefault(recursive, true) });
    },
    getFileVersion: function (filename) { return call("GetFileVersion", { filename: filename }); },
    getFileLastModified: function (filename) { return call("GetFileLastModified", { filename: filename }); },
    getSystemDrive: function () { return call("GetSystemDrive"); },
    getDesktopDir: function (common) { return call("GetDesktopDir", { common: orDefault(common, false) }); },
    getFontsDir: function () { return call("GetFontsDir"); },
    getProgramsDir: function (common) { return call("GetProgramsDir", { common: orDefault(common, false) }); },
    getSendToDir: function () { return call("GetSendToDir"); },
    getStartMenuDir: function (common) { return call("GetStartMenuDir", { common: orDefault(common, false) }); },
    getStartupDir: function (common) { return call("GetStartupDir", { common: orDefault(common, false) }); },
    getPathFromLink: function (linkfile) { return call("GetPathFromLink", { linkfile: linkfile }); },
    getWorkPathFromLink: function (linkfile) { return call("GetWorkPathFromLink", { linkfile: linkfile }); },
    setPathOfLink: function (linkfile, path) { return call("SetPathOfLink", { linkfile: linkfile, path: path }); },
    createLink: function (linkfile, programPath, programArg, desc) {
      return call("CreateLink", { linkfile: linkfile, programPath: programPath, programArg: programArg, desc: desc });
    },

    envVarExists: function (varname) { return call("EnvVarExists", { varname: varname }); },
    getEnvVar: function (varname) { return call("GetEnvVar", { varname: varname }); },
    setEnvVar: function (varname, varvalue) { return call("SetEnvVar", { varname: varname, varvalue: varvalue }); },
    regKeyExists: function (keyname) { return call("RegKeyExists", { keyname: keyname }); },
    getRegKeyValue: function (root, keyname) { return call("GetRegKeyValue", { root: root, keyname: keyname }); },
    setRegKeyValue: function (root, keyname, keyvalue) {
      return call("SetRegKeyValue", { root: root, keyname: keyname, keyvalue: regValue(keyvalue) });
    },
    deleteRegKey: function (root, keyname) { return call("DeleteRegKey", { root: root, keyname: keyname }); },
    getIniSections: function (filename) { return call("GetIniSections", { filename: filename }); },
    getIniSectionValues: function (filename, section) {
      return call("GetIniSectionValues", { filename: filename, section: section });
    },
    getIniValue: function (filename, section, key, def) {
      return call("GetIniValue", { filename: filename, section: section, key: key, def: def });
    },
    setIniValue: function (filename, section, key, value) {
      return call("SetIniValue", { filename: filename, section: section, key: key, value: value });
    },
    deleteIniSection: function (filename, section) {
      return call("DeleteIniSection", { filename: filename, section: section });
    },
    deleteIniKey: function (filename, section, key) {
      return call("DeleteIniKey", { filename: filename, section: section, key: key });
    },
    copyStrToClip: function (str) { return call("CopyStrToClip", { str: str }); },
    getProcessID: function (procname) { return call("GetProcessID", { procname: procname }); },
    getProcessFile: function (processid) { return call("GetProcessFile", { processid: processid }); },
    killProcess: function (procname) { return call("KillProcess", { procname: procname }); },
    restart: function (cmdline) { return call("Restart", { cmdline: typeof cmdline === "string" ? cmdline : "" }); },
    execAndWait: function (exefile, cmdline, showmode) {
      return call("ExecAndWait", { exefile: exefile, cmdline: cmdline, showmode: showmode });
    },
    shellExecute: function (opera, filename, params, dir, showmode) {
      return call("ShellExecute", { opera: opera, filename: filename, params: params, dir: dir, showmode: showmode });
    },
    getFilesOfDir: function (dirname) { return call("GetFilesOfDir", { dirname: dirname }); },
    getDirInfos: function (dirname) { return call("GetDirInfos", { dirname: dirname }); },
    getAllDrivers: function () { return call("GetAllDrivers"); },
    diskFree: function (drive) { return call("DiskFree", { drive: drive }); },
    diskSize: function (drive) { return call("DiskSize", { drive: drive }); },
    needAdminPrivileges: function (exefile) { return call("NeedAdminPrivileges", { exefile: exefile }); },

    memStore: {
      get: function (path) { return memStoreValue(call("GetMemStore", { path: path })); },
      set: function (path, value) { return call("SetMemStore", { path: path, value: memStoreEnvelope(value) }); },
      clear: function (path) { return call("SetMemStore", { path: path, value: "" }); }
    },

    loadLibrary: function (dllfile) { return call("LoadLibrary", { dllfile: dllfile }); },
    freeLibrary: function (libModule) { return call("FreeLibrary", { libModule: libModule }); },
    log: function (msg) { return call("Log", { msg: msg }); },
    evalEncryptScript: function (encryptScript, onDone) {
      return call("EvalEncryptScript", { encryptScript: encryptScript, onDone: ajaxWrapFunc(onDone) });
    },
    getEPortalAppInfo: function (filename) { return call("GetEPortalAppInfo", { filename: filename }); },
    getEPortalNsrInfos: function (eppath) { return call("GetEPortalNsrInfos", { eppath: eppath || "" }); },
    getUrlParams: function (url) { return call("GetUrlParams", { url: url }); },
    getMacAddress: function () { return call("GetMacAddress"); },
    getOSInfo: function () { return call("GetOSInfo"); },
    getMemoryStatus: function () { return call("GetMemoryStatus"); },
    get areacode() { return call("GetAreaCode"); },
    set areacode(value) { call("SetAreaCode", { value: value }); },

    hotGather: {
      get enable() { return isHotGatherEnabled(); },
      init: function (uid, pid) {
        hotGatherUid = uid;
        hotGatherPid = pid;
        return true;
      },
      track: function (theme, data, uid, pid) {
        if (isHotGatherEnabled() !== true) return undefined;
        return call("HotGatherTrack", { uid: orDefault(uid, hotGatherUid), pid: orDefault(pid, hotGatherPid),
          theme: theme, data: jsonIfObject(data) });
      }
    },

    runFileDialog: function (type, title, defaultFileName, acceptTypes, callback) {
      return call("RunFileDialog", { type: type, title: title, defaultFileName: defaultFileName,
        acceptTypes: acceptTypes, callback: ajaxWrapFunc(callback) });
    },
    aesEncrypt: function (data, key) { return call("AESEncrypt", { data: data, key: orDefault(key, "") }); },
    aesDecrypt: function (data, key) { return call("AESDecrypt", { data: data, key: orDefault(key, "") }); },
    base64Encode: function (str) { return call("Base64Encode", { str: orDefault(str, "") }); },
    base64Decode: function (str) { return call("Base64Decode", { str: orDefault(str, "") }); },

    window: {
      command: function (command) { return call("WindowCommand", { command: command }); },
      box: function () { return call("WindowBox"); },
      move: function (x, y, width, height) { return call("WindowMove", { x: x, y: y, width: width, height: height }); },
      bringToTop: function () { return call("WindowBringToTop"); },
      isZoomed: function () { return call("WindowIsZoomed"); },
      isIconic: function () { return call("WindowIsIconic"); }
    },

    rdk: {
      get inserted() { return call("RDKInserted"); },
      get id() { return call("RDKID"); },
      get version() { return call("RDKVersion"); },
      get localMirrorPath() { return call("RDKLocalMirrorPath"); },
      get sn() { return call("RDKSN"); },
      get driver() { return call("RDKDriver"); },
      existApp: function (appId, rdkSoftId) { return call("RDKExistApp", { appId: appId, rdkSoftId: rdkSoftId || "" }); },
      userDataPath: function (productCode) { return call("RDKUserDataPath", { productCode: productCode }); },
      localAppPath: function (productCode) { return call("RDKLocalAppPath", { productCode: productCode }); },
      appInstallPath: function (appId) { return call("RDKAppInstallPath", { appId: appId }); },
      addApp: function (app, onProgress, onDone) {
        if (!app) return false;
        return call("RDKAddApp", { app: JSON.stringify(app), onProgress: ajaxWrapFunc(onProgress),
          onDone: ajaxWrapFunc(onDone) });
      },
      installApp: function (appId, onProgress, onDone) {
        return call("RDKInstallApp", { appId: appId, onProgress: ajaxWrapFunc(onProgress),
          onDone: ajaxWrapFunc(onDone) });
      },
      getAllAddApps: function () { return call("RDKGetAllAddApps"); },
      getAllInstallApps: function () { return call("RDKGetAllInstallApps"); },
      addTaxpayer: function (data) { return call("RDKAddTaxpayer", { data: jsonIfObject(data) }); },
      delTaxpayer: function (nsrsbh) { return call("RDKDelTaxpayer", { nsrsbh: nsrsbh }); },
      getTaxpayers: function (nsrsbh) { return call("RDKGetTaxpayers", { nsrsbh: orDefault(nsrsbh, "") }); },
      modifyTaxpayer: function (sh, data) {
        if (!data) return false;
        return call("RDKModifyTaxpayer", { sh: sh, data: jsonIfObject(data) });
      },
      showPanel: function () { return call("RDKShowPanel"); },
      pullOut: function () { return call("RDKPullOut"); },
      // Anything but a function removes the registration.
      onPullOut: function (callback) {
        return call("RDKOnPullOut", typeof callback === "function" ? { callback: ajaxWrapFunc(callback) } : {});
      },
      onPullIn: function (callback) {
        return call("RDKOnPullIn", typeof callback === "function" ? { callback: ajaxWrapFunc(callback) } : {});
      },
      runBsSoft: function (rdkSoftId, options, onProgress, onDone) {
        return call("RDKRunBsSoft", { rdkSoftId: rdkSoftId, options: JSON.stringify(objectOrEmpty(options)),
          onProgress: ajaxWrapFunc(onProgress), onDone: ajaxWrapFunc(onDone) });
      },
      appInitToLocal: function (rdkSoftId, options, onProgress, onDone) {
        return call("RDKAppInitToLocal", { rdkSoftId: rdkSoftId, options: JSON.stringify(objectOrEmpty(options)),
          onProgress: ajaxWrapFunc(onProgress), onDone: ajaxWrapFunc(onDone) });
      }
    },

    appRepo: {
      get enable() { return call("AppRepoEnable"); },
      get pidList() { return call("AppRepoPIDList"); },
      get rootPath() { return call("AppRepoRootPath"); },
      get libfile() { return call("AppRepoLibFile"); },
      add: function (pid, version, path, option) {
        return call("AppRepoAdd", { pid: pid, version: version, path: path, option: JSON.stringify(option || {}) });
      },
      update: function (pid, version, path) {
        return call("AppRepoUpdate", { pid: pid, version: version, path: path });
      },
      "delete": function (pid) { return call("AppRepoDelete", { pid: pid }); },
      query: function (pid) { return call("AppRepoQuery", { pid: pid }); },
      keeper: function (pid, appPath, option) {
        return call("AppRepoKeeper", { pid: pid, appPath: appPath, option: JSON.stringify(option || {}) });
      },
      ext: {
        get count() { return call("AppRepoExtCount"); },
        get: function (pid, key) { return call("AppRepoExtGet", { pid: pid, key: key }); },
        set: function (pid, key, value) {
          return call("AppRepoExtSet", { pid: pid, key: key, value: jsonIfObject(value) });
        },
        "delete": function (pid, key) { return call("AppRepoExtDelete", { pid: pid, key: key }); },
        "enum": function (pid, index) { return call("AppRepoExtEnum", { pid: pid, index: index }); }
      }
    },

    KVAccount: {
      get enable() { return call("KVAccountEnable"); },
      config: function (appId, appSecret) {
        return call("KVAccountConfig", { appId: appId, appSecret: appSecret });
      },
      get appId() { return call("KVAccountAppID"); },
      get appSecret() { return call("KVAccountSecret"); },
      get domain() { return call("KVAccountGetDomain"); },
      set domain(value) { call("KVAccountSetDomain", { domain: value }); },
      get logined() { return call("KVAccountLogined"); },
      get loginedUser() { return call("KVAccountGetLoginedUser"); },
      set loginedUser(value) { call("KVAccountSetLoginedUser", { data: jsonIfObject(value) }); },
      onLoginUserChanged: function (callback) {
        return call("KVAccountOnLoginUserChanged", { callback: callbackOrValue(callback) });
      }
    },
    get account() { return this.KVAccount; },

    webform: {
      get enable() { return call("WebFormEnable"); },
      get companyBindType() { return call("WebFormGetCompanyBindType"); },
      set companyBindType(value) { call("WebFormSetCompanyBindType", { bindType: value }); },
      show: function (url, width, height, styles) {
        return call("WebFormShow", { url: url, width: width, height: height, styles: JSON.stringify(styles || {}) });
      },
      modal: function (url, width, height, onDone) {
        return call("WebFormShowModal", { url: url, width: width, height: height, onDone: callbackOrValue(onDone) });
      },
      onUpdateUserInfo: function (callback) {
        return call("WebFormOnUpdateUserInfo", { callback: callbackOrValue(callback) });
      },
      onAddCompany: function (callback) {
        return call("WebFormOnAddCompany", { callback: callbackOrValue(callback) });
      },
      onGetMessage: function (callback) {
        return call("WebFormOnGetMessage", { callback: callbackOrValue(callback) });
      }
    }
  };
})("%url%")
