#!/usr/bin/env bash
# Loading and saving 1,000 user catalogs holding 1,000 to 100,000 books (bench/user_catalogs.cpp), in one
# command: configures and builds a Release folder of its own (out/bench-rel unless BUILD is given),
# then runs the benchmark REPS times (default 5) and prints each run with the median and the spread.
#
#   bash bench/move_catalog.sh [BUILD] [REPS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/out/bench-rel}"
reps="${2:-5}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAVRIN_TESTS=OFF -DTAVRIN_WERROR=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target bench_user_catalogs >/dev/null
"$build/bench/bench_user_catalogs" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=false
