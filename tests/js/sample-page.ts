// A page script that uses every namespace of the client script module,
// type-checked against types/kvnative.d.ts (tsc --noEmit). Lines under an
// expect-error directive are misuses the declarations must reject.

function showStatus(text: string): void {
  document.title = text;
}

function downloadUpdate(kv: KVNative.Module): void {
  kv.httpConfig({ timeout: 30000, accessType: "useWinhttpConfig", retryTimes: 3 });
  const target = kv.downloadDir + "\\update.exe";
  kv.download("http://updates.example/update.exe", target, "0CC175B9C0F1B6A831C399E269772661",
    (p) => showStatus(`${p.progress}% of ${p.totalSize} bytes, ${p.speed}, ${p.leftTime} left`),
    (done) => {
      if (!done.success) return showStatus(done.isCancel ? "stopped" : done.message);
      kv.silentInstall(done.filename, "/NORESTART",
        (p) => showStatus(`installing ${p.progress}/${p.progressMax}`),
        (result) => showStatus(result.success ? result.message : "failed: " + result.message));
    });
  for (const url of kv.getAllDownloadUrls()) kv.stopDownload(url, true);
  for (const info of kv.getAllInstallInfos()) showStatus(`${info.silent ? "silent " : ""}${info.installFile}`);
  // @ts-expect-error progress records carry text percentages
  kv.download("u", "f", "", (p: { progress: number }) => p);
}

function postForm(kv: KVNative.Module): void {
  kv.postMultipartFormData("http://api.example/upload", { "X-Token": "t" }, { name: "a", count: 1 },
    (success, response) => {
      if (success && typeof response === "object" && !Array.isArray(response)) showStatus(String(response.id));
      else showStatus(String(response));
    });
  kv.getMultipartFormData("http://api.example/list", undefined, (success) => showStatus(String(success)));
}

function files(kv: KVNative.Module): void {
  const dir = kv.currentProcessDir();
  for (const entry of kv.getFilesOfDir(dir)) {
    if (entry.type === "file") showStatus(`${entry.name} ${entry.sizeStr} ${entry.lib}`);
    else showStatus(entry.name + "\\");
  }
  const info = kv.getDirInfos(dir);
  if (info && info.filesCount !== undefined) showStatus(`${info.filesCount} files, ${info.filesSizeStr}`);
  kv.copyFile(dir + "\\a.ini", dir + "\\b.ini");
  kv.saveStrToFile(dir + "\\note.txt", "text", "gbk");
  kv.setIniValue(dir + "\\b.ini", "system", "debug", "1");
  for (const { key, value } of kv.getIniSectionValues(dir + "\\b.ini", "system")) showStatus(key + "=" + value);
  kv.setRegKeyValue(kv.HKEY_CURRENT_USER, "Software\\Example\\Count", 31);
  kv.shellExecute("open", "notepad.exe", "", "", kv.SW_NORMAL);
  kv.runFileDialog("openm", "Choose files", "", "*.txt", (paths) => paths.forEach(showStatus));
  const os = kv.getOSInfo();
  showStatus(`${os.name ?? os.version} ${os.win64} ${kv.getMemoryStatus().Usage}%`);
  for (const drive of kv.getAllDrivers()) if (drive.type === "removable") showStatus(drive.name);
  showStatus(kv.getUrlParams(location.href)["id"] ?? "");
  kv.log(kv.createGUID() + " " + kv.version);
  kv.debugMode = true;
  kv.areacode = "4400";
  // @ts-expect-error the version is a constant
  kv.version = "2";
}

function memoryStore(kv: KVNative.Module): void {
  kv.memStore.set("session.user", { id: "u1", roles: ["a"] });
  kv.memStore.set("session.count", 3);
  kv.memStore.set("session.handler", (x: number) => x * 2);
  const user = kv.memStore.get("session.user");
  if (user && typeof user === "object" && !Array.isArray(user)) showStatus(String(user.id));
  const handler = kv.memStore.get("session.handler");
  if (typeof handler === "function") showStatus(String(handler(21)));
  kv.memStore.clear("session.count");
}

function tracking(kv: KVNative.Module): void {
  kv.hotGather.init("user-1", "product-1");
  if (kv.hotGather.enable) kv.hotGather.track("open", { page: "home" });
  const sent: boolean | undefined = kv.hotGather.track("close");
  showStatus(String(sent));
}

function windowControls(kv: KVNative.Module): void {
  document.getElementById("caption")?.addEventListener("mousedown", () => kv.window.command("caption"));
  document.getElementById("max")?.addEventListener("click",
    () => kv.window.command(kv.window.isZoomed() ? "restore" : "max"));
  const box = kv.window.box();
  kv.window.move(box.left + 10, box.top, box.width, box.height);
  if (kv.window.isIconic()) kv.window.bringToTop();
}

