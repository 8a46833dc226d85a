#!/usr/bin/env bash
# Creates a Wine prefix once (safe when several tests start at the same time),
# with the test drives: r: removable and q: CD-ROM, each a folder of the
# prefix's own.
set -euo pipefail
prefix=$1
ready() { [ -f "$prefix/.kv-ready" ] && [ -f "$prefix/.kv-drives" ]; }
ready && exit 0
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
ready && exit 0
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/.kv-ready" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.kv-ready"
fi
if [ ! -f "$prefix/.kv-drives" ]; then
  # Wine takes drive kinds from the 64-bit registry view when its mount
  # manager starts, so the server is stopped once the values are in.
  for drive in r:floppy q:cdrom; do
    letter=${drive%%:*} kind=${drive#*:}
    mkdir -p "$prefix/drives/$letter"
    ln -sfn "../drives/$letter" "$prefix/dosdevices/$letter:"
    wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "$kind" /f /reg:64 >/dev/null 2>&1
  done
  wineserver -w
  touch "$prefix/.kv-drives"
fi
