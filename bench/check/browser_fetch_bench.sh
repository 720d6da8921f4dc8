#!/bin/sh
# Pages built by scripts, end to end through `kestrelscan-cli check`: the
# browser component (USE_SCRIPT 1) against the browser driver (USE_SCRIPT 2)
# on the same local pages (a paragraph written by a script 300 ms after
# load), served by python3's http.server on 127.0.0.1.
#   first  one item: the browser (and driver) start plus one page
#   five   five items one after another (MAX_CONNECTION 1): the later pages'
#          cost is (five - first) / 4
#   twenty 20 items at MAX_CONNECTION 8, with the peak memory (PSS, summed
#          over the process groups of the browsers and drivers of the run,
#          sampled every 200 ms)
# Each phase runs RUNS times (default 3) on a fresh data folder; the median
# is printed. Needs chromium (and chromedriver for USE_SCRIPT 2).
# usage: bench/check/browser_fetch_bench.sh [METHOD...]   (default: 1 2)
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
CLI=${KESTRELSCAN_BIN:-$ROOT/build/release/kestrelscan-cli}
RUNS=${RUNS:-3}
METHODS=${*:-1 2}
[ -x "$CLI" ] || { echo "build the CLI first: $CLI" >&2; exit 1; }
OUT=$(mktemp -d)
mkdir -p "$OUT/www"
i=1
while [ $i -le 20 ]; do
  cat > "$OUT/www/p$i.html" <<EOF
<html><head><title>page $i</title></head><body><h1>page $i</h1><p id="x">static</p>
<script>setTimeout(function () { document.getElementById('x').textContent = 'script text $i'; }, 300);</script>
</body></html>
EOF
  i=$((i + 1))
done
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server "$PORT" --bind 127.0.0.1 --directory "$OUT/www" >/dev/null 2>&1 &
SERVER=$!
SAMPLER=
cleanup() {
  [ -n "$SAMPLER" ] && kill "$SAMPLER" 2>/dev/null || true
  kill "$SERVER" 2>/dev/null || true
  rm -rf "$OUT"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
sleep 0.5

now_ms() { date +%s%3N; }

# A fresh data folder with N items of method M; MAX_CONNECTION C.
make_home() {
  home="$OUT/home-$1-$2-$3-$4"
  rm -rf "$home"
  mkdir -p "$home"
  "$CLI" --home "$home" options MAX_CONNECTION="$3" >/dev/null
  n=1
  while [ $n -le "$2" ]; do
    "$CLI" --home "$home" add "http://127.0.0.1:$PORT/p$n.html" --name "p$n" >/dev/null
    "$CLI" --home "$home" set "p$n" USE_SCRIPT="$1" >/dev/null
    n=$((n + 1))
  done
  echo "$home"
}

# Peak PSS (KB) of the process groups that hold a browser with a profile
# below $1 (a browser component's own group; a driver's group, which holds
# its browser).
sample_pss() {
  peak=0
  while :; do
    groups=$(for p in $(pgrep -f -- "--user-data-dir=$1"); do ps -o pgid= -p "$p"; done | sort -u)
    sum=0
    for g in $groups; do
      for p in $(pgrep -g "$g"); do
        k=$(awk '/^Pss:/ {print $2}' "/proc/$p/smaps_rollup" 2>/dev/null || echo 0)
        sum=$((sum + ${k:-0}))
      done
    done
    [ "$sum" -gt "$peak" ] && peak=$sum && echo "$peak" > "$2"
    sleep 0.2
  done
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for m in $METHODS; do
  for phase in "first 1 1" "five 5 1" "twenty 20 8"; do
    set -- $phase
    : > "$OUT/times" ; : > "$OUT/peaks"
    r=1
    while [ $r -le "$RUNS" ]; do
      home=$(make_home "$m" "$2" "$3" "$r")
      echo 0 > "$OUT/peak"
      sample_pss "$home" "$OUT/peak" &
      SAMPLER=$!
      t0=$(now_ms)
      "$CLI" --home "$home" check > "$OUT/out" 2>&1 || true
      t1=$(now_ms)
      kill "$SAMPLER"; wait "$SAMPLER" 2>/dev/null || true; SAMPLER=
      grep -q "script text" "$home"/data/p1.dat/log1.txt || { echo "USE_SCRIPT $m: page not read" >&2; cat "$OUT/out" >&2; }
      echo $((t1 - t0)) >> "$OUT/times"
      cat "$OUT/peak" >> "$OUT/peaks"
      r=$((r + 1))
    done
    printf 'USE_SCRIPT=%s %-6s items=%-2s MAX_CONNECTION=%s  median %6s ms  peak PSS %s MB\n' \
      "$m" "$1" "$2" "$3" "$(median < "$OUT/times")" "$(( $(median < "$OUT/peaks") / 1024 ))"
  done
done
