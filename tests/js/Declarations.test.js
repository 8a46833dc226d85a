// The TypeScript declarations describe the module the script builds: the same
// members in the same order, getters read-only where the script has no
// setter, constants as their literal values. Read with the pinned compiler.
"use strict";

const test = require("node:test");
const assert = require("node:assert/strict");
const path = require("node:path");
const { root, scriptSource, loadModule, memberNames } = require("./harness");

let ts;
try {
  ts = require("typescript");
} catch {
  ts = null;
}
const skip = ts ? false : "needs the pinned typescript (npm ci in tests/js)";

// Members of KVNative.Module, namespaces walked, in the form memberNames gives
// for the script.
function declaredMembers() {
  const file = path.join(root, "types", "kvnative.d.ts");
  const program = ts.createProgram([file], { noEmit: true, types: [], strict: true });
  const checker = program.getTypeChecker();
  const source = program.getSourceFile(file);
  const namespace = source.statements.find((s) => ts.isModuleDeclaration(s) && s.name.text === "KVNative");
  const interfaces = new Map(namespace.body.statements.filter(ts.isInterfaceDeclaration).map((d) => [d.name.text, d]));

  function walk(iface, prefix) {
    const names = [];
    for (const symbol of checker.getTypeAtLocation(iface.name).getProperties()) {
      const decls = symbol.getDeclarations();
      const decl = decls[0];
      const full = prefix + symbol.name;
      if (ts.isMethodSignature(decl)) {
        names.push(full);
        continue;
      }
      if (ts.isGetAccessorDeclaration(decl) || ts.isSetAccessorDeclaration(decl)) {
        if (decls.some(ts.isGetAccessorDeclaration)) names.push("get " + full);
        if (decls.some(ts.isSetAccessorDeclaration)) names.push("set " + full);
        continue;
      }
      const readonly = (ts.getCombinedModifierFlags(decl) & ts.ModifierFlags.Readonly) !== 0;
      const typeName = decl.type && ts.isTypeReferenceNode(decl.type) ? decl.type.typeName.getText(source) : "";
      const type = checker.getTypeOfSymbolAtLocation(symbol, decl);
      if (!readonly && interfaces.has(typeName)) names.push(...walk(interfaces.get(typeName), full + "."));
      else if (readonly && type.isLiteral()) names.push(full);
      else if (readonly) names.push("get " + full);
      else names.push("get " + full, "set " + full);
    }
    return names;
  }
  return walk(interfaces.get("Module"), "");
}

test("kvnative.d.ts declares the module's members in the script's order", { skip }, () => {
  const { kv } = loadModule(scriptSource());
  assert.deepEqual(declaredMembers(), memberNames(kv));
});
