#!/usr/bin/env bash
# Configures and builds one tree: win32 (the product), win64 or native (the
# portable core under the sanitizers, with the fuzz targets).
#   tools/build.sh win32|win64|native|bench
# (bench: the native tree optimised and without sanitizers, for benchmarks)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: build.sh win32|win64|native|bench}
build=$root/build/$kind
case $kind in
  win32) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake") ;;
  win64) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake") ;;
  native) args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKV_SANITIZE=ON -DKV_FUZZ=ON) ;;
  bench) args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release -DKV_TESTS=OFF) ;;
  *) echo "unknown build kind: $kind" >&2; exit 2 ;;
esac
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja "${args[@]}" >/dev/null
fi
cmake --build "$build" -- -j"$(nproc)"
