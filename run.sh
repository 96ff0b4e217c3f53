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
ninja -C "$build" flarecast-cli program_data >/dev/null
cli="$build/bin/flarecast-cli"
if [[ $# -gt 0 ]]; then
  exec "$cli" "$@"
fi
exec bash scripts/main-job.sh "$cli"
