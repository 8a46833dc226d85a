// TypeScript declarations of the KVNative client script module, for page
// developers. The host evaluates the script that KVNative.dll serves and
// hands the page the object it yields; that object is a `KVNative.Module`.
//
//   /// <reference path="kvnative.d.ts" />
//   declare const kv: KVNative.Module; // under the name your host gives it
//
// Every method is one synchronous call into the library. Arguments reach the
// library as text: flags as true/false, objects as their JSON text, page
// functions as names the host makes with its ajaxWrapFunc. Long operations
// return at once and report later through the callbacks, whose records are
// declared below.

declare namespace KVNative {
  // ---- JSON values ---------------------------------------------------------

  type JsonValue = string | number | boolean | null | JsonObject | JsonArray;
  interface JsonObject {
    [key: string]: JsonValue | undefined;
  }
  type JsonArray = JsonValue[];

  /** A page function the library calls later with one value. */
  type Callback<T> = (value: T) => void;

  // ---- The host's side of a call (for host implementers) -------------------

  /** What the host's global `Ajax(baseUrl + "/methods")` returns. */
  interface Channel {
    /** Runs web method `method` with named parameters; returns its result. */
    requestSync(method: string, unused: "", params: { [name: string]: unknown }): unknown;
  }

  // ---- Constants ------------------------------------------------------------

  /** Show modes for `execAndWait` and `shellExecute`: the module's SW_ constants. */
  type ShowMode = number;
  /** Registry roots: 0 classes root, 1 current user, 2 local machine, 3 users. */
  type RegistryRoot = 0 | 1 | 2 | 3;

  // ---- Downloads ------------------------------------------------------------

  /** `onProgress` of `download` and `isDownloading`. */
  interface DownloadProgress {
    step: "downloading";
    processId: number;
    /** false when another process owns the download and this page only watches it. */
    canAbort: boolean;
    url: string;
    filename: string;
    totalSize: number;
    downloadedSize: number;
    /** Percentage as text with two decimals, e.g. "42.50"; "0" while the size is unknown. */
    progress: string;
    progressMax: "100";
    /** e.g. "1.50KB/s" */
    speed: string;
    /** e.g. "00:01:05" */
    leftTime: string;
    /** Milliseconds since 1970, local time. */
    timestamp: number;
  }

  /** `onDone` of `download` and `isDownloading`. */
  interface DownloadDone {
    step: "complete";
    processId: number;
    url: string;
    filename: string;
    success: boolean;
    /** Absent in the records of a process that only watched another's download. */
    noUpdate?: boolean;
    message: string;
    totalSize?: number;
    /** true when the download was stopped with `stopDownload`. */
    isCancel?: boolean;
  }

  // ---- Installs -------------------------------------------------------------

  /** `onDone` of `install`, `isInstalling` and `silentInstall`. */
  interface InstallResult {
    success: boolean;
    message: string;
    installFile: string;
    cmdline: string;
  }

  /** `onProgress` of `silentInstall`: the installer's own percentage. */
  interface SilentInstallProgress {
    installFile: string;
    cmdline: string;
    progress: number;
    progressMax: 100;
  }

  /** An element of `getAllInstallInfos()`. */
  interface InstallInfo {
    silent: boolean;
    installFile: string;
    cmdline: string;
  }

  // ---- HTTP -----------------------------------------------------------------

  /** The options `httpConfig` sets for every later request and download. */
  interface HttpConfig {
    agent?: string;
    /** "useWinhttpConfig", "usePreConfig" or "useProxy" (letter case ignored); any other text: no proxy. */
    accessType?: "useWinhttpConfig" | "usePreConfig" | "useProxy" | string;
    /** Milliseconds. */
    timeout?: number;
    proxy?: string;
    proxyUser?: string;
    proxyPassword?: string;
    retryTimes?: number;
  }

  /**
   * `onDone` of `postMultipartFormData` and `getMultipartFormData`: whether
   * the request succeeded, and the response body (an object or array when it
   * is JSON object or array text) or the error message.
   */
  type FormDone = (success: boolean, response: string | JsonObject | JsonArray) => void;

