#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: a short fuzz run of the parsers, then the whole
# suite once plain and once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
jobs="${JOBS:-$(nproc)}"
status=0
# Each stage says when it starts, so that a slow run shows where its time went.
stage() { echo "== $1 (at ${SECONDS} s)"; }
stage "fuzz (short run)"
bash "$root/scripts/fuzz.sh" "${FUZZ_SECONDS:-15}" || status=1
for flavour in release asan; do
  stage "$flavour build"
  "$root/scripts/build.sh" "$flavour"
  stage "$flavour tests"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  ctest --test-dir "$root/out/$flavour" --output-on-failure -j "$jobs" || status=1
done
stage "end"
exit $status
