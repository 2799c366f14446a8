#!/usr/bin/env bash
# The reference host with thousands of real registered books: registering them with one `add`, and
# starting up with them registered, as a user runs the host.
#
#   bench/startup_real_books.sh DATA RUNS BUILD...
#
# DATA: where the books, the shelf folders and the registries are made (kept between runs: the books
# are made once). RUNS: how many start-ups of each build are timed. BUILD: one or more build folders
# (tavrin-host, tavrin-bookc and the shelf's drivers); with several, every measurement is made for
# each in turn, alternated, so that a busy machine weighs on all of them alike.
#
# The books: 10,000 files made by the book builder from generated sources, 20 to 50 pages of 0.5 to
# 2.5 KB of text each, two levels of contents (parts and chapters); every tenth a dictionary whose
# class the dictionary library serves. The system catalog has 100 catalogs that list 95 % of the books
# (the rest go to "65535"); the book numbers are extended numbers ("RB-00001").
#
# For N = 1,000 and 10,000 and each build: `add 65535 <N files>` into an empty registry (CPU and wall
# time of the one command); `books` once (lists every book with what the host asks the shelf about
# each: timed, and its count of books checked against N); then RUNS start-ups timed alternately: the
# host makes the shelf with every registered book opened by the book driver, runs `status off` (a
# command that touches no book) and exits.
set -euo pipefail
data="${1:?usage: startup_real_books.sh DATA RUNS BUILD...}"
runs="${2:?usage: startup_real_books.sh DATA RUNS BUILD...}"
shift 2
builds=("$@")
[[ ${#builds[@]} -gt 0 ]] || { echo "startup_real_books.sh: give at least one build folder" >&2; exit 2; }
total=10000
counts=(1000 10000)
mkdir -p "$data/src" "$data/books"
data="$(cd "$data" && pwd)"

# ---- the books (made once) ----
bookc="${builds[0]}/tools/bookc/tavrin-bookc"
if [[ ! -f "$data/books/done-$total" ]]; then
  echo "making $total book sources ..."
  perl -e '
    use strict; my ($dir, $total) = @ARGV; srand(13);
    my @w = qw(river bank boat stone light morning field road house water bridge market tower garden
      winter summer letter window silver mountain forest valley harbour island journey lantern mill
      village orchard meadow storm candle shadow evening morning north south east west old new quiet
      long short wide narrow the a of and to in that it was for on with as his they at be this from);
    for my $n (1 .. $total) {
      my $id = sprintf("%05d", $n);
      open(my $f, ">", "$dir/book-$id.book") or die;
      my $dict = $n % 10 == 0;
      print $f "tavrin-book 1\ncodepage 1252\nnumber \"RB-$id\"\nname 3 \"Real book $id\"\n";
      print $f $dict ? "class 0x0010\ndict low=0x01 high=0x02 class=3\n" : "class ebook\n";
      my $pages = 20 + int(rand(31));
      my $parts = 2 + int(rand(4));
      print $f "\ncontents {\n";
      my $p = 0;
      for my $part (1 .. $parts) {
        print $f "    \"Part $part\" {\n";
        my $left = $pages - $p; my $each = int($left / ($parts - $part + 1));
        for (1 .. $each) { print $f "        \"Chapter $p\" -> p$p\n"; $p++; }
        print $f "    }\n";
      }
      print $f "}\n";
      for my $q (0 .. $pages - 1) {
        print $f "\npage p$q\n";
        my $bytes = 500 + int(rand(2000)); my $line = ""; my $done = 0;
        while ($done < $bytes) {
          my $word = $w[int(rand(@w))]; $line .= ($line eq "" ? "" : " ") . $word; $done += length($word) + 1;
          if (length($line) > 70) { print $f "$line\n"; $line = ""; }
        }
        print $f "$line\n" if $line ne "";
        print $f "endpage\n";
      }
      close $f;
    }' "$data/src" "$total"
  echo "building $total books with $bookc ..."
  ls "$data/src" | sed 's/\.book$//' |
    xargs -P 2 -I{} "$bookc" build "$data/src/{}.book" -o "$data/books/{}.ebd"
  touch "$data/books/done-$total"
fi

# The system catalog: 100 catalogs below "Bookshelf", book n listed in catalog n % 100 unless n % 20 is 0.
catalog="$data/Tavrin.catalog"
if [[ ! -f "$catalog" ]]; then
  perl -e '
    my ($total) = @ARGV;
    print "tavrin-catalog 1\ncodepage 1252\nserial 0x52424B53\nname 3 \"Real books\"\n\n";
    print "catalog \"Bookshelf\" {\n    id = 0\n";
    for my $c (0 .. 99) {
      print "    catalog \"Catalog $c\" {\n        id = ", 100 + $c, "\n        books {\n";
      for (my $n = $c == 0 ? 100 : $c; $n <= $total; $n += 100) {
        next if $n % 20 == 0;
        printf "            \"book-%05d.ebd\" = %d\n", $n, $n % 7 ? 0 : 1;
      }
      print "        }\n    }\n";
    }
    print "    catalog \"Unclassified\" {\n        id = 65535\n        canaddbook = 1\n    }\n}\n";' \
    "$total" >"$catalog"
fi

# shelf_of BUILD: a shelf folder of its own for the build (its drivers, the catalog above, a
# dictionary library serving class 3), printed.
shelf_of() {
  local build="$1" shelf
  shelf="$data/shelf-$(echo "$build" | md5sum | cut -c1-8)"
  mkdir -p "$shelf"
  cp "$build"/shelf/*.dll "$build"/shelf/*.Dll "$shelf/" # the build's drivers, as they are now
  if [[ ! -f "$shelf/Tavrin.Sys" ]]; then
    printf 'class 3\n' >"$shelf/ZavikApi.ini"
    "$build/tools/bookc/tavrin-bookc" build "$catalog" -o "$shelf/Tavrin.Sys" >/dev/null
  fi
  echo "$shelf"
}

files_of() { ls "$data/books/"book-*.ebd | head -n "$1"; }

export TAVRIN_EBOOK_STORE="$data/no-ebooks"
cat "$data"/books/*.ebd >/dev/null # warm the page cache
# timed FORMAT BUILD SHELF REGISTRY ARGS...: the time line printed; the host's output kept in
# $data/output.txt.
timed() {
  local format="$1" build="$2" shelf="$3" registry="$4"
  shift 4
  TAVRIN_REGISTRY="$registry" /usr/bin/time -f "$format" "$build/host/tavrin-host" --shelf "$shelf" "$@" \
    2>&1 >"$data/output.txt" | tail -n 1 || true
}

for n in "${counts[@]}"; do
  mapfile -t files < <(files_of "$n")
  echo "== $n books"
  for build in "${builds[@]}"; do
    shelf="$(shelf_of "$build")"
    registry="$shelf/registry-$n.db"
    rm -f "$registry" "$registry-wal" "$registry-shm"
    echo "   add of $n files    $build: $(timed '%e s wall, %U s user, %S s system' "$build" "$shelf" \
      "$registry" add 65535 "${files[@]}")"
    echo "   books ($n books)   $build: $(timed '%e s wall, %U s user, %S s system' "$build" "$shelf" \
      "$registry" books)"
    count="$(grep -c '^    number ' "$data/output.txt" || true)"
    [[ "$count" -eq "$n" ]] || echo "   !! $build: $count of $n books on the shelf after the add"
  done
  for ((r = 0; r < runs; r++)); do
    for build in "${builds[@]}"; do
      shelf="$(shelf_of "$build")"
      echo "   start-up ($n books) $build: $(timed '%e %U %S' "$build" "$shelf" "$shelf/registry-$n.db" \
        status off) (wall user system, s)"
    done
  done
done
