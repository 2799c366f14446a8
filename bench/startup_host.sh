#!/usr/bin/env bash
# The reference host's start-up as a user runs it: the whole program (start, make the shelf, one
# command, end), N times, on the sample shelf and on an empty one; with a second build, the two side
# by side, run after run alternated.
#
#   bench/startup_host.sh BUILD [RUNS] [OTHER_BUILD]
#
# BUILD (and OTHER_BUILD, e.g. a copy of an earlier build) is a build folder holding host/tavrin-host
# and the sample shelf in shelf/ (a Release build: cmake -DCMAKE_BUILD_TYPE=Release). RUNS: runs of
# each case (default 50). Each build gets a registry and an e-book store of its own in a scratch
# folder, with the sample books registered as scripts/run.sh registers them; nothing of the user's is
# read or written.
#
# Cases: "sample show" (the sample shelf: 4 registered books and dictionaries, 2 e-books, `show`);
# "sample status" (the same shelf, `status on`: the tree's images changed, one line printed);
# "sample search" (the same shelf, `search river`: every book and e-book searched); "empty show" and
# "empty search" (no registry store and an empty e-book store: the catalogs of Tavrin.Sys only; the
# search ends with "no book on the shelf" and status 1, as it should).
# Each line gives the best and the median wall time and the median CPU time (user + system) of the
# runs. With hyperfine installed its summary of each case follows (its runs are not alternated).
# With valgrind installed, one run of "sample show" per build under callgrind gives the breakdown:
# instructions (user space only) of each part of the start-up; page faults and libraries loaded
# come from GNU time and the dynamic loader.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
builds=("$(cd "${1:?usage: startup_host.sh BUILD [RUNS] [OTHER_BUILD]}" && pwd)")
runs="${2:-50}"
if [[ -n "${3:-}" ]]; then builds+=("$(cd "$3" && pwd)"); fi
for b in "${builds[@]}"; do
  [[ -x "$b/host/tavrin-host" && -d "$b/shelf" ]] || { echo "startup_host.sh: no host or shelf in $b" >&2; exit 2; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Each build's own registry and e-book store, with the samples registered.
for i in "${!builds[@]}"; do
  mkdir -p "$work/$i/ebooks" "$work/$i/no-ebooks"
  TAVRIN_REGISTRY="$work/$i/registry.db" TAVRIN_EBOOK_STORE="$work/$i/ebooks" \
    bash "$root/scripts/register_samples.sh" "${builds[$i]}" >/dev/null
done

# command_line BUILD_INDEX CASE: the command line of a case (through env, so that it runs as it is).
command_line() {
  local i="$1" b="${builds[$1]}"
  case "$2" in
  "sample show") echo "env TAVRIN_REGISTRY=$work/$i/registry.db TAVRIN_EBOOK_STORE=$work/$i/ebooks" \
    "$b/host/tavrin-host --shelf $b/shelf show" ;;
  "sample status") echo "env TAVRIN_REGISTRY=$work/$i/registry.db TAVRIN_EBOOK_STORE=$work/$i/ebooks" \
    "$b/host/tavrin-host --shelf $b/shelf status on" ;;
  "sample search") echo "env TAVRIN_REGISTRY=$work/$i/registry.db TAVRIN_EBOOK_STORE=$work/$i/ebooks" \
    "$b/host/tavrin-host --shelf $b/shelf search river" ;;
  "empty show") echo "env TAVRIN_REGISTRY=$work/$i/none.db TAVRIN_EBOOK_STORE=$work/$i/no-ebooks" \
    "$b/host/tavrin-host --shelf $b/shelf show" ;;
  "empty search") echo "env TAVRIN_REGISTRY=$work/$i/none.db TAVRIN_EBOOK_STORE=$work/$i/no-ebooks" \
    "$b/host/tavrin-host --shelf $b/shelf search river" ;;
  esac
}

# run BUILD_INDEX CASE: one run of the host, its output thrown away; the status the case should end
# with (1 for a search of an empty shelf) counts as success.
run() {
  local status=0
  # shellcheck disable=SC2046 # the words of the command line
  $(command_line "$1" "$2") >/dev/null 2>&1 || status=$?
  [[ $status -eq 0 || ($status -eq 1 && "$2" == "empty search") ]]
}

# stats FILE: "best B ms  median M ms" of the numbers (ms) in FILE, one a line.
stats() {
  sort -n "$1" | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "best %6.1f ms  median %6.1f ms", v[1], m }'
}

