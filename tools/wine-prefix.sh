#!/usr/bin/env bash
# Creates a Wine prefix once (safe when several tests start at the same time).
set -euo pipefail
prefix=$1
[ -f "$prefix/.kv-ready" ] && exit 0
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.kv-ready" ] && exit 0
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wineserver -w
touch "$prefix/.kv-ready"
