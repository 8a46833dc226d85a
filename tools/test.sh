#!/usr/bin/env bash
# Sets up the machine, builds every tree and runs every test: the portable
# core natively under AddressSanitizer and UndefinedBehaviorSanitizer, the
# Windows builds (32-bit, the product, and 64-bit) under Wine, the client
# script's tests under Node, and the fuzz targets for a bounded time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

step() { echo "== $* (at ${SECONDS}s)"; }

step "set-up"
tools/setup.sh
for kind in native win32 win64; do
  step "build $kind"
  tools/build.sh "$kind"
done

step "native tests (sanitizers)"
ctest --test-dir build/native --output-on-failure -j"$(nproc)"

for kind in win32 win64; do
  step "$kind tests under Wine"
  xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-ctest.sh "build/$kind"
done

step "client script tests"
tools/test-js.sh

step "fuzzing"
tools/fuzz.sh
echo "== all tests passed in ${SECONDS}s"