  // ---- Files, system --------------------------------------------------------

  /** An element of `getFilesOfDir()`. */
  type DirEntry = DirEntryDirectory | DirEntryFile;
  interface DirEntryDirectory {
    name: string;
    type: "dir";
    readonly?: true;
    hidden?: true;
    link?: true;
  }
  interface DirEntryFile {
    name: string;
    /** .exe, .dll, .bpl or .ocx */
    lib: boolean;
    type: "file";
    /** Last write, milliseconds since 1970 in local time, two-second resolution. */
    time: number;
    size: number;
    /** e.g. "2.00KB" */
    sizeStr: string;
    readonly?: true;
    hidden?: true;
    link?: true;
  }

  /** `getDirInfos()`; the counts are absent when the content could not be listed. */
  interface DirInfo {
    name: string;
    readonly: boolean;
    hidden: boolean;
    sysfile: boolean;
    time: number;
    /** Files in the directory and below it. */
    filesCount?: number;
    filesSize?: number;
    filesSizeStr?: string;
    /** Directories directly inside it. */
    dirsCount?: number;
  }

  /** An element of `getAllDrivers()`. */
  interface DriveInfo {
    /** e.g. "C:" */
    name: string;
    type: "removable" | "fixed" | "remote" | "ramdisk";
  }

  /** An element of `getIniSectionValues()`. */
  interface IniValue {
    key: string;
    value: string;
  }

  /** An element of `getMacAddress()`. */
  interface NetworkAdapter {
    id: string;
    desc: string;
    /** e.g. "00-1A-2B-3C-4D-5E" */
    mac: string;
  }

  /** `getOSInfo()` */
  interface OSInfo {
    /** e.g. 6.1 or 10 */
    version: number;
    win64: boolean;
    /** e.g. "windows 7"; absent for versions without a name. */
    name?: string;
    country: string;
    language: string;
    username: string;
    hostname: string;
    ip: string;
  }

  /** `getMemoryStatus()`, bytes except Usage (percent). */
  interface MemoryStatus {
    Usage: number;
    totalPhys: number;
    availPhys: number;
    totalPageFile: number;
    availPageFile: number;
    totalVirtual: number;
    availVirtual: number;
  }

  /** `getEPortalAppInfo()`: each member present when the description file has it. */
  interface EPortalAppInfo {
    version?: string;
    frameLowVersion?: string;
    appName?: string;
    appCode?: string;
    productCode?: string;
    rootPath?: string;
    mainView?: string;
    verType?: string;
    microPortal?: string;
    baseAppFrameCode?: string;
    icon?: string;
    help?: string;
    enable?: boolean;
    visible?: boolean;
  }

  /** Dialog kinds of `runFileDialog`. */
  type FileDialogType = "open" | "openm" | "save" | "openfolder";

  // ---- Memory store ---------------------------------------------------------

  /** What `memStore` keeps: a value of one of these kinds comes back as it went in. */
  type MemStoreValue = boolean | string | number | JsonObject | JsonArray | ((...args: any[]) => any);

  interface MemStore {
    /** The stored value; undefined when the path holds nothing. */
    get(path: string): MemStoreValue | undefined;
    /** Stores the value under a dotted path; false, 0, "", null and undefined clear it. */
    set(path: string, value: MemStoreValue | object | null | undefined): boolean;
    clear(path: string): boolean;
  }

  // ---- Usage tracking -------------------------------------------------------

  interface HotGather {
    /** Whether tracking is on; asked once per page. */
    readonly enable: boolean;
    /** Remembers the user and product ids for later `track` calls; makes no call. */
    init(uid: string, pid: string): true;
    /** One usage event; undefined (and nothing sent) while tracking is off. */
    track(theme: string, data?: JsonObject | string, uid?: string, pid?: string): boolean | undefined;
  }

  // ---- Window ---------------------------------------------------------------

  /** `window.command` commands: window buttons and drag starts for drawn captions and borders. */
  type WindowCommand =
    | "min" | "max" | "restore" | "close" | "caption"
    | "hittopleft" | "hitleft" | "hitbottomleft" | "hittop" | "hitbottom"
    | "hittopright" | "hitright" | "hitbottomright";

