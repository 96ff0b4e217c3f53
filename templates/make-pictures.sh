#!/bin/sh
# Makes the pictures of the player templates (templates/players/NAME.png), which the profile
# pane and the Customize page show, from the templates' sources: each player around the
# sample video, played in the player harness (tools/player) and scaled to 160 pixels wide.
#
# To remake them after changing a player: build flarecast-cli, run this script, look at the
# pictures and commit them:
#   ninja -C build flarecast-cli
#   templates/make-pictures.sh build
#   git add templates/players/*.png
# Needs the harness (scripts/install-deps.sh) and ImageMagick's convert.
set -eu
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
program=$(cd "$build/bin" && pwd)
cli="$program/flarecast-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program/Templates/Fcst.flv" "$work/"

for player in None Player01 Minimal LargeButtons; do
  # The frame: the sample's 320x240, plus the control bar of a skin.
  height=240
  [ "$player" = None ] || height=281
  # Minimal shows its bar, and LargeButtons its big button while playing, only after a mouse
  # movement: the mouse moves over the video just before the picture.
  pointer=
  case $player in Minimal | LargeButtons) pointer="--move 160,200@44" ;; esac
  # The player's script runs at the root here, behind the globals a generated movie sets.
  cat > "$work/$player.as" <<SCRIPT
_global.g_noDebug = true;
_global.g_AutoPlay = true;
_global.g_SkinColor = 3368601;
_global.g_SkinColorSaturation = 60;
_global.g_ArrFlvPath = Array();
_global.g_ArrFlvPath[0] = "Fcst.flv";
SCRIPT
  cat "$here/players/$player.as" >> "$work/$player.as"
  "$cli" flash template "$work/$player.as" -o "$work/$player.swf" --size "320x$height" --video vid \
    -I "$here/players" >/dev/null
  # shellcheck disable=SC2086 # $pointer is empty or two words
  node "$here/../tools/player/play-swf.mjs" --ms 3000 $pointer --screenshot "$work/$player-full.png" "$work/$player.swf"
  convert "$work/$player-full.png" -resize 160x -strip "$here/players/$player.png"
  echo "$here/players/$player.png"
done
