#!/usr/bin/env bash
# The main job of ./run.sh without arguments. Until the conversion into Flash arrives, it
# shows what the program can already do.
set -euo pipefail
cli=$1
echo "Flarecast Pro $("$cli" --version | awk '{print $2}'): this build does not convert video yet."
echo "What it can do today:"
echo
"$cli" --help
