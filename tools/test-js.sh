#!/usr/bin/env bash
# The client script's tests: Node's test runner over the script, its agreement
# with the method table and its TypeScript declarations; the declarations
# against a sample page (tsc --noEmit); and the script as the real 32-bit DLL
# serves it under Wine. Runs alone too: sets up and builds what it needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
js=$root/tests/js
build=$root/build/win32

"$root/tools/setup.sh"

# The pinned TypeScript, installed again only when the lockfile changed.
stamp=$js/node_modules/.kv-lock
if ! cmp -s "$js/package-lock.json" "$stamp" 2>/dev/null; then
  (cd "$js" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$js/package-lock.json" "$stamp"
fi

# The script as the DLL serves it for a known base URL.
"$root/tools/build.sh" win32 >/dev/null
url=http://127.0.0.1:52017/KVNative
served=ClientScript.served.js
(cd "$build/bin" && rm -f "$served" && ../wine-run ServeClientScript.exe "$url" "$served" </dev/null)

cd "$js"
KV_SERVED_SCRIPT=$build/bin/$served KV_SERVED_URL=$url node --test --test-reporter=dot ./*.test.js
node_modules/.bin/tsc --noEmit -p tsconfig.json
echo "client script tests passed"
