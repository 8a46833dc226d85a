#!/usr/bin/env bash
# Extraction speed of ExtractZipFile beside unzip and bsdtar on one archive of
# about 2,000 files and 500 MB (text and binary content, made by zip at its
# default level under build/zipbench, once). Each tool extracts into a fresh
# directory, warm cache, several runs; prints the best time, MB/s of
# uncompressed output and the ratios. Not part of CI.
#   tools/bench-zip.sh [runs]   (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
work=$root/build/zipbench
archive=$work/bench.zip
mkdir -p "$work"

tools=("$root/tools/build.sh" win32)
"${tools[@]}" >/dev/null

if [ ! -f "$archive" ]; then
  echo "making the archive (once)"
  rm -rf "$work/src"
  python3 - "$work/src" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(2021)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 10))) for _ in range(5000)]
pool = ' '.join(rng.choice(words) + ('\n' if rng.random() < 0.08 else '') for _ in range(400000)).encode()
dirs = ['d%02d/s%d' % (i, j) + ('/t%d' % (k % 3) if k % 2 else '') for i, j, k in
        ((i, j, i * 7 + j) for i in range(20) for j in range(5))]
total = 0
for n in range(2000):
    size = int(2 ** rng.uniform(11, 20.7))  # 2 KiB to about 1.6 MiB
    d = os.path.join(root, dirs[n % len(dirs)])
    os.makedirs(d, exist_ok=True)
    if n % 5 < 3:  # text: slices of a word pool
        at = rng.randrange(len(pool) - 1)
        data = (pool[at:] + pool)[:size]
        name = 'f%04d.txt' % n
    else:          # binary: random runs mixed with repeated records
        parts, have = [], 0
        while have < size:
            if rng.random() < 0.5:
                chunk = rng.randbytes(rng.randint(64, 4096))
            else:
                chunk = rng.randbytes(rng.randint(8, 64)) * rng.randint(4, 64)
            parts.append(chunk)
            have += len(chunk)
        data = b''.join(parts)[:size]
        name = 'f%04d.bin' % n
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)
    total += size
print('%d files, %.1f MB' % (2000, total / 1e6))
PY
  (cd "$work/src" && zip -q -r "$archive.part" .)
  mv "$archive.part" "$archive"
  rm -rf "$work/src"
fi

read -r files bytes < <(python3 -c "
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
e = [i for i in z.infolist() if not i.is_dir()]
print(len(e), sum(i.file_size for i in e))" "$archive")
mb=$(python3 -c "print($bytes / 1e6)")
printf 'archive: %s files, %.1f MB uncompressed, %.1f MB compressed\n' "$files" "$mb" \
  "$(python3 -c "import os; print(os.path.getsize('$archive') / 1e6)")"

build=$root/build/win32
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
"$root/tools/wine-prefix.sh" "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
winarchive=$(winepath -w "$archive")

# Rounds alternate the tools so that a busy machine weighs on all alike. Each
# run: wall time, and CPU time (user + system of the tool's processes; for
# Wine also the wineserver's).
python3 - "$archive" "$work/out" "$build" "$winarchive" "$(winepath -w "$work/out")" "$runs" "$mb" <<'PY'
import os, shutil, subprocess, sys, time
archive, out, build, winarchive, winout, runs, mb = sys.argv[1:]
runs, mb = int(runs), float(mb)
# This prefix's wineserver (other prefixes may have their own).
prefix = ('WINEPREFIX=' + os.environ['WINEPREFIX']).encode()
server = [pid for pid in subprocess.run(['pgrep', '^wineserver'], capture_output=True, text=True).stdout.split()
          if prefix in open('/proc/%s/environ' % pid, 'rb').read().split(b'\0')]

def server_cpu():
    if not server:
        return 0.0
    f = open('/proc/%s/stat' % server[0]).read().rsplit(')', 1)[1].split()
    return (int(f[11]) + int(f[12])) / os.sysconf('SC_CLK_TCK')

tools = {
    'ExtractZipFile (Wine)': (['wine', 'bench_ZipBench.exe', winarchive, winout], os.path.join(build, 'bin')),
    'unzip': (['unzip', '-q', '-o', archive, '-d', out], None),
    'bsdtar': (['bsdtar', '-xf', archive, '-C', out], None),
}
results = {name: [] for name in tools}  # (wall, cpu, inner) per run
for round in range(runs + 1):  # the first round warms the cache
    for name, (cmd, cwd) in tools.items():
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        s0 = server_cpu()
        t0 = time.perf_counter()
        p = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE)
        text = p.stdout.read().decode().strip()
        _, status, usage = os.wait4(p.pid, 0)
        wall = time.perf_counter() - t0
        if status != 0:
            sys.exit('%s failed' % name)
        cpu = usage.ru_utime + usage.ru_stime + (server_cpu() - s0 if cmd[0] == 'wine' else 0)
        if round:
            results[name].append((wall, cpu, float(text) if cmd[0] == 'wine' else None))
best = {name: (min(r)[0], min(x[1] for x in r), min(r)[2]) for name, r in results.items()}
shutil.rmtree(out, ignore_errors=True)

base_u, base_b = best['unzip'], best['bsdtar']
print('%-24s %8s %8s %10s %10s %9s %9s' % ('', 'wall s', 'MB/s', 'vs unzip', 'vs bsdtar', 'CPU s', 'CPU MB/s'))
for name, (wall, cpu, inner) in best.items():
    print('%-24s %8.2f %8.1f %9.2fx %9.2fx %9.2f %9.1f' % (name, wall, mb / wall, base_u[0] / wall, base_b[0] / wall,
                                                        cpu, mb / cpu))
    if inner is not None:
        print('%-24s %8.2f %8.1f   (inside the process: without Wine start-up)' % ('', inner, mb / inner))
print('best of %d rounds; warm cache; ratios above 1 mean faster than that tool' % runs)
PY
