#!/usr/bin/env bash
# Configures and builds one flavour of the project: `release` (default) or `asan`
# (AddressSanitizer + UndefinedBehaviorSanitizer). Output goes to out/<flavour>.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-release}"
jobs="${JOBS:-$(nproc)}"
case "$flavour" in
  release) extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    extra=(-DCMAKE_BUILD_TYPE=Debug -DTAVRIN_SANITIZE=ON) ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$root/out/$flavour" -DTAVRIN_WERROR=ON "${extra[@]}" >/dev/null
cmake --build "$root/out/$flavour" -j "$jobs"