  /** `window.box()`: the frame window's rectangle in screen coordinates. */
  interface WindowBox {
    top: number;
    bottom: number;
    left: number;
    right: number;
    width: number;
    height: number;
  }

  interface WindowMethods {
    command(command: WindowCommand | string): boolean;
    box(): WindowBox;
    move(x: number, y: number, width: number, height: number): boolean;
    bringToTop(): boolean;
    isZoomed(): boolean;
    isIconic(): boolean;
  }

  // ---- Portable device ------------------------------------------------------

  /** The application `rdk.addApp` adds. */
  interface RdkAppData {
    appId: string;
    appName?: string;
    appPath?: string;
    appVersion?: string;
    [key: string]: JsonValue | undefined;
  }

  /** `rdk.existApp()`: members present when the device has them. */
  interface RdkApp {
    appId?: string;
    appName?: string;
    appPath?: string;
    appVersion?: string;
    md5?: string;
    tag?: string;
  }

  /** A taxpayer on the device (`rdk.addTaxpayer`, `rdk.modifyTaxpayer`, `rdk.getTaxpayers`). */
  interface RdkTaxpayer {
    /** Taxpayer identification number. */
    nsrsbh?: string;
    /** Taxpayer name. */
    nsrmc?: string;
    zcbm?: string;
    zonecode?: string;
    yxq?: string;
    [key: string]: JsonValue | undefined;
  }

  /** Options of `rdk.runBsSoft` and `rdk.appInitToLocal`. */
  interface RdkSoftOptions {
    /** Command line for the software. */
    cmdline?: string;
    [key: string]: JsonValue | undefined;
  }

  /** `onProgress` of `rdk.addApp`. */
  interface RdkAddAppProgress {
    appId: string;
    appName: string;
    appPath: string;
    appVersion: string;
    message: string;
    progress: number;
    progressMax: 100;
  }

  /** `onProgress` of `rdk.installApp` (note the spelling "appID"). */
  interface RdkInstallAppProgress {
    appID: string;
    message: string;
    progress: number;
    progressMax: 100;
  }

  /** `onProgress` of `rdk.runBsSoft` and `rdk.appInitToLocal`. */
  interface RdkSoftProgress {
    rdkSoftId: string;
    message: string;
    progress: number;
    progressMax: 100;
  }

  /** `onDone` of `rdk.addApp`. */
  interface RdkAddAppDone {
    success: boolean;
    message: string;
    appId: string;
    appName: string;
    appPath: string;
  }

  /** `onDone` of `rdk.installApp`. */
  interface RdkInstallAppDone {
    success: boolean;
    message: string;
    appId: string;
  }

  /** `onDone` of `rdk.runBsSoft` and `rdk.appInitToLocal`. */
  interface RdkSoftDone {
    success: boolean;
    message: string;
    rdkSoftId: string;
  }

  /** `rdk.onPullIn`: the device was plugged in. */
  interface RdkPullInEvent {
    /** e.g. "E:" */
    driver: string;
    areacode: string;
    productCode: string;
    mainProductCode: string;
    /** The device's launcher, when it has one. */
    mainfile?: string;
  }

  /** `rdk.onPullOut`: the device was pulled out. */
  interface RdkPullOutEvent {
    driver: string;
  }

