#!/bin/sh
# End-to-end benchmark of `kestrelscan-cli check` with the shared runner:
# 1,000 items on a local nginx (127.0.0.1-8), phases a (first run), b (no
# change) and c (after the pages changed), MAX_CONNECTION 32; time with
# hyperfine and peak memory with /usr/bin/time -v; then the fetch-only floor
# (curl) on the same pages.
# usage: bench/check/run_checker_bench.sh [BENCH_DIR] [N]
#   BENCH_DIR  the shared runner's folder (default ../shared/bench beside the repo)
#   OUT        where everything generated goes (default: a new temporary folder)
#   KESTRELSCAN_BIN  the CLI (default build/release/kestrelscan-cli)
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BENCH=${1:-$ROOT/../shared/bench}
N=${2:-1000}
OUT=${OUT:-$(mktemp -d)}
export OUT
export KESTRELSCAN_BIN=${KESTRELSCAN_BIN:-$ROOT/build/release/kestrelscan-cli}
export RUNS=${RUNS:-5}
[ -x "$KESTRELSCAN_BIN" ] || { echo "build the CLI first: $KESTRELSCAN_BIN" >&2; exit 1; }
cd "$BENCH"
[ -f "$OUT/urls-$N.txt" ] || python3 gen_corpus.py --items "$N" --seed 1 --out "$OUT"
./serve.sh start
trap './serve.sh stop' EXIT
./checker_bench.sh kestrelscan "$N"
./checker_bench.sh curl "$N"
./summary.py || true
echo "results in $OUT/results" >&2
