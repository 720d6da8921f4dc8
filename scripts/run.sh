#!/usr/bin/env bash
# Quick start: install dependencies, build, and run kestrelscan-cli with the
# given arguments; with --gui first, build and start the desktop app
# (kestrelscan) with the arguments that follow instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
if [ "${1:-}" = "--gui" ]; then
  shift
  "$root/scripts/build.sh" release kestrelscan >&2
  exec "$root/build/release/kestrelscan" "$@"
fi
"$root/scripts/build.sh" release kestrelscan-cli >&2
exec "$root/build/release/kestrelscan-cli" "$@"
