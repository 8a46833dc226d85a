#!/usr/bin/env bash
# Runs the CTest suite of a Windows build tree under Wine: the tree's prefix,
# one persistent wineserver for the whole run. Call it under a display
# (tools/test.sh runs it inside xvfb-run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
shift
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
"$root/tools/wine-prefix.sh" "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# Start the prefix's background services now, detached from our output: a
# service started by the first test would inherit that test's output pipe and
# keep CTest waiting for it to close.
wine wineboot </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
