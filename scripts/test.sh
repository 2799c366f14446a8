#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: once plain, once under the sanitizers.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
jobs="${JOBS:-$(nproc)}"
status=0
for flavour in release asan; do
  echo "== $flavour build"
  "$root/scripts/build.sh" "$flavour"
  echo "== $flavour tests"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  ctest --test-dir "$root/out/$flavour" --output-on-failure -j "$jobs" || status=1
done
exit $status
