#!/usr/bin/env bash
# The main job of ./run.sh without arguments: converts the bundled sample clip into Flash
# video (FLV) in ./output and lists what was written.
set -euo pipefail
cli=$1
sample="$(dirname "$cli")/Templates/Fcst.flv"
echo "Flarecast Pro $("$cli" --version | awk '{print $2}'): converting the sample clip into FLV"
"$cli" convert "$sample" -o output --profile 101 --name sample --overwrite
echo
echo "Written to ./output:"
ls -l output
