#!/usr/bin/env bash
# The book builder's peak memory and time on large sources of real text, beside another build of the
# builder (the one before a change) in one run, and the two books compared byte for byte.
#   bench/bookc_memory.sh [BUILD] [OTHER] [DATA] [RUNS]
# BUILD: a Release build folder with tavrin-bookc and bench_book_source (default build-bookc-rel);
# OTHER: another tavrin-bookc to measure beside it (default none);
# DATA: where the sources and books are made (default /tmp/tavrin-bookc-data);
# RUNS: how many times each builder builds each source, the two alternated (default 3).
# The text is the plain text the pages hold (MEGABYTES); the source is larger (markup, contents).
# SIZES (megabytes of text, default "40 400") and SHAPES (default "big ordinary headword") choose the
# sources, made once from the dict-gcide package's text (/usr/share/dictd/gcide.dict.dz) by
# bench_book_source. Peak memory is the maximum resident set size from /usr/bin/time (package `time`).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-bookc-rel}"
other="${2:-}"
data="${3:-/tmp/tavrin-bookc-data}"
runs="${4:-3}"
bookc="$build/tools/bookc/tavrin-bookc"
maker="$build/bench/bench_book_source"
dict=/usr/share/dictd/gcide.dict.dz
for exe in "$bookc" "$maker" /usr/bin/time; do
  [[ -x "$exe" ]] || { echo "bookc_memory.sh: $exe is missing" >&2; exit 2; }
done
mkdir -p "$data"

# run BOOKC SOURCE OUTPUT: prints "peak-KB user+sys-s wall-s" of one build.
run() {
  /usr/bin/time -o "$data/time.txt" -f '%M %U %S %e' "$1" build "$2" -o "$3" >/dev/null 2>&1 ||
    { echo "bookc_memory.sh: $1 could not build $2" >&2; exit 1; }
  read -r peak user sys wall <"$data/time.txt"
  echo "$peak $(echo "$user + $sys" | bc) $wall"
}

# median of the numbers on standard input
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '| source | pages | source MB | builder | peak MB | peak / source | peak / text | CPU s (median) | wall s (median) |\n'
printf '|---|---|---|---|---|---|---|---|---|\n'
for size in ${SIZES:-40 400}; do
  for shape in ${SHAPES:-big ordinary headword}; do
    src="$data/$shape-$size.book"
    [[ -f "$src" ]] || "$maker" "$dict" "$src" "$size" "$shape" >/dev/null
    bytes=$(stat -c %s "$src")
    cat "$src" >/dev/null # warm the page cache
    declare -A peaks=() cpus=() walls=()
    names=(this)
    [[ -n "$other" ]] && names=(other this)
    for ((r = 0; r < runs; r++)); do
      for name in "${names[@]}"; do
        exe="$bookc"
        [[ $name == other ]] && exe="$other"
        read -r peak cpu wall < <(run "$exe" "$src" "$data/$shape-$size.$name.ebd")
        peaks[$name]+="$peak "
        cpus[$name]+="$cpu "
        walls[$name]+="$wall "
      done
    done
    pages=$("$bookc" check "$data/$shape-$size.this.ebd" | sed -nE 's/.* ([0-9]+) pages.*/\1/p')
    for name in "${names[@]}"; do
      peak=$(tr ' ' '\n' <<<"${peaks[$name]}" | grep . | sort -n | tail -n 1)
      printf '| %s-%s | %s | %.0f | %s | %.0f | %.2f | %.2f | %.2f | %.2f |\n' "$shape" "$size" "$pages" \
        "$(echo "$bytes / 1000000" | bc -l)" "$name" "$(echo "$peak * 1024 / 1000000" | bc -l)" \
        "$(echo "$peak * 1024 / $bytes" | bc -l)" "$(echo "$peak * 1024 / ($size * 1000000)" | bc -l)" \
        "$(tr ' ' '\n' <<<"${cpus[$name]}" | grep . | median)" \
        "$(tr ' ' '\n' <<<"${walls[$name]}" | grep . | median)"
    done
    if [[ -n "$other" ]]; then
      if cmp -s "$data/$shape-$size.other.ebd" "$data/$shape-$size.this.ebd"; then
        echo "|   | | | the two books are the same, byte for byte | | | | | |"
      else
        echo "|   | | | THE TWO BOOKS DIFFER | | | | | |"
      fi
    fi
    rm -f "$data/$shape-$size".*.ebd
    unset peaks cpus walls
  done
done
