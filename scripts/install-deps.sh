#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need, and
# generates the Japanese locale that the tests of the CLI's Japanese messages
# select. Idempotent: packages already present are not touched, apt is not
# even asked when nothing is missing, and a locale already there is kept.
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
  # the CLI's message catalogues (msgfmt) and the locale that selects Japanese
  gettext locales
  # the Debian package (CPack runs dpkg-shlibdeps and file) and its checks
  dpkg-dev file desktop-file-utils appstream lintian x11-utils
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # real Japanese text for the character-set detection test
  debian-reference-ja debian-faq-ja
  # real peers for integration tests
  nginx-light tinyproxy chromium chromium-driver
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# LANG=ja_JP.UTF-8 selects the Japanese catalogue only when the locale exists.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "Generating the locale ja_JP.UTF-8" >&2
  $SUDO localedef -i ja_JP -c -f UTF-8 -A /usr/share/locale/locale.alias ja_JP.UTF-8
fi
