#!/usr/bin/env bash
# Builds the libFuzzer targets of the book format and the builder with clang into out/fuzz and runs
# each for the given number of seconds (default 20), starting from seed corpora made from the samples.
# Fails when a target finds a crash, a leak, undefined behaviour or a hang.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
out="$root/out/fuzz"
jobs="${JOBS:-$(nproc)}"
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed (apt-get install clang)" >&2; exit 2; }

cmake -S "$root/tests/fuzz" -B "$out" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for target in fuzz_book_reader fuzz_settings_page fuzz_book_source fuzz_catalog_source fuzz_settings fuzz_epub_reader fuzz_search_page; do
  work="$out/work/$target"        # what the fuzzer finds; the seeds stay as they are
  artifacts="$out/artifacts/$target"
  mkdir -p "$work" "$artifacts" "$out/corpus/$target"
  echo "== $target ($seconds s)"
  if ! "$out/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
         -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "$out/corpus/$target" \
         >"$out/$target.log" 2>&1; then
    echo "fuzz.sh: $target failed; the input is in $artifacts, the log in $out/$target.log" >&2
    tail -n 40 "$out/$target.log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^Done' "$out/$target.log" || true
  fi
done
exit $status
