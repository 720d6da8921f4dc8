#!/usr/bin/env bash
# scripts/build.sh PRESET [TARGET...]: configure once, then build (incrementally).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="$1"; shift
if [ ! -f "build/$preset/build.ninja" ]; then
  cmake --preset "$preset" >/dev/null
fi
if [ $# -gt 0 ]; then
  cmake --build --preset "$preset" --target "$@"
else
  cmake --build --preset "$preset"
fi
