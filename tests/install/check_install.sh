#!/bin/sh
# Installs the build into a fresh prefix and checks what a user's system gets: the program
# folder with its data, working links in bin, the desktop entry with the video types, the icon.
# Usage: check_install.sh BUILD_DIR WITH_GUI(ON|OFF)
set -eu
build=$1
gui=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "check_install: $*" >&2; exit 1; }
program=$(find "$prefix" -type d -name flarecast -path '*lib*' | head -1)
[ -n "$program" ] || fail "no program folder under $prefix/lib*"
for f in flarecast-cli profile.dat format.dat Languages Templates/Fcst.flv Templates/Players/Player01.swf \
         Templates/Effect/FadeIn.swf Templates/Preloader/Bar.swf ruffle/ruffle.js; do
  [ -e "$program/$f" ] || fail "$program/$f is missing"
done
[ -L "$prefix/bin/flarecast-cli" ] || fail "bin/flarecast-cli is not a link"
# Through the link, the program finds its folder: the profile catalogue lists profiles.
"$prefix/bin/flarecast-cli" --version >/dev/null || fail "bin/flarecast-cli does not run"
"$prefix/bin/flarecast-cli" --ini "$prefix/test.ini" profiles list | grep -q . || fail "no profiles through the link"

if [ "$gui" = ON ]; then
  [ -x "$program/flarecast" ] || fail "the GUI is missing"
  [ -L "$prefix/bin/flarecast" ] || fail "bin/flarecast is not a link"
  desktop="$prefix/share/applications/flarecast.desktop"
  [ -f "$desktop" ] || fail "no desktop entry"
  grep -q '^Exec=flarecast %F$' "$desktop" || fail "the desktop entry does not pass files"
  grep -q '^MimeType=.*video/mp4;' "$desktop" || fail "the desktop entry names no video types"
  [ -f "$prefix/share/icons/hicolor/scalable/apps/flarecast.svg" ] || fail "no icon"
  if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop"; fi
fi
echo "installed and checked under $prefix"
