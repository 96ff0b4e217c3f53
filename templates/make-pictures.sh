#!/bin/sh
# Makes the pictures of the template movies, which the profile pane and the Customize page
# show, from the templates' sources, played in the player harness (tools/player) around the
# sample video and scaled to 160 pixels wide:
#   templates/players/NAME.png      each player skin
#   templates/effects/NAME.jpg      each opening effect, held halfway through its run
#   templates/preloaders/NAME.png   each preloader, held at 42 % over the playing video
#   None.jpg / None.png             the plain video with the word "None"
# A template's run is held with _global.g_TemplatePictureShare (templates/shared/timed_run.as).
#
# To remake them after changing a template: build flarecast-cli, run this script, look at the
# pictures and commit them:
#   ninja -C build flarecast-cli
#   templates/make-pictures.sh build
#   git add templates/players/*.png templates/effects/*.jpg templates/preloaders/*.png
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

# The sample movie of the Flash output around a template movie, played for `ms` milliseconds.
# shoot NAME OPTIONS MS OUT.png
shoot() {
  "$cli" flash build "$work/Fcst.flv" -o "$work/$1" --name "$1" --swf-type 2 --no-html --no-thumbnail \
    --autoplay --player None $2 >/dev/null
  node "$here/../tools/player/play-swf.mjs" --ms "$3" --screenshot "$4" "$work/$1/$1.swf"
}

# A template's source with its run held at `share`: template_at SOURCE_DIR NAME SIZE SHARE
# A preloader runs (and so is held) in its preview demonstration, which it is told to end at
# once for the player: the video then plays under it.
template_at() {
  {
    echo "_global.g_TemplatePictureShare = $4;"
    echo "_global.g_showPerloader = true;"
    cat "$1/$2.as"
    echo "_global.g_PreloaderBusy = false;"
  } > "$work/$2-held.as"
  "$cli" flash template "$work/$2-held.as" -o "$work/$2-held.swf" --size "$3" -I "$1" \
    -I "$here/shared" >/dev/null
}

for effect in FadeIn Iris Wipe Blinds; do
  template_at "$here/effects" "$effect" 320x240 0.5
  shoot "$effect" "--opening-effect $work/$effect-held.swf" 1500 "$work/$effect-full.png"
  convert "$work/$effect-full.png" -resize 160x -strip -quality 90 "$here/effects/$effect.jpg"
  echo "$here/effects/$effect.jpg"
done

for entry in Bar:160x40 Ring:96x96 Percent:120x48; do
  preloader=${entry%%:*}
  template_at "$here/preloaders" "$preloader" "${entry#*:}" 0.42
  shoot "$preloader" "--preloader $work/$preloader-held.swf" 1500 "$work/$preloader-full.png"
  convert "$work/$preloader-full.png" -resize 160x -strip "$here/preloaders/$preloader.png"
  echo "$here/preloaders/$preloader.png"
done

# "None": the video as it plays without a template, named.
shoot none "" 1500 "$work/none-full.png"
convert "$work/none-full.png" -resize 160x -fill white -stroke black -strokewidth 1 -font DejaVu-Sans-Bold \
  -pointsize 28 -gravity center -annotate +0+0 None -strip "$work/none.png"
convert "$work/none.png" -quality 90 "$here/effects/None.jpg"
cp "$work/none.png" "$here/preloaders/None.png"
echo "$here/effects/None.jpg"
echo "$here/preloaders/None.png"
