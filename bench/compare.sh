#!/usr/bin/env bash
# Compares two builds of a benchmark on a noisy machine: runs them alternately, pair by pair,
# and prints the median of each and the median of the per-pair ratios B/A. A slow spell of
# the machine then hits both sides of a pair alike.
#
#   bench/compare.sh OLD/ascompiler_compile_bench NEW/ascompiler_compile_bench [PAIRS] [FILTER] [COUNTER]
#
# FILTER picks one benchmark (default BM_CompileProgram/10000), COUNTER the figure compared
# (default lines/s; larger is better).
set -euo pipefail
a=${1:?usage: compare.sh BENCH_A BENCH_B [PAIRS] [FILTER] [COUNTER]}
b=${2:?usage: compare.sh BENCH_A BENCH_B [PAIRS] [FILTER] [COUNTER]}
pairs=${3:-15}
filter=${4:-BM_CompileProgram/10000}
counter=${5:-lines/s}

one() {
  "$1" --benchmark_filter="^${filter}\$" --benchmark_min_time=0.2 2>/dev/null |
    grep -E "^${filter} " | grep -oE "${counter}=[0-9.]+[kMG]?" | head -1 | cut -d= -f2 |
    awk '{ v = $1; m = 1; if (v ~ /k$/) m = 1e3; if (v ~ /M$/) m = 1e6; if (v ~ /G$/) m = 1e9; sub(/[kMG]$/, "", v); print v * m }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit 1; print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for ((i = 0; i < pairs; ++i)); do
  va=$(one "$a"); vb=$(one "$b")
  [[ -n $va && -n $vb ]] || { echo "compare.sh: no '$counter' figure from $filter" >&2; exit 1; }
  echo "$va $vb" >> "$results"
done
printf 'A median %.0f   B median %.0f   B/A median %.3f (pairs: %d)\n' \
  "$(cut -d' ' -f1 "$results" | median)" "$(cut -d' ' -f2 "$results" | median)" \
  "$(awk '{ print $2 / $1 }' "$results" | median)" "$pairs"
