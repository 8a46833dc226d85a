// The client script as the real DLL serves it: tools/test-js.sh runs the
// fixture ServeClientScript.exe under Wine, which asks KVNative.dll through
// the test host with a known base URL and writes the served text to the file
// named by KV_SERVED_SCRIPT (the URL in KV_SERVED_URL).
"use strict";

const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const { scriptSource, loadModule, wrappedName } = require("./harness");
const { cases, checkCase } = require("./memberCases");

const servedFile = process.env.KV_SERVED_SCRIPT;
const url = process.env.KV_SERVED_URL;
const skip = servedFile && url ? false : "needs KV_SERVED_SCRIPT and KV_SERVED_URL (tools/test-js.sh sets them)";

test("the DLL serves the source text with its base URL in place of the placeholder", { skip }, () => {
  const served = fs.readFileSync(servedFile, "utf8");
  assert.equal(served, scriptSource().replace(/%url%/i, () => url));
});

test("the served script runs against the host's globals", { skip }, async (t) => {
  const served = fs.readFileSync(servedFile, "utf8");
  const { kv, record } = loadModule(served, () => true);
  assert.deepEqual(record.ajax, [url + "/methods"]);
  assert.equal(kv.version, "1.0.004");
  function onDone() {}
  assert.equal(kv.install("setup.exe", "/S", onDone), true);
  assert.deepEqual(record.calls.map((c) => [c.method, c.second, c.params]),
    [["Install", "", { installFile: "setup.exe", cmdline: "/S", onDone: wrappedName(onDone) }]]);
  for (const c of cases) {
    await t.test(c.member, () => checkCase(served, c));
  }
});
