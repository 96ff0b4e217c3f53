#!/usr/bin/env bash
# ./run.sh [ARGS]: installs what is missing, builds incrementally and runs flarecast-cli ARGS.
# Without arguments it runs the main job on the bundled sample.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
bash scripts/install-deps.sh
# Paths relative to the checkout let ccache reuse objects between clones.
export CCACHE_BASEDIR="$PWD"
build=${FLARECAST_BUILD_DIR:-build}
[[ -f "$build/build.ninja" ]] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# program_data: the program folder's data, the player templates and Ruffle's web player,
# which the Flash pages need beside them.
# Quiet unless it fails; then its output says what went wrong.
if ! log=$(ninja -C "$build" flarecast-cli program_data 2>&1); then
  printf '%s\n' "$log" >&2
  exit 1
fi
cli="$build/bin/flarecast-cli"
if [[ $# -gt 0 ]]; then
  exec "$cli" "$@"
fi
exec bash scripts/main-job.sh "$cli"
