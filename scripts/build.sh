#!/usr/bin/env bash
# Configures and builds one flavour of the project: `release` (default; the control and the platform
# as shared libraries, as they ship) or `asan` (AddressSanitizer + UndefinedBehaviorSanitizer, static
# libraries). Output goes to out/<flavour>. Targets after the flavour build only those (and what they
# need); without any, everything is built, the tests too.
#
#   scripts/build.sh [release|asan] [TARGET...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-release}"
targets=("${@:2}")
jobs="${JOBS:-$(nproc)}"
case "$flavour" in
  release) extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_SHARED=ON) ;;
  asan)    extra=(-DCMAKE_BUILD_TYPE=Debug -DTAVRIN_SANITIZE=ON -DTAVRIN_SHARED=OFF) ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$root/out/$flavour" -DTAVRIN_WERROR=ON "${extra[@]}" >/dev/null
if [ "${#targets[@]}" -gt 0 ]; then
  cmake --build "$root/out/$flavour" -j "$jobs" --target "${targets[@]}"
else
  cmake --build "$root/out/$flavour" -j "$jobs"
fi
