#!/usr/bin/env bash
# File hashing throughput: GetFileMd5Code and GetFileSHA1Code of the library
# under Wine against md5sum and sha1sum on the same 1 GiB file, in the same
# run, with the file in the page cache for all of them. Prints wall-clock
# MB/s and MB/s by CPU time (user + system; steadier when other work shares
# the machine), best of three runs each (1 MB = 10^6 bytes), and the ratios.
#   tools/bench-hash.sh [win32|win64]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-win32}
cd "$root"
tools/build.sh "$kind" >/dev/null
build=$root/build/$kind
file=$root/build/hashbench-1GiB.bin
size=$((1024 * 1024 * 1024))
if [ ! -f "$file" ] || [ "$(stat -c %s "$file")" -ne "$size" ]; then
  echo "making $file"
  head -c "$size" /dev/urandom >"$file"
fi
cat "$file" >/dev/null

mbps() { awk -v b="$size" -v s="$1" 'BEGIN { printf "%.1f", b / s / 1e6 }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a ? b : a) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Sets wall and cpu to the best MB/s of three runs of a tool.
run_tool() {
  wall=0 cpu=0
  local times
  for _ in 1 2 3; do
    times=$( { /usr/bin/time -f '%e %U %S' "$@" >/dev/null; } 2>&1)
    wall=$(max "$wall" "$(mbps "$(echo "$times" | awk '{ print $1 }')")")
    cpu=$(max "$cpu" "$(mbps "$(echo "$times" | awk '{ print $2 + $3 }')")")
  done
}

run_tool md5sum "$file"
md5_wall=$wall md5_cpu=$cpu
run_tool sha1sum "$file"
sha1_wall=$wall sha1_cpu=$cpu

winfile=$(WINEPREFIX=$build/wineprefix winepath -w "$file" 2>/dev/null)
out=$(cd "$build/bin" && "$build/wine-run" bench_HashBench.exe "$winfile" 3 | tr -d '\r')
echo "$out"
field() { echo "$out" | awk -v op="$1" -v n="$2" '$1 == op { print $n }'; }

# The digests must agree, or the figures mean nothing.
[ "$(field GetFileMd5Code 6)" = "$(md5sum "$file" | cut -d' ' -f1)" ] || { echo "MD5 differs" >&2; exit 1; }
[ "$(field GetFileSHA1Code 6)" = "$(sha1sum "$file" | cut -d' ' -f1 | tr a-f A-F)" ] || { echo "SHA-1 differs" >&2; exit 1; }

printf '\n%-16s %12s %12s   %-8s %12s %12s   %s\n' operation wall-MB/s cpu-MB/s tool wall-MB/s cpu-MB/s "ratio wall / cpu"
printf '%-16s %12s %12s   %-8s %12s %12s   %s / %s\n' \
  GetFileMd5Code "$(field GetFileMd5Code 2)" "$(field GetFileMd5Code 4)" md5sum "$md5_wall" "$md5_cpu" \
  "$(ratio "$(field GetFileMd5Code 2)" "$md5_wall")" "$(ratio "$(field GetFileMd5Code 4)" "$md5_cpu")"
printf '%-16s %12s %12s   %-8s %12s %12s   %s / %s\n' \
  GetFileSHA1Code "$(field GetFileSHA1Code 2)" "$(field GetFileSHA1Code 4)" sha1sum "$sha1_wall" "$sha1_cpu" \
  "$(ratio "$(field GetFileSHA1Code 2)" "$sha1_wall")" "$(ratio "$(field GetFileSHA1Code 4)" "$sha1_cpu")"
