#!/usr/bin/env bash
# scripts/package.sh [PRESET]: builds what is installed (the two programs,
# message catalogues, manual pages, icons, desktop entry and metadata) in
# the given build (default release) and makes the Debian package from it
# with CPack (installing the tools first, as the other quick-start scripts
# do). Prints the package's path on stdout; the package is in
# build/PRESET/package/. Install it with: apt install ./build/release/package/kestrelscan_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
scripts/install-deps.sh >&2
scripts/build.sh "$preset" ks_install_files >&2
out="build/$preset/package"
rm -f "$out"/kestrelscan_*.deb
(cd "build/$preset" && cpack --config CPackConfig.cmake >&2)
deb=$(ls "$out"/kestrelscan_*.deb)
echo "$PWD/$deb"
