#!/usr/bin/env bash
# Replays each fuzz target's seed corpus, then fuzzes it for a bounded time
# (KV_FUZZ_SECONDS, default 60) into a scratch copy of the corpus. Any crash,
# leak or timeout fails the run; the reproducer is left in build/fuzz-findings.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${KV_FUZZ_SECONDS:-60}
findings=$root/build/fuzz-findings
mkdir -p "$findings"
shopt -s nullglob
for exe in "$root"/build/native/bin/fuzz_*; do
  name=${exe##*/fuzz_}
  corpus=$root/fuzz/corpus/$name
  work=$root/build/fuzz-work/$name
  rm -rf "$work" && mkdir -p "$work"
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "fuzz $name: replaying $(ls "$work" | wc -l) seeds, then ${seconds}s"
  "$exe" -runs=0 "$work" >/dev/null 2>"$findings/$name.replay.log" || { cat "$findings/$name.replay.log"; exit 1; }
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/$name-" \
    -print_final_stats=1 "$work" >/dev/null 2>"$findings/$name.log" || { tail -50 "$findings/$name.log"; exit 1; }
  grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$findings/$name.log" | tail -1 || true
done
