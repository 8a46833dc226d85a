// The two sides of a page call agree: every web method the client script
// calls is a row of the dispatcher's method table with the parameters the
// script sends, and every row is reachable from the script.
"use strict";

const test = require("node:test");
const assert = require("node:assert/strict");
const { scriptSource, readSource, webMethodTable } = require("./harness");
const { cases, runCase } = require("./memberCases");

// Rows no member calls.
const UNREACHED = new Set(["RDKGetQbzInfo"]);
// Rows whose parameters the script does not send; they reach the library as
// empty text.
const UNSENT_PARAMS = new Set(["CreateAppKey", "AppRepoExtCount"]);

const table = webMethodTable();

// What the script sends, over every member case: method -> parameter names.
function sentByScript() {
  const source = scriptSource();
  const sent = new Map();
  for (const c of cases) {
    for (const call of runCase(source, c).record.calls) {
      if (!sent.has(call.method)) sent.set(call.method, []);
      sent.get(call.method).push(Object.keys(call.params));
    }
  }
  return sent;
}

test("the table is read whole from its source", () => {
  const text = readSource("src/WebMethodTable.cpp");
  const block = text.slice(text.indexOf("kRows[] = {"), text.indexOf("};", text.indexOf("kRows[] = {")));
  const rowLines = block.split("\n").filter((line) => line.trim().startsWith('{u"'));
  assert.ok(rowLines.length > 0);
  assert.equal(table.size, rowLines.length, "every row line parses");
  for (const name of UNREACHED) assert.ok(table.has(name), name);
  for (const name of UNSENT_PARAMS) assert.ok(table.has(name), name);
});

test("every method the script calls is a row, with the row's parameters in its order", () => {
  for (const [method, calls] of sentByScript()) {
    const row = table.get(method);
    assert.ok(row, `${method} is not in the method table`);
    for (const keys of calls) {
      for (const key of keys) assert.ok(row.params.includes(key), `${method} has no parameter ${key}`);
      assert.deepEqual(keys, row.params.filter((p) => keys.includes(p)), `${method}: parameter order`);
    }
    const union = new Set(calls.flat());
    const expected = UNSENT_PARAMS.has(method) ? [] : row.params;
    assert.deepEqual([...union].sort(), [...expected].sort(), `${method}: parameters sent`);
  }
});

test("every row but the unreached ones is called by a member", () => {
  const sent = sentByScript();
  const missing = [...table.keys()].filter((name) => !sent.has(name) && !UNREACHED.has(name));
  assert.deepEqual(missing, []);
  for (const name of UNREACHED) assert.ok(!sent.has(name), `${name} is called after all`);
});
