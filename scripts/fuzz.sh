#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz, clang) into out/fuzz and runs each for the given number of
# seconds (default 20): first over the inputs that once failed (tests/fuzz/regressions/<target>), then
# from its seeds (made from the samples, and tests/fuzz/seeds/<target>). Fails when a target has no
# seeds, or finds a crash, a leak, undefined behaviour or a hang. The targets run side by side, as many
# as there are processors (or JOBS). For runs of hours: scripts/fuzz-long.sh.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
shift || true
out="$root/out/fuzz"
jobs="${JOBS:-$(nproc)}"
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed (apt-get install clang)" >&2; exit 2; }

cmake -S "$root/tests/fuzz" -B "$out" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if [ "$#" -gt 0 ]; then targets=("$@"); else mapfile -t targets < "$out/targets.txt"; fi
status=0
# One target: first the inputs that once failed, then the run from its seeds; says what it found.
fuzz_one() {
  local target="$1"
  local work="$out/work/$target"        # what the fuzzer finds; the seeds stay as they are
  local artifacts="$out/artifacts/$target"
  mkdir -p "$work" "$artifacts" "$out/corpus/$target"
  local corpora=("$out/corpus/$target")
  [ -d "$root/tests/fuzz/seeds/$target" ] && corpora+=("$root/tests/fuzz/seeds/$target")
  if [ -z "$(find "${corpora[@]}" -type f -print -quit)" ]; then
    echo "fuzz.sh: $target has no seed inputs"
    return 1
  fi
  local regressions="$root/tests/fuzz/regressions/$target"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    echo "== $target: $(ls "$regressions" | wc -l) input(s) that once failed"
    if ! "$out/$target" -timeout=10 -rss_limit_mb=2048 "$regressions"/* >"$out/$target.regressions.log" 2>&1; then
      echo "fuzz.sh: $target fails on an input of $regressions; the log is in $out/$target.regressions.log"
      tail -n 40 "$out/$target.regressions.log"
      return 1
    fi
  fi
  echo "== $target ($seconds s)"
  if ! "$out/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
         -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "${corpora[@]}" \
         >"$out/$target.log" 2>&1; then
    echo "fuzz.sh: $target failed; the input is in $artifacts, the log in $out/$target.log"
    tail -n 40 "$out/$target.log"
    return 1
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$out/$target.log" || true
}

# The targets run side by side, one per processor; what each says is shown whole when it ends.
declare -A running=()
finish_one() {
  local pid rc=0
  wait -n -p pid || rc=$?
  if [ "$rc" -eq 0 ]; then
    cat "$out/${running[$pid]}.said"
  else
    cat "$out/${running[$pid]}.said" >&2
    status=1
  fi
  unset "running[$pid]"
}
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  [ "${#running[@]}" -lt "$jobs" ] || finish_one
  fuzz_one "$target" >"$out/$target.said" 2>&1 &
  running[$!]="$target"
done
while [ "${#running[@]}" -gt 0 ]; do finish_one; done
exit $status
