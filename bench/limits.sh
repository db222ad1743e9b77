#!/usr/bin/env bash
# Hostile input files at growing sizes through `pelmar-cli convert`: one endless line with no
# line break, and random bytes (as they come, and without Ctrl-Z, which would end the text
# at once). Reports wall time and peak resident memory of every run, so that memory can be
# seen to stay bounded and time to grow no faster than the file.
#
#   bench/limits.sh BUILD_DIR [SIZES_MB]   (make bench-limits: bench/limits.sh build)
#
# SIZES_MB defaults to "200 1000 2000". The files live in a scratch directory under
# ${TMPDIR:-/tmp} that is removed at the end; room for the largest file is checked first.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: bench/limits.sh BUILD_DIR [SIZES_MB]" >&2
    exit 2
fi
CLI=$1/pelmar-cli
SIZES=${2:-"200 1000 2000"}
if [[ ! -x $CLI ]]; then
    echo "bench/limits.sh: $CLI is missing; build the project in $1 first" >&2
    exit 1
fi
LARGEST=0
for size in $SIZES; do
    if ! [[ $size =~ ^[1-9][0-9]*$ ]]; then
        echo "bench/limits.sh: sizes are whole megabytes, not '$size'" >&2
        exit 2
    fi
    (( size > LARGEST )) && LARGEST=$size
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/pelmar-limits.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
NEED_MB=$(( LARGEST + 100 ))
FREE_MB=$(df -Pm "$WORK" | awk 'NR == 2 { print $4 }')
if (( FREE_MB < NEED_MB )); then
    echo "bench/limits.sh: $WORK has $FREE_MB MB free, $NEED_MB MB are needed" >&2
    exit 1
fi

python3 - "$CLI" "$WORK" $SIZES <<'EOF'
import os, resource, shutil, subprocess, sys, time

cli, work, sizes = sys.argv[1], sys.argv[2], [int(s) for s in sys.argv[3:]]
env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"))
os.makedirs(env["XDG_CONFIG_HOME"], exist_ok=True)
MB = 1 << 20
CHUNK = 4 * MB

def endless_line(path, size):
    # Bars with valid dates, one after the other, but never a line break.
    unit = b"01/04/99,10,11,9,10.5,1200,7,"
    block = unit * (CHUNK // len(unit) + 1)
    with open(path, "wb") as f:
        left = size
        while left > 0:
            f.write(block[:min(CHUNK, left)])
            left -= CHUNK

def random_bytes(path, size, no_eof=False):
    with open(path, "wb") as f:
        left = size
        while left > 0:
            data = os.urandom(min(CHUNK, left))
            if no_eof:
                data = data.replace(b"\x1a", b"\x1b")
            f.write(data)
            left -= len(data)

def measure(args):
    # A fresh interpreter per run, so that ru_maxrss is this run's peak alone.
    code = ("import resource,subprocess,sys,time;t=time.monotonic();"
            "p=subprocess.run(sys.argv[1:],stdout=subprocess.PIPE,stderr=subprocess.PIPE);"
            "u=resource.getrusage(resource.RUSAGE_CHILDREN);"
            "print(time.monotonic()-t,u.ru_maxrss,p.returncode);"
            "sys.stderr.write(p.stderr.decode(errors='replace'))")
    out = os.path.join(work, "db")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    proc = subprocess.run([sys.executable, "-c", code, cli, "convert", *args, "--out", out, "--symbol", "BIG", "--date-format", "MM_DD_YY",
                           "--new-master"], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    seconds, rss_kb, rc = proc.stdout.decode().split()
    first_message = proc.stderr.decode(errors="replace").strip().splitlines()[:1]
    return float(seconds), int(rss_kb) / 1024, int(rc), first_message[0] if first_message else "(none)"

kinds = [
    ("endless line", lambda p, s: endless_line(p, s), []),
    ("endless line --reverse", None, ["--reverse"]),
    ("random bytes", lambda p, s: random_bytes(p, s), []),
    ("random, no Ctrl-Z", lambda p, s: random_bytes(p, s, True), []),
]
print(f"{'input':<24}{'MB':>6}{'seconds':>10}{'peak MB':>9}{'exit':>6}  first message")
worst_rss = 0.0
for size in sizes:
    path = os.path.join(work, "input.txt")
    for name, make, extra in kinds:
        if make is not None:
            make(path, size * MB)
            # The run syncs its output files; the generated file's dirty pages would be
            # written back then and counted against it.
            os.sync()
        seconds, rss, rc, message = measure([path, *extra])
        worst_rss = max(worst_rss, rss)
        print(f"{name:<24}{size:>6}{seconds:>10.2f}{rss:>9.1f}{rc:>6}  {message[:60]}", flush=True)
    os.remove(path)
print(f"worst peak resident memory: {worst_rss:.1f} MB (promise: under 50 MB)")
sys.exit(0 if worst_rss < 50 else 1)
EOF
