#!/usr/bin/env bash
# Embedding a large FLV frame by frame (flarecast-cli swf video) against cp of the same file:
# peak resident memory and wall time of each. The movie's body goes to its file as it grows,
# so the peak must stay flat (under 64 MB) however long the video, and the wall time within
# twice the copy's.
#
#   bench/video_embed_bench.sh [FLARECAST_CLI] [MEGABYTES] [FOLDER]
#
# MEGABYTES (default 100; 1024 for the figure in DEVELOPERS.md) sizes the FLV that ffmpeg
# makes: 1280x720 Sorenson H.263 of noise, about 33 MB a second, with MP3 sound. The files go
# to FOLDER (default a fresh one under /tmp) and are removed afterwards.
set -euo pipefail
cli=${1:-build/bin/flarecast-cli}
megabytes=${2:-100}
folder=${3:-$(mktemp -d)}
trap 'rm -f "$folder/bench.flv" "$folder/bench.swf" "$folder/bench.copy"' EXIT
seconds=$(( (megabytes + 32) / 33 ))
(( seconds >= 1 )) || seconds=1

ffmpeg -nostdin -y -loglevel error -f lavfi -i "testsrc2=s=1280x720:r=30:d=$seconds" -f lavfi \
  -i "sine=d=$seconds:r=44100" -vf noise=alls=60:allf=t+u -c:v flv1 -q:v 2 -c:a libmp3lame -b:a 128k \
  "$folder/bench.flv"
size=$(stat -c %s "$folder/bench.flv")

measure() {  # prints "WALL_SECONDS PEAK_KB" of the command
  local out
  out=$( { /usr/bin/time -f "%e %M" "$@" > /dev/null; } 2>&1 | tail -1)
  echo "$out"
}
sync
read -r cp_wall cp_peak < <(measure cp "$folder/bench.flv" "$folder/bench.copy")
rm -f "$folder/bench.copy"
sync
# The movie is flushed to disk before it replaces OUT; so is this copy.
read -r sync_wall sync_peak < <(measure sh -c 'cp "$1" "$2" && sync "$2"' sh "$folder/bench.flv" "$folder/bench.copy")
rm -f "$folder/bench.copy"
sync
# The program alone (its libraries) as the floor of its peak.
read -r help_wall help_peak < <(measure "$cli" --help)
read -r embed_wall embed_peak < <(measure "$cli" swf video "$folder/bench.flv" -o "$folder/bench.swf")
mb() { echo "$1 / 1024" | bc -l; }
printf 'FLV %.0f MB, %d s of video\n' "$(echo "$size / 1048576" | bc -l)" "$seconds"
printf 'cp:             wall %6.2f s   peak RSS %6.1f MB\n' "$cp_wall" "$(mb "$cp_peak")"
printf 'cp + sync:      wall %6.2f s\n' "$sync_wall"
printf 'cli --help:     wall %6.2f s   peak RSS %6.1f MB\n' "$help_wall" "$(mb "$help_peak")"
printf 'swf video:      wall %6.2f s   peak RSS %6.1f MB   wall / cp %.2f   wall / (cp + sync) %.2f\n' "$embed_wall" \
  "$(mb "$embed_peak")" "$(echo "$embed_wall / ($cp_wall + 0.001)" | bc -l)" \
  "$(echo "$embed_wall / ($sync_wall + 0.001)" | bc -l)"
(( embed_peak < 65536 )) || echo "video_embed_bench: peak RSS above 64 MB" >&2
