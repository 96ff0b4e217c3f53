#!/usr/bin/env bash
# The main job of ./run.sh without arguments: converts the bundled sample clip into a Flash
# page in ./output (the FLV, the player movie around it, the HTML page, a thumbnail and
# Ruffle's web player in ruffle/) and says how to view it.
set -euo pipefail
cli=$1
sample="$(dirname "$cli")/Templates/Fcst.flv"
echo "Flarecast Pro $("$cli" --version | awk '{print $2}'): converting the sample clip into a Flash page"
"$cli" convert "$sample" -o output --profile 101 --name sample --overwrite --swf-type 2 --player Player01
echo
echo "Written to ./output:"
ls -l output
echo
# Browsers do not run Ruffle's WebAssembly from file:// pages: the page needs a web server.
echo "To view the page in a browser: ./run.sh serve output --open"
echo "(or ./run.sh serve output, then open the address it prints)"
