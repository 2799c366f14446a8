#!/usr/bin/env bash
# What opening one large book costs the reference host: `show` with no book registered and with one
# book of each given file registered, and `search WORD` on each; with a second build, the two side by
# side, run after run alternated.
#
#   bench/open_book_host.sh RUNS WORD BUILD [OTHER_BUILD] -- BOOK...
#
# BUILD (and OTHER_BUILD, e.g. a build of an earlier commit) is a Release build folder holding
# host/tavrin-host and its shelf in shelf/. Each build and book gets a registry and an e-book store of
# its own in a scratch folder (the book registered with `add`); the books are only read. Each line
# gives the best and the median wall time and the median CPU time (user + system) of the runs: the
# difference between a book's `show` and the `show` with no book is what opening the book costs.
set -euo pipefail
usage="usage: open_book_host.sh RUNS WORD BUILD [OTHER_BUILD] -- BOOK..."
runs="${1:?$usage}"
word="${2:?$usage}"
shift 2
builds=()
while [[ $# -gt 0 && "$1" != "--" ]]; do
  builds+=("$(cd "$1" && pwd)")
  shift
done
[[ $# -gt 1 && ${#builds[@]} -gt 0 ]] || { echo "$usage" >&2; exit 2; }
shift
books=("$@")
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A registry per build and book ("none": no registry store at all).
for i in "${!builds[@]}"; do
  mkdir -p "$work/$i/none"
  for j in "${!books[@]}"; do
    mkdir -p "$work/$i/$j/ebooks"
    TAVRIN_REGISTRY="$work/$i/$j/registry.db" TAVRIN_EBOOK_STORE="$work/$i/$j/ebooks" \
      "${builds[$i]}/host/tavrin-host" --shelf "${builds[$i]}/shelf" add 65535 "${books[$j]}" >/dev/null
  done
done

# run BUILD_INDEX BOOK_INDEX|none COMMAND...: one run of the host, its output thrown away.
run() {
  local i="$1" j="$2"
  shift 2
  local registry="$work/$i/$j/registry.db" store="$work/$i/$j/ebooks"
  if [[ "$j" == none ]]; then registry="$work/$i/none/registry.db" store="$work/$i/none"; fi
  TAVRIN_REGISTRY="$registry" TAVRIN_EBOOK_STORE="$store" \
    "${builds[$i]}/host/tavrin-host" --shelf "${builds[$i]}/shelf" "$@" >/dev/null 2>&1
}

stats() {
  sort -n "$1" | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "best %6.1f ms  median %6.1f ms", v[1], m }'
}

cases=("none|show")
for j in "${!books[@]}"; do cases+=("$j|show" "$j|search $word"); done
TIMEFORMAT='%3R %3U %3S'
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $runs runs of each case and build"
for c in "${cases[@]}"; do
  j="${c%%|*}"
  read -ra command <<<"${c#*|}"
  for i in "${!builds[@]}"; do
    run "$i" "$j" "${command[@]}" || { echo "open_book_host.sh: '$c' failed with ${builds[$i]}" >&2; exit 1; }
    : >"$work/$i.wall"
    : >"$work/$i.cpu"
  done
  for ((r = 0; r < runs; r++)); do
    for i in "${!builds[@]}"; do
      t="$( { time run "$i" "$j" "${command[@]}"; } 2>&1)"
      read -r real user sys <<<"$t"
      awk -v r="$real" 'BEGIN { printf "%.3f\n", r * 1000 }' >>"$work/$i.wall"
      awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f\n", (u + s) * 1000 }' >>"$work/$i.cpu"
    done
  done
  name="${command[*]}"
  [[ "$j" == none ]] && name="$name, no book" || name="$name, $(basename "$(dirname "${books[$j]}")")"
  for i in "${!builds[@]}"; do
    cpu="$(sort -n "$work/$i.cpu" | awk '{ v[NR] = $1 } END { printf "%.1f", v[int((NR + 1) / 2)] }')"
    printf '%-26s wall %s  CPU median %5s ms  %s\n' "$name" "$(stats "$work/$i.wall")" "$cpu" "${builds[$i]}"
  done
done
