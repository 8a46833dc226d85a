#!/usr/bin/env bash
# The main job: builds the product (32-bit) and runs the example host, which
# loads KVNative.dll as a web shell does, prints the head of the served client
# script and the results of a few page calls.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/setup.sh
tools/build.sh win32
build=$root/build/win32
cd "$build/bin"
"$build/wine-run" ExampleHost.exe
