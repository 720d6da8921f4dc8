#!/bin/sh
# The three check phases of the shared runner, timed per phase for one or
# more builds of kestrelscan-cli back to back:
#   a  first run, every page new   (state: items just added)
#   b  nothing changed, all 304    (state: after a)
#   c  every page changed (v2)     (state: after b)
# For each phase and binary: RUNS runs, each on its own copy of the phase's
# input state (all copies are made, and synced, before the first run and
# deleted after the last, so no run follows a mass deletion; see the wait
# below), timed with
# /usr/bin/time (wall, user, system, peak RSS); then one more run under
# strace -f -c for the system calls by kind. The first binary's end state of
# a phase is the next phase's input for every binary.
#
# usage: bench/check/phases.sh N BIN [BIN...]
#   N    items: 1000 uses the lead's corpus in /work/bench-out (served on
#        127.0.0.1-8:18080); any other count makes its own corpus in
#        $OUT (default /work/bench-out-N) and serves it on $PORT (default
#        18090) for the duration of the script.
#   RUNS timed runs per phase and binary (default 3)
#   BENCH the shared runner (default ../shared/bench beside the repository)
# Holds the runner's lock while it works (the v1/v2 switch is global), so it
# never overlaps /work/wt/e2e.sh or another benchmark on the same corpus.
set -eu
N=${1:?usage: phases.sh N BIN [BIN...]}; shift
[ $# -ge 1 ] || { echo "usage: phases.sh N BIN [BIN...]" >&2; exit 2; }
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BENCH=${BENCH:-$ROOT/../shared/bench}
RUNS=${RUNS:-3}
if [ "$N" = 1000 ]; then
    OUT=${OUT:-/work/bench-out}; OWN_SERVER=0
else
    OUT=${OUT:-/work/bench-out-$N}; OWN_SERVER=1; PORT=${PORT:-18090}; export PORT
fi
export OUT
BINS=""
for b in "$@"; do BINS="$BINS $(readlink -f "$b")"; done
W=$OUT/state/phases-$N
RES=$W/results.txt

if [ ! -f "$OUT/urls-$N.txt" ]; then
    python3 "$BENCH/gen_corpus.py" --items "$N" --seed 1 --port "${PORT:-18080}" --out "$OUT" >/dev/null
fi
if [ "$OWN_SERVER" = 1 ]; then
    "$BENCH/serve.sh" start >/dev/null
    trap '"$BENCH/serve.sh" stop >/dev/null' EXIT
fi
exec 9>"$OUT/.lock"
flock 9
mkdir -p "$W"
if [ ! -d "$W/empty" ]; then
    . "$BENCH/adapters/kestrelscan.sh"
    KESTRELSCAN_BIN=$(echo $BINS | cut -d' ' -f1) adapter_setup "$W/empty.tmp" "$OUT/urls-$N.txt"
    mv "$W/empty.tmp" "$W/empty"
fi

# One line per run: phase, binary, wall, user, sys, maxrss KB.
: > "$RES"
echo "## $N items, $RUNS runs per phase and binary, load $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$RES"

phase() {  # NAME FROM TO VERSION
    "$BENCH/serve.sh" switch "$4" >/dev/null
    i=0
    for bin in $BINS; do
        for r in $(seq 1 "$RUNS") s; do
            i=$((i + 1)); cp -a "$W/$2" "$W/run-$1-$i"
        done
    done
    # ext4 without a journal makes new files slowly for some seconds after
    # many were freed nearby (the previous phase's copies were just deleted):
    # wait that out, so no binary pays for the runner's own deletions and the
    # order of the binaries does not matter.
    sync; sleep 15
    i=0; first=1
    for bin in $BINS; do
        for r in $(seq 1 "$RUNS"); do
            i=$((i + 1))
            /usr/bin/time -f "%e %U %S %M" -o "$W/time.txt" \
                "$bin" --home "$W/run-$1-$i" check >/dev/null 2>"$W/err.txt" || true
            echo "$1 $(basename "$bin") $(cat "$W/time.txt")" >> "$RES"
        done
        i=$((i + 1))
        strace -f -c -o "$W/strace-$1-$(basename "$bin").txt" \
            "$bin" --home "$W/run-$1-$i" check >/dev/null 2>&1 || true
        if [ "$first" = 1 ]; then rm -rf "$W/$3"; cp -a "$W/run-$1-1" "$W/$3"; first=0; fi
    done
    rm -rf "$W"/run-"$1"-*
}
phase a empty after_a v1
phase b after_a after_b v1
phase c after_b after_c v2
"$BENCH/serve.sh" switch v1 >/dev/null

# Medians (and the least) per phase and binary; system calls from strace.
awk '
  { key = $1 " " $2; n[key]++; w[key, n[key]] = $3; u[key, n[key]] = $4; s[key, n[key]] = $5;
    m[key, n[key]] = $6; keys[key] = 1 }
  function med(a, k, c,   i, j, t, v) {
    for (i = 1; i <= c; i++) v[i] = a[k, i]
    for (i = 1; i <= c; i++) for (j = i + 1; j <= c; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
    return v[int((c + 1) / 2)]
  }
  END {
    printf "%-6s %-24s %8s %8s %8s %10s   (medians of runs)\n", "phase", "binary", "wall s", "user s", "sys s", "peak MiB"
    for (key in keys) {
      c = n[key]; split(key, p, " ")
      printf "%-6s %-24s %8.2f %8.2f %8.2f %10.1f\n", p[1], p[2], med(w, key, c), med(u, key, c), med(s, key, c), med(m, key, c) / 1024
    }
  }' "$RES" | sort | tee "$W/summary.txt"
echo
printf "%-6s %-24s %9s %8s %8s %8s %8s %8s %8s\n" phase binary syscalls openat rename unlink stat ftrunc futex
for f in "$W"/strace-*.txt; do
    name=$(basename "$f" .txt); name=${name#strace-}
    awk -v ph="${name%%-*}" -v bin="${name#*-}" '
      $4 ~ /^[0-9]+$/ { if ($NF == "total") total = $4; else c[$NF] += $4 }
      END {
        printf "%-6s %-24s %9d %8d %8d %8d %8d %8d %8d\n", ph, bin, total, c["openat"],
          c["rename"] + c["renameat2"], c["unlink"], c["newfstatat"] + c["fstat"], c["ftruncate"], c["futex"]
      }' "$f"
done | sort | tee -a "$W/summary.txt"
echo "runs in $RES, summary in $W/summary.txt" >&2
