#!/usr/bin/env bash
# scripts/check-package.sh DEB: checks a built Debian package without
# installing it: unpacks it (dpkg -x) into a temporary root and runs the
# programs from there, as they run once installed. Checks that
#   - every file lies below /usr and the expected ones are there;
#   - the control fields name the run-time libraries and the browser;
#   - kestrelscan-cli --help and an offscreen kestrelscan --version run,
#     and the version is the package's; on a virtual X server the installed
#     kestrelscan opens its window with the class the desktop entry's
#     StartupWMClass names;
#   - the installed CLI finds its Japanese messages and the libraries it
#     loads at run time, keeps data in ~/.local/share/kestrelscan, and in
#     its own folder when a kestrelscan.ini lies beside it (portable);
#   - desktop-file-validate, appstreamcli validate (and validate-tree)
#     --no-net and lintian
#     (errors fail; warnings are listed) accept it.
set -euo pipefail
deb="$(realpath "$1")"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
root="$tmp/root"
export HOME="$tmp/home"
mkdir -p "$HOME"
unset KESTRELSCAN_HOME XDG_DATA_HOME
cli="$root/usr/bin/kestrelscan-cli"
gui="$root/usr/bin/kestrelscan"
app_id=org.kestrelscan.Kestrelscan

fail() {
  echo "check-package: $*" >&2
  exit 1
}
step() { echo "-- package: $*" >&2; }

step "contents"
outside="$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v -e '^\./$' -e '^\./usr/' || true)"
[ -z "$outside" ] || fail "installed outside /usr: $outside"
dpkg-deb -x "$deb" "$root"
for f in bin/kestrelscan bin/kestrelscan-cli \
  share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
  share/icons/hicolor/scalable/apps/kestrelscan.svg \
  share/icons/hicolor/16x16/apps/kestrelscan.png share/icons/hicolor/256x256/apps/kestrelscan.png \
  share/man/man1/kestrelscan.1.gz share/man/man1/kestrelscan-cli.1.gz \
  share/bash-completion/completions/kestrelscan-cli \
  share/locale/ja/LC_MESSAGES/kestrelscan-cli.mo \
  share/doc/kestrelscan/copyright share/doc/kestrelscan/changelog.gz; do
  [ -s "$root/usr/$f" ] || fail "missing /usr/$f"
done

step "control fields"
field() { dpkg-deb -f "$deb" "$1"; }
version="$(field Version)"
[[ "$(field Depends)" == *libqt6widgets6* ]] || fail "Depends lacks the Qt libraries: $(field Depends)"
for want in "Recommends:libssl3" "Recommends:libonig5" "Suggests:chromium" "Suggests:chromium-driver"; do
  [[ ", $(field "${want%%:*}"), " == *", ${want#*:}, "* ]] || fail "${want%%:*} lacks ${want#*:}"
done

step "installed programs"
"$cli" --help >/dev/null || fail "kestrelscan-cli --help failed"
[ "$(QT_QPA_PLATFORM=offscreen "$gui" --version)" = "Kestrelscan v$version" ] ||
  fail "kestrelscan --version is not \"Kestrelscan v$version\""
[[ "$("$cli" about)" == "kestrelscan-cli $version"$'\n'* ]] || fail "kestrelscan-cli about: wrong version"
if locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  [[ "$(LANG=ja_JP.UTF-8 "$cli" --help)" == 使い方:* ]] ||
    fail "the installed CLI does not find its Japanese messages"
fi
# The run-time libraries, when present on this machine, are found from /usr/bin.
if [ -e /usr/lib/x86_64-linux-gnu/libonig.so.5 ]; then
  [[ "$("$cli" about)" == *Oniguruma* ]] || fail "the installed CLI does not load libonig.so.5"
fi

step "data folders"
"$cli" add http://127.0.0.1:9/ --name home >/dev/null 2>&1
[ -d "$HOME/.local/share/kestrelscan/data/home.dat" ] || fail "no item below ~/.local/share/kestrelscan"
touch "$root/usr/bin/kestrelscan.ini"
"$cli" add http://127.0.0.1:9/ --name portable >/dev/null 2>&1
[ -d "$root/usr/bin/data/portable.dat" ] || fail "kestrelscan.ini beside the program is not used"
[ ! -e "$HOME/.local/share/kestrelscan/data/portable.dat" ] || fail "portable item went to the home folder"

step "desktop app window"
wm_class="$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$app_id.desktop")"
cat >"$tmp/window.sh" <<'WINDOW'
# Starts the app, waits (at most 30 s) for its main window, prints its
# WM_CLASS, and closes it the way a session end does (SIGTERM).
"$1" --home "$2" --disable-startup-options & app=$!
for _ in $(seq 60); do
  sleep 0.5
  for id in $(xwininfo -root -children 2>/dev/null | awk '/ "Kestrelscan/ {print $1}'); do
    xprop -id "$id" WM_CLASS
    kill -TERM "$app"
    wait "$app"
    exit $?
  done
done
kill -KILL "$app"
exit 1
WINDOW
seen="$(xvfb-run -a bash "$tmp/window.sh" "$gui" "$tmp/gui-home" 2>"$tmp/window.err")" ||
  fail "the installed kestrelscan showed no window: $(cat "$tmp/window.err")"
[ "$seen" = "WM_CLASS(STRING) = \"kestrelscan\", \"$wm_class\"" ] ||
  fail "window class $seen; the desktop entry names StartupWMClass=$wm_class"

step "desktop entry and AppStream metadata"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" >/dev/null ||
  appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"
# The metadata together with the desktop entry and icon it names.
appstreamcli validate-tree --no-net "$root" >/dev/null || appstreamcli validate-tree --no-net "$root"

step "lintian"
# Errors fail; warnings and notes are shown. (Root is fine for checking a file.)
rc=0
report="$(lintian --fail-on error "$deb" 2>&1)" || rc=$?
printf '%s\n' "$report" | grep -v '^running with root privileges' >&2 || true
[ "$rc" -eq 0 ] || fail "lintian reports errors"
echo "-- package: $(basename "$deb") is fine" >&2
