#!/usr/bin/env bash
# The user's catalogs outlive the host: a catalog made and a book moved into it in one run are there,
# in the same place and with the book's name, in the next run; a rename and a delete are kept too.
#
#   tests/host/user_catalogs_restart.sh BUILD_DIR
set -euo pipefail
build="$(cd "${1:?usage: user_catalogs_restart.sh BUILD_DIR}" && pwd)"
source "$(dirname "$0")/lib.sh"
host_shelf_setup
cd "$work"
bare=("$build/host/tavrin-host" --shelf "$build/shelf")
file="$work/user-catalogs.dat"
tang="Bookshelf / Literature / Classical Poetry / Tang Poems"
poems="Bookshelf / Unclassified / Poems"

run() {
  set +e
  out="$("${bare[@]}" "$@" 2>&1)"
  status=$?
  set -e
}

run newcatalog "Bookshelf / Unclassified" Poems -- move "$tang" "$poems"
expect_status made 0 "$status"
expect made "^Moved: $poems / Tang Poems$" "$out"

run show
expect_status restart 0 "$status"
refuse restart "warning" "$out"
expect restart "^      Poems  \[catalog" "$out"
expect restart "^        Tang Poems  \[book flags 0x7 key TVR-POEM-ZH-0001" "$out"
# In Unclassified, with the book in it, and the book no longer in its class catalog.
expect restart-place "^      Poems  \[catalog" "$(sed -n '/^    Unclassified  /,$p' <<<"$out")"
expect restart-book "^        Tang Poems  \[book" "$(grep -A1 "^      Poems  \[catalog" <<<"$out" | tail -n 1)"
refuse restart-moved "Tang Poems" "$(grep -A1 "^      Classical Poetry  " <<<"$out" | tail -n 1)"

# Renamed in one run, deleted in the next: each outlives the run.
run rename "$poems" Verse
expect_status rename 0 "$status"
run show
expect renamed "^      Verse  \[catalog" "$out"
refuse renamed "^      Poems  \[catalog" "$out"
# A catalog with a book in it cannot be deleted; an empty one can, and stays deleted.
run newcatalog "Bookshelf / Unclassified" Spare
expect_status spare 0 "$status"
run show
expect spare "^      Spare  \[catalog" "$out"
run menu "Bookshelf / Unclassified / Spare" Delete
expect_status delete 0 "$status"
run show
expect_status deleted 0 "$status"
refuse deleted "^      Spare  \[catalog" "$out"
expect deleted-kept "^      Verse  \[catalog" "$out"

finish "host user catalogs restart"
