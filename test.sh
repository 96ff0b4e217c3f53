#!/usr/bin/env bash
# ./test.sh: installs what is missing, builds everything and runs every test through ctest.
# A second build with clang, AddressSanitizer and UBSan replays the fuzz corpora
# (FLARECAST_SKIP_FUZZ=1 skips it).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
bash scripts/install-deps.sh
# Paths relative to the checkout let ccache reuse objects between clones.
export CCACHE_BASEDIR="$PWD"
jobs=$(nproc)

build=${FLARECAST_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

if [[ "${FLARECAST_SKIP_FUZZ:-0}" != 1 ]]; then
  fuzz_build=${FLARECAST_FUZZ_BUILD_DIR:-build-fuzz}
  cmake --preset fuzz -B "$fuzz_build" >/dev/null
  ninja -C "$fuzz_build" fuzzers
  ctest --test-dir "$fuzz_build" --output-on-failure -j "$jobs" -R '^fuzz_replay_'
fi
