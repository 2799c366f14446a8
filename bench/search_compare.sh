#!/usr/bin/env bash
# The control's full-text search beside grep -F and rg -F on the same text, in one run.
#   bench/search_compare.sh [BUILD] [DATA] [RUNS]
# BUILD: a Release build folder with bench_search_throughput (default build-search-rel);
# DATA: where the book and its plain text are made (default /tmp/tavrin-search-data);
# RUNS: how many times each command runs; the best wall time counts (default 5).
# The book is made once from the dict-gcide package's text (/usr/share/dictd/gcide.dict.dz). Each
# command's output goes through a pipe (| wc -l), as a user's would; the search program's time
# includes its start-up (making the control, opening the book).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-search-rel}"
data="${2:-/tmp/tavrin-search-data}"
runs="${3:-5}"
bench="$build/bench/bench_search_throughput"
dict=/usr/share/dictd/gcide.dict.dz
[[ -x "$bench" ]] || { echo "search_compare.sh: build $bench first" >&2; exit 2; }
[[ -f "$data/words.ebd" && -f "$data/words.txt" ]] || "$bench" make "$dict" "$data" 200
plain="$data/words.txt"
cat "$data/words.ebd" "$plain" >/dev/null # warm the page cache

# best_of COMMAND...: the best wall time in seconds over $runs runs, and the last output line.
best_of() {
  local best="" out t0 t1 t
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s.%N)
    out=$(bash -c "$*" 2>&1 | tail -n 1)
    t1=$(date +%s.%N)
    t=$(echo "$t1 - $t0" | bc)
    if [[ -z "$best" ]] || (($(echo "$t < $best" | bc))); then best=$t; fi
  done
  printf '%8.3f s  %-50s -> %s\n' "$best" "${*/$data\//}" "${out%% (set-up*}"
}

# grep in the C locale reads the text as bytes; in a UTF-8 locale it calls the few non-UTF-8 bytes
# binary and stops printing lines.
export LC_ALL=C
echo "book: $(stat -c %s "$data/words.ebd") bytes; plain text: $(stat -c %s "$plain") bytes; best of $runs"
for word in "${RARE:-zymotic}" "${COMMON:-the}"; do
  for mode in exact anycase; do
    flag=""
    [[ $mode == anycase ]] && flag="-i"
    echo "== \"$word\" $mode"
    # The whole program (start-up, making the control, opening the book, one Search, tear-down) ...
    best_of "$bench search $data '$word' $mode 1 | cat"
    # ... and Search alone, the best of $runs searches in one process.
    echo "   Search alone: $("$bench" search "$data" "$word" $mode "$runs" | sed -E 's/.*best of [0-9]+: ([0-9.]+ s).*/\1/')"
    best_of "grep -F $flag -- '$word' $plain | wc -l"
    best_of "rg -F $flag -- '$word' $plain | wc -l"
    echo "   lines holding it (grep -c): $(grep -c -F $flag -- "$word" "$plain")"
  done
done