  interface Rdk {
    readonly inserted: boolean;
    readonly id: string;
    readonly version: string;
    readonly localMirrorPath: string;
    readonly sn: string;
    readonly driver: string;
    existApp(appId: string, rdkSoftId?: string): RdkApp | null;
    userDataPath(productCode: string): string;
    localAppPath(productCode: string): string;
    appInstallPath(appId: string): string;
    /** false without a call when `app` is missing. */
    addApp(app: RdkAppData, onProgress?: Callback<RdkAddAppProgress>, onDone?: Callback<RdkAddAppDone>): boolean;
    installApp(appId: string, onProgress?: Callback<RdkInstallAppProgress>,
               onDone?: Callback<RdkInstallAppDone>): boolean;
    getAllAddApps(): string[];
    getAllInstallApps(): string[];
    addTaxpayer(data: RdkTaxpayer | string): boolean;
    delTaxpayer(nsrsbh: string): boolean;
    /** All taxpayers, or those with this number. */
    getTaxpayers(nsrsbh?: string): RdkTaxpayer[];
    /** `sh` is the current number; false without a call when `data` is missing. */
    modifyTaxpayer(sh: string, data: RdkTaxpayer | string): boolean;
    showPanel(): boolean;
    pullOut(): boolean;
    /** Registers the handler; anything but a function removes the registration. */
    onPullOut(callback?: Callback<RdkPullOutEvent> | null): boolean;
    onPullIn(callback?: Callback<RdkPullInEvent> | null): boolean;
    runBsSoft(rdkSoftId: string, options?: RdkSoftOptions | null, onProgress?: Callback<RdkSoftProgress>,
              onDone?: Callback<RdkSoftDone>): boolean;
    appInitToLocal(rdkSoftId: string, options?: RdkSoftOptions | null, onProgress?: Callback<RdkSoftProgress>,
                   onDone?: Callback<RdkSoftDone>): boolean;
  }

  // ---- Application repository -----------------------------------------------

  /** Launch settings of `appRepo.add`. */
  interface AppRepoOption {
    name?: string;
    mainfile?: string;
    cmdline?: string;
    serverid?: string;
    serverfile?: string;
    eventplan?: string;
  }

  /** `appRepo.query()` (note the member "serverflie", spelled so). */
  interface AppRepoInfo {
    pid: string;
    version: string;
    path: string;
    name: string;
    mainfile: string;
    cmdline: string;
    serverid: string;
    serverflie: string;
    eventplan: string;
  }

  interface AppRepoExtEntry {
    key: string;
    value: string;
  }

  interface AppRepoExt {
    readonly count: number;
    get(pid: string, key: string): string;
    set(pid: string, key: string, value: JsonObject | JsonArray | string): boolean;
    delete(pid: string, key: string): boolean;
    enum(pid: string, index: number): AppRepoExtEntry | null;
  }

  interface AppRepo {
    readonly enable: boolean;
    readonly pidList: string[];
    readonly rootPath: string;
    readonly libfile: string;
    add(pid: string, version: string, path: string, option?: AppRepoOption | null): boolean;
    update(pid: string, version: string, path: string): boolean;
    delete(pid: string): boolean;
    query(pid: string): AppRepoInfo | null;
    /** Keeps the product up to date; the option's members are stored with it. */
    keeper(pid: string, appPath: string, option?: JsonObject | null): boolean;
    ext: AppRepoExt;
  }

  // ---- Account and web forms ------------------------------------------------

  /** `KVAccount.onLoginUserChanged`: the signed-in user changed. */
  interface LoginUserChange {
    oldUser?: JsonObject;
    newUser?: JsonObject;
    changer: {
      isCurrentProcess: boolean;
      processId: number;
      appId: string;
    };
  }

  /**
   * The account service. Its members other than `enable` and `domain` fail
   * while the service is not available.
   */
  interface KVAccount {
    readonly enable: boolean;
    config(appId: string, appSecret: string): boolean;
    readonly appId: string;
    readonly appSecret: string;
    domain: string;
    readonly logined: boolean;
    /** The signed-in user (null when nobody is); null or undefined signs out. */
    get loginedUser(): JsonObject | null;
    set loginedUser(value: JsonObject | string | null | undefined);
    /** A function registers; null or undefined removes the registration. */
    onLoginUserChanged(callback: Callback<LoginUserChange> | null | undefined): boolean;
  }

  /** `webform.modal`'s `onDone`: "result" is what the form returned, when it returned anything. */
  interface WebFormModalResult {
    url: string;
    width: number;
    height: number;
    result?: JsonValue;
  }

  interface WebFormStyles {
    stayOnTop?: boolean;
  }

