#!/usr/bin/env bash
# Quick start: install dependencies, build, and run kestrelscan-cli with the
# given arguments.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" release kestrelscan-cli >&2
exec "$root/build/release/kestrelscan-cli" "$@"
