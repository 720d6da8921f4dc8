#!/usr/bin/env bash
# Quick start: install dependencies, then build and run the whole test suite,
# first the optimised build, then the AddressSanitizer/UBSan build. From the
# optimised build it also makes the Debian package and checks it unpacked
# (scripts/check-package.sh); KS_PACKAGE=0 leaves that out.
# Set KS_PRESETS to choose builds (default "release debug"). Then the check
# run's tests (threads, locks, the connection table, the spare files; the
# command-line checks too, so the program itself runs under it) run under
# ThreadSanitizer; KS_TSAN=0 leaves that out.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/install-deps.sh
scripts/check-format.sh
for preset in ${KS_PRESETS:-release debug}; do
  echo "== $preset: build" >&2
  scripts/build.sh "$preset"
  echo "== $preset: test" >&2
  ctest --preset "$preset"
  if [ "$preset" = release ] && [ "${KS_PACKAGE:-1}" != 0 ]; then
    echo "== release: Debian package" >&2
    deb="$(scripts/package.sh release)"
    scripts/check-package.sh "$deb"
  fi
done
if [ "${KS_TSAN:-1}" != 0 ]; then
  echo "== tsan: check run tests" >&2
  scripts/build.sh tsan test_check kestrelscan-cli
  ctest --preset tsan -L check
fi
