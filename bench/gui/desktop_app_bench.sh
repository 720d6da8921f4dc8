#!/bin/sh
# Start-up time and idle memory of the desktop app `kestrelscan`.
#   startup: 10,000 items in one data folder; a first start builds the tree
#            from the folders and leaves treecache.tmp at its clean exit;
#            then RUNS starts from the cache, each timed to a usable window
#            (the app's own "ready after N ms": window shown, event loop
#            idle) and as the whole process's wall time (start to exit).
#   memory:  1,000 items, the app left idle for 3 s, then VmRSS and VmHWM
#            from /proc, offscreen and, when xvfb-run exists, on Xvfb.
# usage: bench/gui/desktop_app_bench.sh [startup|memory|all]
#   KESTRELSCAN_GUI  the app (default build/release/kestrelscan)
#   RUNS             timed starts (default 5)
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
APP=${KESTRELSCAN_GUI:-$ROOT/build/release/kestrelscan}
RUNS=${RUNS:-5}
WHAT=${1:-all}
[ -x "$APP" ] || { echo "build the app first: $APP" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# make_items DIR N: N items in groups of 100, each with a minimal site.db.
make_items() {
  python3 - "$1" "$2" <<'PY'
import os, sys
home, n = sys.argv[1], int(sys.argv[2])
data = os.path.join(home, "data")
os.makedirs(os.path.join(data, "テンプレート"), exist_ok=True)
for i in range(n):
    folder = os.path.join(data, "group%03d.grp" % (i // 100), "item%05d.dat" % i)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "site.db"), "wb") as f:
        f.write(b"[CONFIG]\r\nURL=http://127.0.0.1:9/p%d\r\n" % i)
with open(os.path.join(home, "kestrelscan.ini"), "wb") as f:
    f.write(b"[CONFIG]\r\nDISABLE_STARTUP_WINDOW=1\r\n")
PY
}

now_ms() { date +%s%3N; }

startup() {
  home=$WORK/startup
  make_items "$home" 10000
  KESTRELSCAN_EXIT_WHEN_READY=1 QT_QPA_PLATFORM=offscreen "$APP" --home "$home" 2>&1 |
    sed -n 's/^kestrelscan: ready after \(.*\)/first start (from the folders): ready after \1/p'
  i=0
  while [ "$i" -lt "$RUNS" ]; do
    [ -f "$home/data/treecache.tmp" ] || { echo "no treecache.tmp after a clean exit" >&2; exit 1; }
    t0=$(now_ms)
    ready=$(KESTRELSCAN_EXIT_WHEN_READY=1 QT_QPA_PLATFORM=offscreen "$APP" --home "$home" 2>&1 |
      sed -n 's/^kestrelscan: ready after \([0-9]*\) ms/\1/p')
    t1=$(now_ms)
    echo "from the cache: ready after ${ready} ms, process start to exit $((t1 - t0)) ms"
    i=$((i + 1))
  done
}

idle_rss() {  # idle_rss LABEL [WRAPPER...]
  label=$1
  shift
  home=$WORK/memory
  "$@" "$APP" --home "$home" >/dev/null 2>&1 &
  pid=$!
  sleep 3
  # The wrapper (xvfb-run) is a shell: find the app below it.
  app_pid=$(pgrep -n -f "^$APP --home $home" || echo "$pid")
  rss=$(sed -n 's/^VmRSS:[[:space:]]*//p' "/proc/$app_pid/status")
  hwm=$(sed -n 's/^VmHWM:[[:space:]]*//p' "/proc/$app_pid/status")
  kill -TERM "$app_pid"
  wait "$pid" || true
  echo "$label: idle RSS $rss (peak $hwm)"
}

memory() {
  make_items "$WORK/memory" 1000
  QT_QPA_PLATFORM=offscreen idle_rss "1,000 items, offscreen" env QT_QPA_PLATFORM=offscreen
  if command -v xvfb-run >/dev/null; then
    idle_rss "1,000 items, Xvfb" xvfb-run -a -s "-screen 0 1280x800x24"
  fi
}

case "$WHAT" in
  startup) startup ;;
  memory) memory ;;
  all) startup; memory ;;
  *) echo "usage: $0 [startup|memory|all]" >&2; exit 2 ;;
esac
