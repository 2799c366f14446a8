#!/usr/bin/env bash
# The CPU time of Search on a quiet machine and on a busy one: the same searches, first alone, then
# with a busy loop on each of the other cores. A search whose threads sleep while they wait costs
# the same CPU time either way; one that spins pays for the waits the busy loops cause.
#   bench/search_busy.sh BUILD FOLDER [WORD] [ROUNDS] [REPEATS]
# BUILD: a Release build folder with bench/bench_search_throughput; FOLDER: a book made by it
# (docs/search-books.md); WORD (default zymotic); ROUNDS Searches per process (default 10); REPEATS
# processes of each kind, alternated (default 3). Prints the median CPU and wall time of a Search.
set -euo pipefail
build="$1"
folder="$2"
word="${3:-zymotic}"
rounds="${4:-10}"
repeats="${5:-3}"
bench="$build/bench/bench_search_throughput"
[[ -x "$bench" ]] || { echo "search_busy.sh: build $bench first" >&2; exit 2; }
cores=$(nproc)

# median FILE COLUMN: the median of the numbers in that column
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

quiet=$(mktemp) busy=$(mktemp)
trap 'rm -f "$quiet" "$busy"' EXIT
for ((r = 0; r < repeats; r++)); do
  "$bench" search "$folder" "$word" exact "$rounds" | grep '^round' >>"$quiet"
  pids=()
  for ((c = 1; c < cores; c++)); do
    taskset -c "$c" bash -c 'while :; do :; done' &
    pids+=($!)
  done
  "$bench" search "$folder" "$word" exact "$rounds" | grep '^round' >>"$busy"
  kill "${pids[@]}"
  wait "${pids[@]}" 2>/dev/null || true
done
for kind in quiet busy; do
  file=${!kind}
  # round R: wall W s, cpu C s
  cpu=$(awk '{print $7}' "$file" | median)
  wall=$(awk '{print $4}' "$file" | median)
  printf '%-5s  median of %d Searches: cpu %s s, wall %s s\n' "$kind" "$(wc -l <"$file")" "$cpu" "$wall"
done
