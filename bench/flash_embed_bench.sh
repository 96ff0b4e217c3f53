#!/usr/bin/env bash
# The embedded layout of the Flash output (flarecast-cli flash build --swf-type 1) over a
# 10-minute FLV: peak resident memory and wall time. Each FLV goes into the movie as a segment
# sprite whose payload is copied from the file while the movie is written, so the peak must
# stay under 64 MB however long the video.
#
#   bench/flash_embed_bench.sh [FLARECAST_CLI] [SECONDS] [FOLDER]
#
# SECONDS (default 600) of 320x240 Sorenson H.263 at 25 fps with MP3 sound, made by ffmpeg.
# The CLI runs from a private copy of its program folder whose player is a stand-in (a
# one-frame movie compiled by `as compile`), so the figure does not depend on the templates.
set -euo pipefail
cli=${1:-build/bin/flarecast-cli}
seconds=${2:-600}
folder=${3:-$(mktemp -d)}
trap 'rm -rf "$folder/program" "$folder/out" "$folder/bench.flv" "$folder/player.as"' EXIT

mkdir -p "$folder/program/Templates/Players" "$folder/out"
cp "$cli" "$folder/program/flarecast-cli"
cp -r "$(dirname "$cli")/Languages" "$folder/program/" 2>/dev/null || true
echo 'stop();' > "$folder/player.as"
"$folder/program/flarecast-cli" as compile "$folder/player.as" -o "$folder/program/Templates/Players/None.swf" > /dev/null

ffmpeg -nostdin -y -loglevel error -f lavfi -i "testsrc2=s=320x240:r=25:d=$seconds" -f lavfi \
  -i "sine=d=$seconds:r=22050" -c:v flv1 -q:v 5 -c:a libmp3lame -ar 22050 -b:a 64k "$folder/bench.flv"
size=$(stat -c %s "$folder/bench.flv")

out=$( { /usr/bin/time -f "%e %M" "$folder/program/flarecast-cli" --ini "$folder/out/settings.ini" flash build \
  "$folder/bench.flv" -o "$folder/out" --name bench --swf-type 1 --player none --no-html --json > "$folder/out/report.json"; } 2>&1 | tail -1)
read -r wall peak <<< "$out"
printf 'FLV %.1f MB, %d s of 320x240 video; movie %.1f MB\n' "$(echo "$size / 1048576" | bc -l)" "$seconds" \
  "$(echo "$(stat -c %s "$folder/out/bench.swf") / 1048576" | bc -l)"
printf 'flash build --swf-type 1: wall %6.2f s   peak RSS %6.1f MB\n' "$wall" "$(echo "$peak / 1024" | bc -l)"
(( peak < 65536 )) || echo "flash_embed_bench: peak RSS above 64 MB" >&2