  interface WebForm {
    readonly enable: boolean;
    companyBindType: string;
    /** A modeless form; 0 when the size is not positive. */
    show(url: string, width: number, height: number, styles?: WebFormStyles | null): number;
    /** A modal form; returns at once, `onDone` receives the result when it closes. */
    modal(url: string, width: number, height: number, onDone?: Callback<WebFormModalResult> | null): boolean;
    /** Registrations (fail while web forms are not available); null removes one. */
    onUpdateUserInfo(callback: Callback<JsonValue> | null | undefined): boolean;
    onAddCompany(callback: Callback<JsonValue> | null | undefined): boolean;
    onGetMessage(callback: ((text: string, data: string | JsonObject | JsonArray) => void) | null | undefined): boolean;
  }

  // ---- The module -----------------------------------------------------------

  interface Module {
    readonly version: "1.0.004";
    readonly SW_NORMAL: 1;
    readonly SW_MINIMIZED: 2;
    readonly SW_MAXIMIZED: 3;
    readonly SW_NOACTIVATE: 4;
    readonly HKEY_CLASSES_ROOT: 0;
    readonly HKEY_CURRENT_USER: 1;
    readonly HKEY_LOCAL_MACHINE: 2;
    readonly HKEY_USERS: 3;

    /** Where downloads go (chosen on first use). */
    downloadDir: string;
    debugMode: boolean;

    /** false without a call when `config` is missing. */
    httpConfig(config: HttpConfig | string): boolean;
    /** Starts a download, or joins the running one of the same file. */
    download(url: string, filename: string, md5?: string, onProgress?: Callback<DownloadProgress>,
             onDone?: Callback<DownloadDone>): boolean;
    /** true while `url` downloads; attaches the callbacks to it. */
    isDownloading(url: string, onProgress?: Callback<DownloadProgress>, onDone?: Callback<DownloadDone>): boolean;
    /** `abort` true keeps the partial files for a later resume. */
    stopDownload(url: string, abort?: boolean): boolean;
    getAllDownloadUrls(): string[];
    install(installFile: string, cmdline: string, onDone?: Callback<InstallResult>): boolean;
    /** `cmdline` is installFile + "_" + cmdline of the install asked about. */
    isInstalling(cmdline: string, onDone?: Callback<InstallResult>): boolean;
    silentInstall(installFile: string, cmdline: string, onProgress?: Callback<SilentInstallProgress>,
                  onDone?: Callback<InstallResult>): boolean;
    getAllInstallInfos(): InstallInfo[];
    postMultipartFormData(url: string, header?: { [name: string]: string } | string,
                          data?: JsonObject | string, onDone?: FormDone): boolean;
    getMultipartFormData(url: string, header?: { [name: string]: string } | string, onDone?: FormDone): boolean;

    createTimeStamp(): string;
    createAppKey(): string;
    createGUID(): string;
    getStrMd5Code(str: string): string;
    getStrSha1Code(str: string): string;
    /** The host's command-line arguments, without the program. */
    getCommandLine(): string[];
    currentProcessFile(): string;
    currentProcessFilename(): string;
    currentProcessDir(): string;
    currentProcessPath(): string;
    currentProcessId(): number;

    changeFileExt(filename: string, ext: string): string;
    extractFilePath(filename: string): string;
    extractFileDir(filename: string): string;
    extractFileDrive(filename: string): string;
    extractFileName(filename: string): string;
    extractFileExt(filename: string): string;
    extractZipFile(zipFile: string, desDir: string): boolean;
    forceDir(dirname: string): boolean;
    fileExists(filename: string): boolean;
    getFileSize(filename: string): number;
    getFileMd5Code(filename: string): string;
    getFileSha1Code(filename: string): string;
    /** `utf8` defaults to true; false reads the system code page. */
    getFileStr(filename: string, utf8?: boolean): string;
    /** `encoding` defaults to "utf-8" (also e.g. "gbk", "gb2312", "big5", "unicode"). */
    saveStrToFile(filename: string, str: string, encoding?: string): boolean;
    dirExists(dirname: string): boolean;
    /** `failIfExists` defaults to true. */
    copyFile(srcFile: string, desFile: string, failIfExists?: boolean): boolean;
    /** `ignoreIfExists` defaults to true. */
    copyDir(srcDir: string, desDir: string, ignoreIfExists?: boolean): boolean;
    deleteFile(filename: string): boolean;
    renameFile(oldname: string, newname: string): boolean;
    removeDir(dirname: string): boolean;
    /** `recursive` defaults to true. */
    emptyDir(dirname: string, recursive?: boolean): void;
    getFileVersion(filename: string): string;
    /** Days since 1899-12-30, the fraction being the time of day. */
    getFileLastModified(filename: string): number;
    getSystemDrive(): string;
    /** `common` (all users) defaults to false, as for the other folders. */
    getDesktopDir(common?: boolean): string;
    getFontsDir(): string;
    getProgramsDir(common?: boolean): string;
    getSendToDir(): string;
    getStartMenuDir(common?: boolean): string;
    getStartupDir(common?: boolean): string;
    getPathFromLink(linkfile: string): string;
    getWorkPathFromLink(linkfile: string): string;
    setPathOfLink(linkfile: string, path: string): boolean;
    createLink(linkfile: string, programPath: string, programArg?: string, desc?: string): boolean;