cases=("sample show" "sample status" "sample search" "empty show" "empty search")
TIMEFORMAT='%3R %3U %3S'
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $runs runs of each case and build"
for c in "${cases[@]}"; do
  for i in "${!builds[@]}"; do
    run "$i" "$c" || { echo "startup_host.sh: '$c' failed with ${builds[$i]}" >&2; exit 1; }
    : >"$work/$i.wall"
    : >"$work/$i.cpu"
  done
  for ((r = 0; r < runs; r++)); do
    for i in "${!builds[@]}"; do
      t="$( { time run "$i" "$c"; } 2>&1)"
      read -r real user sys <<<"$t"
      awk -v r="$real" 'BEGIN { printf "%.3f\n", r * 1000 }' >>"$work/$i.wall"
      awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f\n", (u + s) * 1000 }' >>"$work/$i.cpu"
    done
  done
  for i in "${!builds[@]}"; do
    cpu="$(sort -n "$work/$i.cpu" | awk '{ v[NR] = $1 } END { printf "%.1f", v[int((NR + 1) / 2)] }')"
    printf '%-14s wall %s  CPU median %5s ms  %s\n' "$c" "$(stats "$work/$i.wall")" "$cpu" "${builds[$i]}"
  done
done

if command -v hyperfine >/dev/null; then
  echo
  echo "hyperfine (runs of each command in a row, not alternated; env adds its own start):"
  for c in "${cases[@]}"; do
    for i in "${!builds[@]}"; do
      hyperfine -N -i --warmup 5 --runs "$runs" --style basic --command-name "$c (${builds[$i]})" \
        "$(command_line "$i" "$c")" 2>/dev/null | grep -E "Benchmark|Time|Range" || true
    done
  done
fi

echo
if ! command -v valgrind >/dev/null; then
  echo "valgrind is not installed: no breakdown"
  exit 0
fi
# Inclusive instructions of the parts of a start-up, as callgrind_annotate lists them (the first,
# largest entry of each function).
parts=(
  "all|PROGRAM TOTALS"
  "dynamic loading before main|:_dl_start "
  "main|:main "
  "registry check|RegistryReadable()"
  "shelf window made|CTavrinCtrl::OnCreate("
  "  fonts (metrics, glyphs)|plat::detail::FaceFor("
  "    fontconfig configuration read|:FcInitLoadConfigAndFonts "
  "  image list: bitmaps loaded|CBitmap::LoadBitmapA(unsigned int)"
  "  image list: images added|CImageList::Add(CBitmap*, unsigned int)"
  "  drivers loaded (LoadLibrary)|:LoadLibraryExA "
  "  entry points looked up|:GetProcAddress "
  "  registered books|CTavrinCtrl::EnumRegBooks("
  "  e-books|CTavrinCtrl::AddHtmlEBook("
  "tree painted|plat::detail::tv::Paint("
  "the command (show)|RunShow("
  "windows destroyed|:DestroyWindow "
)
for i in "${!builds[@]}"; do
  b="${builds[$i]}"
  TAVRIN_REGISTRY="$work/$i/registry.db" TAVRIN_EBOOK_STORE="$work/$i/ebooks" \
    valgrind --tool=callgrind --callgrind-out-file="$work/cg.$i" "$b/host/tavrin-host" --shelf "$b/shelf" show \
    >/dev/null 2>&1
  callgrind_annotate --inclusive=yes --threshold=100 "$work/cg.$i" 2>/dev/null | grep -E '^ *[0-9,]+ ' >"$work/cg.$i.txt"
  faults="$(TAVRIN_REGISTRY="$work/$i/registry.db" TAVRIN_EBOOK_STORE="$work/$i/ebooks" \
    /usr/bin/time -f '%R' "$b/host/tavrin-host" --shelf "$b/shelf" show 2>&1 >/dev/null | tail -n 1)"
  libs="$(TAVRIN_REGISTRY="$work/$i/registry.db" TAVRIN_EBOOK_STORE="$work/$i/ebooks" LD_DEBUG=files \
    "$b/host/tavrin-host" --shelf "$b/shelf" show 2>&1 >/dev/null | grep -c 'file=.*\[0\];  generating link map' || true)"
  echo "== sample show, $b: $faults page faults, $libs shared objects loaded"
  total="$(awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1; exit }' "$work/cg.$i.txt")"
  for p in "${parts[@]}"; do
    name="${p%%|*}"
    pattern="${p#*|}"
    n="$( (grep -F -m1 -- "$pattern" "$work/cg.$i.txt" || true) | awk '{ gsub(",", "", $1); print $1 }')"
    printf '  %-32s %12s instructions  %5.1f %%\n' "$name" "$(printf "%'d" "${n:-0}")" \
      "$(awk -v n="${n:-0}" -v t="$total" 'BEGIN { print 100 * n / t }')"
  done
done
