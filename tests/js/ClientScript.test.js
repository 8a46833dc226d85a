// The client script as its source file holds it: its text, every member's
// call, and the members with logic of their own (the memory store's typed
// envelope, usage tracking).
"use strict";

const test = require("node:test");
const assert = require("node:assert/strict");
const { scriptSource, loadModule, memberNames } = require("./harness");
const { cases, checkCase } = require("./memberCases");

const source = scriptSource();

test("the text is plain ASCII, one expression, with one placeholder as its argument", () => {
  assert.notEqual(source.charCodeAt(0), 0xfeff, "no byte-order mark");
  for (let i = 0; i < source.length; ++i) {
    assert.ok(source.charCodeAt(i) < 0x80, `non-ASCII character at offset ${i}`);
  }
  // The host replaces only the first occurrence, whatever its case.
  assert.equal(source.toLowerCase().split("%url%").length, 2);
  assert.match(source, /^\(function \(url\) \{/);
  assert.match(source, /\}\)\("%url%"\);?\s*$/);
});

test("the channel is made once, for the base URL's methods", () => {
  const { record } = loadModule(source.replace("%url%", "http://127.0.0.1:8/base"));
  assert.deepEqual(record.ajax, ["http://127.0.0.1:8/base/methods"]);
  assert.deepEqual(record.calls, [], "evaluating the script calls no method");
});

test("the module has exactly the members of the table, in its order", () => {
  const { kv } = loadModule(source);
  assert.deepEqual(memberNames(kv), [...new Set(cases.map((c) => c.member))]);
});

test("every member", async (t) => {
  for (const c of cases) {
    await t.test(`${c.member}: ${c.run.toString().replace(/^\(kv\) => /, "")}`, () => {
      checkCase(source, c);
    });
  }
});

// A store that behaves like the library's: it keeps the text sent, an empty
// text removes the entry, and an empty path reads as the undefined record.
function storeAnswer() {
  const store = new Map();
  return (method, params) => {
    if (method === "SetMemStore") {
      if (params.value === "") store.delete(params.path);
      else store.set(params.path, params.value);
      return true;
    }
    return store.has(params.path) ? JSON.parse(store.get(params.path)) : { type: "undefined" };
  };
}

test("memStore.set sends script values in their typed envelope", async (t) => {
  function add(a, b) { return a + b; }
  const envelope = (type, value) => JSON.stringify({ type, value });
  const table = [
    [0, ""], [false, ""], ["", ""], [null, ""], [undefined, ""], [NaN, ""],
    [true, envelope("boolean", "true")],
    ["text", envelope("string", "text")],
    [42, envelope("integer", "42")],
    [-7, envelope("integer", "-7")],
    [1.5, envelope("float", "1.5")],
    [{ a: 1 }, envelope("object", '{"a":1}')],
    [[1, "x"], envelope("object", '[1,"x"]')],
    [add, envelope("function", add.toString())],
  ];
  for (const [value, sent] of table) {
    await t.test(String(value), () => {
      const { kv, record } = loadModule(source);
      kv.memStore.set("a.b", value);
      assert.deepEqual(record.calls.map((c) => c.params), [{ path: "a.b", value: sent }]);
    });
  }
});

test("memStore.get gives back what memStore.set stored", async (t) => {
  const values = [true, "text", "true", 42, -7, 1e21, 1.5, { a: 1, b: [2, "3"] }, [1, "x"]];
  for (const value of values) {
    await t.test(JSON.stringify(value), () => {
      const { kv } = loadModule(source, storeAnswer());
      assert.equal(kv.memStore.set("k", value), true);
      assert.deepEqual(kv.memStore.get("k"), value);
    });
  }
  await t.test("a function, evaluated again", () => {
    const { kv } = loadModule(source, storeAnswer());
    kv.memStore.set("f", function (a, b) { return a * b; });
    const f = kv.memStore.get("f");
    assert.equal(typeof f, "function");
    assert.equal(f(6, 7), 42);
  });
  await t.test("falsy values and clear leave nothing", () => {
    const { kv } = loadModule(source, storeAnswer());
    kv.memStore.set("k", "x");
    kv.memStore.set("k", false);
    assert.equal(kv.memStore.get("k"), undefined);
    kv.memStore.set("k", "x");
    kv.memStore.clear("k");
    assert.equal(kv.memStore.get("k"), undefined);
  });
});

test("memStore.get decodes by the record's type", () => {
  const table = [
    [{ type: "boolean", value: "false" }, false],
    [{ type: "boolean", value: "TRUE" }, false],
    [{ type: "integer", value: "12" }, 12],
    [{ type: "float", value: "2.25" }, 2.25],
    [{ type: "undefined" }, undefined],
    [{ type: "date", value: "2020" }, undefined],
    // A host that delivers nothing for an empty result.
    [null, undefined],
    [undefined, undefined],
  ];
  for (const [answer, expected] of table) {
    const { kv } = loadModule(source, () => answer);
    assert.deepEqual(kv.memStore.get("k"), expected, JSON.stringify(answer));
  }
});

test("hotGather asks once whether tracking is on and sends nothing while it is off", () => {
  const { kv, record } = loadModule(source, (method) => (method === "HotGatherEnable" ? false : true));
  assert.equal(kv.hotGather.track("theme", "data", "u", "p"), undefined);
  assert.equal(kv.hotGather.enable, false);
  assert.equal(kv.hotGather.track("theme"), undefined);
  assert.deepEqual(record.calls.map((c) => c.method), ["HotGatherEnable"]);
});

test("hotGather.track fills in the ids that init stored", () => {
  const { kv, record } = loadModule(source, (method) => (method === "HotGatherEnable" ? true : { sent: method }));
  kv.hotGather.track("before", "d");
  assert.equal(kv.hotGather.init("user-1", "product-1"), true);
  kv.hotGather.track("after", { page: "home" });
  kv.hotGather.track("explicit", "d", "user-2", "product-2");
  assert.equal(kv.hotGather.enable, true);
  assert.deepEqual(record.calls.map((c) => [c.method, c.params]), [
    ["HotGatherEnable", {}],
    ["HotGatherTrack", { uid: "", pid: "", theme: "before", data: "d" }],
    ["HotGatherTrack", { uid: "user-1", pid: "product-1", theme: "after", data: '{"page":"home"}' }],
    ["HotGatherTrack", { uid: "user-2", pid: "product-2", theme: "explicit", data: "d" }],
  ]);
});

test("each page's module keeps its own tracking state", () => {
  const first = loadModule(source, () => true);
  const second = loadModule(source, () => false);
  first.kv.hotGather.init("u", "p");
  assert.equal(first.kv.hotGather.enable, true);
  assert.equal(second.kv.hotGather.enable, false);
  assert.equal(second.kv.hotGather.track("t"), undefined);
});
