#!/usr/bin/env bash
# Quick start: install dependencies, then build and run the whole test suite,
# first the optimised build, then the AddressSanitizer/UBSan build.
# Set KS_PRESETS to choose builds (default "release debug"). Then the check
# run's tests (threads, locks, the connection table) run under ThreadSanitizer;
# KS_TSAN=0 leaves that out.
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
done
if [ "${KS_TSAN:-1}" != 0 ]; then
  echo "== tsan: check run tests" >&2
  scripts/build.sh tsan test_check
  ctest --preset tsan -L check
fi