    envVarExists(varname: string): boolean;
    getEnvVar(varname: string): string;
    setEnvVar(varname: string, varvalue: string): boolean;
    regKeyExists(keyname: string): boolean;
    getRegKeyValue(root: RegistryRoot, keyname: string): string;
    /** A number is written as a DWORD, a string as a string value. */
    setRegKeyValue(root: RegistryRoot, keyname: string, keyvalue: number | string): boolean;
    deleteRegKey(root: RegistryRoot, keyname: string): boolean;
    getIniSections(filename: string): string[];
    getIniSectionValues(filename: string, section: string): IniValue[];
    getIniValue(filename: string, section: string, key: string, def?: string): string;
    setIniValue(filename: string, section: string, key: string, value: string): boolean;
    deleteIniSection(filename: string, section: string): boolean;
    deleteIniKey(filename: string, section: string, key: string): boolean;
    copyStrToClip(str: string): boolean;
    getProcessID(procname: string): number;
    getProcessFile(processid: number): string;
    killProcess(procname: string): boolean;
    /** Restarts the host with this command line. */
    restart(cmdline?: string): void;
    execAndWait(exefile: string, cmdline?: string, showmode?: ShowMode): boolean;
    shellExecute(opera: string, filename: string, params?: string, dir?: string, showmode?: ShowMode): boolean;
    getFilesOfDir(dirname: string): DirEntry[];
    getDirInfos(dirname: string): DirInfo | null;
    getAllDrivers(): DriveInfo[];
    /** Bytes, -1 on failure. */
    diskFree(drive: string): number;
    diskSize(drive: string): number;
    needAdminPrivileges(exefile: string): boolean;

    memStore: MemStore;

    /** A module handle, 0 on failure. */
    loadLibrary(dllfile: string): number;
    freeLibrary(libModule: number): boolean;
    log(msg: string): void;
    /** `onDone` receives what the decrypted function returns. */
    evalEncryptScript(encryptScript: string, onDone?: Callback<any>): boolean;
    getEPortalAppInfo(filename: string): EPortalAppInfo | null;
    getEPortalNsrInfos(eppath?: string): JsonValue;
    /** The query parameters, decoded. */
    getUrlParams(url: string): { [name: string]: string };
    getMacAddress(): NetworkAdapter[];
    getOSInfo(): OSInfo;
    getMemoryStatus(): MemoryStatus;
    areacode: string;

    hotGather: HotGather;

    /** `callback` receives the chosen paths (none when cancelled). */
    runFileDialog(type: FileDialogType, title: string, defaultFileName: string, acceptTypes: string,
                  callback: Callback<string[]>): boolean;
    /** An empty `key` uses the library's default key. */
    aesEncrypt(data: string, key?: string): string;
    aesDecrypt(data: string, key?: string): string;
    base64Encode(str?: string): string;
    base64Decode(str?: string): string;

    window: WindowMethods;
    rdk: Rdk;
    appRepo: AppRepo;
    KVAccount: KVAccount;
    /** The same object as `KVAccount`. */
    readonly account: KVAccount;
    webform: WebForm;
  }
}
