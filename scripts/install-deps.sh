#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need.
# Idempotent: packages already present are not touched, and apt is not even
# asked when nothing is missing.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build pkg-config git clang libclang-rt-14-dev clang-format python3
  # libraries (linked or loaded at run time)
  zlib1g-dev libssl-dev libssl3 openssl libonig-dev libonig5 nettle-dev libidn2-dev
  # the desktop app (Qt 6 Widgets), its sound, and its tests offscreen and under Xvfb
  qt6-base-dev qt6-svg-dev qt6-multimedia-dev xvfb xauth fonts-vlgothic dbus
  # JSON for the browser's DevTools protocol
  nlohmann-json3-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # real peers for integration tests
  nginx-light tinyproxy chromium chromium-driver
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