function device(kv: KVNative.Module): void {
  if (!kv.rdk.inserted) return;
  showStatus(`${kv.rdk.id} ${kv.rdk.version} ${kv.rdk.sn} on ${kv.rdk.driver} ${kv.rdk.localMirrorPath}`);
  kv.rdk.onPullIn((e) => showStatus(`plugged in at ${e.driver}, area ${e.areacode}, ${e.mainfile ?? "no launcher"}`));
  kv.rdk.onPullOut((e) => showStatus(`pulled out of ${e.driver}`));
  kv.rdk.onPullOut(null);
  const app = kv.rdk.existApp("app-1");
  if (app === null) {
    kv.rdk.addApp({ appId: "app-1", appName: "App", appPath: "C:\\app", appVersion: "1.0" },
      (p) => showStatus(`${p.appName}: ${p.message} ${p.progress}/${p.progressMax}`),
      (done) => showStatus(done.success ? done.appPath : done.message));
  }
  kv.rdk.installApp("app-1", (p) => showStatus(p.appID), (done) => showStatus(done.appId));
  kv.rdk.runBsSoft("soft-1", { cmdline: "-portable" }, (p) => showStatus(p.rdkSoftId), (d) => showStatus(d.message));
  kv.rdk.appInitToLocal("soft-1", null, undefined, (d) => showStatus(String(d.success)));
  kv.rdk.addTaxpayer({ nsrsbh: "91440000000000000X", nsrmc: "Example Co." });
  kv.rdk.modifyTaxpayer("91440000000000000X", { nsrsbh: "91440000000000001X" });
  for (const t of kv.rdk.getTaxpayers()) showStatus(t.nsrmc ?? "");
  kv.rdk.delTaxpayer("91440000000000001X");
  showStatus(kv.rdk.userDataPath("pc") + kv.rdk.localAppPath("pc") + kv.rdk.appInstallPath("app-1"));
  showStatus(kv.rdk.getAllAddApps().concat(kv.rdk.getAllInstallApps()).join(","));
  kv.rdk.showPanel();
  kv.rdk.pullOut();
  // @ts-expect-error an install's progress record spells its id "appID"
  kv.rdk.installApp("app-1", (p) => showStatus(p.appId));
}

function repository(kv: KVNative.Module): void {
  if (!kv.appRepo.enable) return;
  kv.appRepo.add("pid-1", "1.0.0", "C:\\Apps\\One", { name: "One", mainfile: "one.exe" });
  const entry = kv.appRepo.query("pid-1");
  if (entry) showStatus(`${entry.version} ${entry.serverflie}`);
  kv.appRepo.update("pid-1", "1.0.1", "C:\\Apps\\One");
  kv.appRepo.keeper("pid-1", "C:\\Apps\\One\\one.exe", { channel: "stable" });
  kv.appRepo.ext.set("pid-1", "settings", { theme: "dark" });
  for (let i = 0; i < kv.appRepo.ext.count; ++i) {
    const ext = kv.appRepo.ext.enum("pid-1", i);
    if (ext) showStatus(ext.key + "=" + ext.value + kv.appRepo.ext.get("pid-1", ext.key));
  }
  kv.appRepo.ext.delete("pid-1", "settings");
  showStatus(kv.appRepo.pidList.join(";") + kv.appRepo.rootPath + kv.appRepo.libfile);
  kv.appRepo.delete("pid-1");
}

function account(kv: KVNative.Module): void {
  if (!kv.KVAccount.enable) return;
  kv.KVAccount.config("app-id", "app-secret");
  kv.KVAccount.domain = "accounts.example";
  kv.account.onLoginUserChanged((change) => {
    showStatus(`${change.changer.isCurrentProcess ? "here" : change.changer.processId}: ${change.newUser?.name}`);
  });
  if (kv.KVAccount.logined) showStatus(String(kv.KVAccount.loginedUser?.name));
  kv.KVAccount.loginedUser = null;
  showStatus(kv.KVAccount.appId + kv.KVAccount.appSecret);
  // @ts-expect-error the application id is read-only
  kv.KVAccount.appId = "other";
}

function webForms(kv: KVNative.Module): void {
  if (!kv.webform.enable) return;
  kv.webform.companyBindType = kv.webform.companyBindType || "1";
  kv.webform.show("http://forms.example/notice", 400, 300, { stayOnTop: true });
  kv.webform.modal("http://forms.example/login", 480, 360, (r) => {
    if (typeof r.result === "number") showStatus(`closed with ${r.result} from ${r.url}`);
  });
  kv.webform.onAddCompany((company) => showStatus(JSON.stringify(company)));
  kv.webform.onUpdateUserInfo(null);
  kv.webform.onGetMessage((text, data) => showStatus(text + (typeof data === "string" ? data : "")));
}

function encrypted(kv: KVNative.Module): void {
  const secret = kv.aesEncrypt("text", "key");
  showStatus(kv.aesDecrypt(secret, "key") + kv.base64Decode(kv.base64Encode("x")) + kv.getStrMd5Code("x"));
  kv.evalEncryptScript(secret, (value) => showStatus(String(value)));
}

export const pageParts: Array<(kv: KVNative.Module) => void> = [
  downloadUpdate, postForm, files, memoryStore, tracking, windowControls, device, repository, account, webForms,
  encrypted,
];
