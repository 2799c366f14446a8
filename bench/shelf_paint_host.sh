#!/usr/bin/env bash
# The shelf's paint as a user gets it from the reference host: the whole program on a shelf of 100
# linked system catalogs (each with a "RID" the paint reads through Books.Dll), once with a command that
# only starts and ends ("start": `style on`, the look the shelf has already) and once with `render` of a
# shelf 1,000 pixels high (sizing, painting every window, composing and writing the PNG), and the same
# with an "Archive" of 10,000 catalogs above them, opened by a click. Runs alternate between the cases;
# each line gives the median CPU time (user + system) and the best wall time.
#
#   bench/shelf_paint_host.sh BUILD [RUNS]
#
# BUILD is a build folder holding host/tavrin-host, tools/bookc/tavrin-bookc and shelf/Books.Dll (a
# Release build). RUNS: runs of each case (default 20). Nothing of the user's is read or written.
set -euo pipefail
build="$(cd "${1:?usage: shelf_paint_host.sh BUILD [RUNS]}" && pwd)"
runs="${2:-20}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export TAVRIN_REGISTRY="$work/registry.db" TAVRIN_EBOOK_STORE="$work/ebooks"
mkdir -p "$work/ebooks"

# shelf NAME ARCHIVED: a shelf folder with Books.Dll and its Tavrin.Sys.
shelf() {
  local dir="$work/$1"
  mkdir -p "$dir"
  cp "$build/shelf/Books.Dll" "$dir/"
  {
    printf 'tavrin-catalog 1\ncodepage 1252\ncatalog "Bench shelf" {\n    id = 0\n'
    if [[ "$2" -gt 0 ]]; then
      printf '    catalog "Archive" {\n        id = 900\n'
      for ((i = 0; i < $2; i++)); do printf '        catalog "Archive %d" {\n            id = A%d\n        }\n' "$i" "$i"; done
      printf '    }\n'
    fi
    for ((i = 0; i < 100; i++)); do
      printf '    catalog "Linked catalog %d" {\n        id = L%d\n        rid = "link-%d"\n    }\n' "$i" "$i" "$i"
    done
    printf '}\n'
  } >"$dir/Tavrin.catalog"
  "$build/tools/bookc/tavrin-bookc" build "$dir/Tavrin.catalog" -o "$dir/Tavrin.Sys" >/dev/null
}
shelf plain 0
shelf archive 10000

declare -A cpu wall
cases=("plain start" "plain render" "archive start" "archive render")
run_case() {
  local name="${1%% *}" what="${1#* }" args=()
  if [[ "$what" == render ]]; then
    args=(render "$work/out.png" 300x1002)
    [[ "$name" == archive ]] && args+=(--expand "Bench shelf / Archive")
  else
    args=(style on)
  fi
  local t
  t="$( { TIMEFORMAT='%3U %3S %3R'; time "$build/host/tavrin-host" --shelf "$work/$name" "${args[@]}" >/dev/null 2>&1; } 2>&1)"
  read -r u s e <<<"$t"
  cpu[$1]+="$(echo "$u + $s" | bc) "
  wall[$1]+="$e "
}
# One run of each case first, which must succeed (and warms the caches).
for c in "${cases[@]}"; do
  name="${c%% *}"
  if [[ "${c#* }" == render ]]; then
    extra=(render "$work/out.png" 300x1002)
    [[ "$name" == archive ]] && extra+=(--expand "Bench shelf / Archive")
  else
    extra=(style on)
  fi
  "$build/host/tavrin-host" --shelf "$work/$name" "${extra[@]}" >/dev/null ||
    { echo "shelf_paint_host.sh: $c failed" >&2; exit 1; }
done
for ((r = 0; r < runs; r++)); do
  for c in "${cases[@]}"; do run_case "$c"; done
done
median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
best() { tr ' ' '\n' | grep -v '^$' | sort -n | head -1; }
for c in "${cases[@]}"; do
  printf '%-16s median CPU %6.3f s   best wall %6.3f s   (%d runs)\n' "$c" "$(median <<<"${cpu[$c]}")" \
    "$(best <<<"${wall[$c]}")" "$runs"
done
