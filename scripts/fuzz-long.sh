#!/usr/bin/env bash
# Long fuzz runs, by hand: each target in turn for the given number of hours (default 1) on one core,
# keeping what it learns in out/fuzz/work/<target> so that the next run goes on from there. An input
# that fails is minimised and copied into tests/fuzz/regressions/<target>/: fix the fault, keep the
# file (scripts/fuzz.sh runs every one of them from then on) and add a unit test for the fault.
#   scripts/fuzz-long.sh [hours] [target...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
hours="${1:-1}"
shift || true
out="$root/out/fuzz"
bash "$root/scripts/fuzz.sh" 1 >/dev/null # builds the targets and their seeds
if [ "$#" -gt 0 ]; then targets=("$@"); else mapfile -t targets < "$out/targets.txt"; fi
seconds=$(awk -v h="$hours" 'BEGIN { printf "%d", h * 3600 }')
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
found=0
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  work="$out/work/$target"
  artifacts="$out/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  corpora=("$out/corpus/$target")
  [ -d "$root/tests/fuzz/seeds/$target" ] && corpora+=("$root/tests/fuzz/seeds/$target")
  echo "== $target ($hours h, log in $out/$target.long.log)"
  if "$out/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -jobs=1 \
       -workers=1 -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "${corpora[@]}" \
       >"$out/$target.long.log" 2>&1; then
    continue
  fi
  found=1
  mkdir -p "$root/tests/fuzz/regressions/$target"
  for crash in "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-*; do
    [ -f "$crash" ] || continue
    name=$(basename "$crash")
    "$out/$target" -minimize_crash=1 -runs=10000 -exact_artifact_path="$artifacts/min-$name" "$crash" \
      >/dev/null 2>&1 || true
    if [ -f "$artifacts/min-$name" ]; then cp "$artifacts/min-$name" "$root/tests/fuzz/regressions/$target/$name"
    else cp "$crash" "$root/tests/fuzz/regressions/$target/$name"; fi
    echo "   found: tests/fuzz/regressions/$target/$name"
  done
done
exit $found
