// Evaluates the client script as a page does, against recording fakes of the
// host's globals Ajax, requestSync and ajaxWrapFunc.
"use strict";

const fs = require("node:fs");
const path = require("node:path");

const root = path.resolve(__dirname, "..", "..");

function readSource(relative) {
  return fs.readFileSync(path.join(root, relative), "utf8");
}

// The text the DLL's resource is built from.
function scriptSource() {
  return readSource("src/ClientScript.js");
}

// The fake's name for a wrapped page function: the function's own name, so
// that a test sees which function went where.
function wrappedName(fn) {
  return "fn:" + (typeof fn === "function" ? fn.name : String(fn));
}

// Evaluates `text` (one expression) with the fakes in scope and returns the
// module object and the record. `answer(method, params)` gives the value of
// each requestSync; by default every call answers a fresh object, so that a
// test can check the member hands it back unchanged.
function loadModule(text, answer) {
  const record = { ajax: [], calls: [], wrapped: [] };
  const channel = {
    requestSync(...args) {
      const [method, second, params] = args;
      const result = answer ? answer(method, params) : { answerTo: method };
      record.calls.push({ method, second, params, argc: args.length, result });
      return result;
    },
  };
  function Ajax(url) {
    record.ajax.push(url);
    return channel;
  }
  function ajaxWrapFunc(fn) {
    record.wrapped.push(fn);
    return wrappedName(fn);
  }
  // "return (" on one line: a text that is not a single expression fails here.
  const evaluate = new Function("Ajax", "ajaxWrapFunc", "return (" + text + "\n);");
  const kv = evaluate(Ajax, ajaxWrapFunc);
  return { kv, record };
}

// The module's members in definition order, as "get x", "set x", "ns.member"
// and constant names; namespaces are walked, not listed.
function memberNames(object, prefix = "") {
  const names = [];
  for (const name of Object.getOwnPropertyNames(object)) {
    const d = Object.getOwnPropertyDescriptor(object, name);
    const full = prefix + name;
    if (d.get) names.push("get " + full);
    if (d.set) names.push("set " + full);
    if (!("value" in d)) continue;
    if (d.value !== null && typeof d.value === "object") names.push(...memberNames(d.value, full + "."));
    else names.push(full);
  }
  return names;
}

// Rows of the dispatcher's method table, read from its source:
// {u"Name", kResult, {Kind(u"param"), ...}},
function webMethodTable() {
  const text = readSource("src/WebMethodTable.cpp");
  const body = text.slice(text.indexOf("kRows[] = {"));
  const rows = new Map();
  const rowPattern = /^\s*\{u"(\w+)", (k\w+), \{(.*)\}\},\s*$/gm;
  for (const [, name, result, params] of body.matchAll(rowPattern)) {
    const names = [...params.matchAll(/\w+\(u"(\w+)"/g)].map((m) => m[1]);
    rows.set(name, { result, params: names });
  }
  return rows;
}

module.exports = { root, readSource, scriptSource, wrappedName, loadModule, memberNames, webMethodTable };
