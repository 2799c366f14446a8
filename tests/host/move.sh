#!/usr/bin/env bash
# The host moving items on the sample shelf with the mouse, in a registry and e-book store of its own:
# a book dropped on another book (before it, or after it on the lower half), into a catalog of the
# user's, a place out of view reached by the shelf's auto-scroll, and the drops the shelf refuses,
# each with its reason and exit status 1.
#
#   tests/host/move.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: move.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup

# run NAME ARGS...: the host's output (stdout and stderr) in $out, its exit status in $status.
run() {
  set +e
  out="$("${host[@]}" "$@" 2>&1)"
  status=$?
  set -e
}

tang="Bookshelf / Literature / Classical Poetry / Tang Poems"
river="Bookshelf / E-books / A Journey Down the River"
gazetteer="Bookshelf / Unclassified / Gazetteer of River Towns"

# ---- books onto books ----
run move "$tang" "$river"
expect_status book-before 0 "$status"
expect book-before "^Move $tang onto $river \(middle of its label\):$" "$out"
expect book-before "^  \(no message from the shelf\)$" "$out"
expect book-before "^Moved: Bookshelf / E-books / Tang Poems$" "$out"
# Before the river book, in its catalog; the book is the same open book (its number kept).
expect book-before "^      Tang Poems  \[book flags 0x7 key TVR-POEM-ZH-0001" "$out"
refuse book-before "^        Tang Poems" "$out"
order="$(grep -E "^      (Tang Poems|A Journey Down the River)  " <<<"$out" | sed 's/  \[.*//; s/^ *//' | paste -sd,)"
expect book-before-order "^Tang Poems,A Journey Down the River$" "$order"

run move "$tang" "$river" lower
expect_status book-after 0 "$status"
order="$(grep -E "^      (Tang Poems|A Journey Down the River)  " <<<"$out" | sed 's/  \[.*//; s/^ *//' | paste -sd,)"
expect book-after-order "^A Journey Down the River,Tang Poems$" "$order"

# ---- into a catalog of the user's, chained with the command that makes it ----
run newcatalog "Bookshelf / Unclassified" Poems -- move "$tang" "Bookshelf / Unclassified / Poems" -- show
expect_status into-catalog 0 "$status"
expect into-catalog "^Moved: Bookshelf / Unclassified / Poems / Tang Poems$" "$out"
# The book opens in its new place as before.
run newcatalog "Bookshelf / Unclassified" Poems -- move "$tang" "Bookshelf / Unclassified / Poems" -- \
  click "Bookshelf / Unclassified / Poems / Tang Poems"
expect moved-click "WM_SHELF_NOTIFY 1 book 0x" "$out"
expect moved-click "^Selected: Bookshelf / Unclassified / Poems / Tang Poems$" "$out"

# ---- a place out of view: the shelf scrolls to it while the mouse is held beyond the edge ----
args=()
for i in $(seq 10 39); do args+=(newcatalog "Bookshelf / Unclassified" "N$i" --); done
run "${args[@]}" move "Bookshelf / Unclassified / N39" "Bookshelf / Unclassified / N10"
expect_status auto-scroll 0 "$status"
expect auto-scroll "^Move .* \(middle of its label\), [0-9]+ auto-scroll tick\(s\) to bring it into view:$" "$out"
expect auto-scroll "^Moved: Bookshelf / Unclassified / N39$" "$out"
order="$(tail -40 <<<"$out" | grep -E "^      N(39|10|11)  " | sed 's/  \[.*//; s/^ *//' | paste -sd,)"
expect auto-scroll-order "^N39,N10,N11$" "$order"

# ---- refusals ----
run move "$tang" "Bookshelf / Literature"
expect_status no-drop 1 "$status"
expect no-drop "^move: nothing moved: the item takes no dropped items \(the shelf beeped\)$" "$out"
run move "$gazetteer" "$river"
expect_status onto-book 1 "$status"
expect onto-book "^move: nothing moved: nothing of another kind goes into a book$" "$out"
run newcatalog "Bookshelf / Unclassified" Outer -- newcatalog "Bookshelf / Unclassified / Outer" Inner -- \
  newcatalog "Bookshelf / Unclassified" Other -- \
  move "Bookshelf / Unclassified / Outer / Inner" "Bookshelf / Unclassified / Other"
expect_status other-parent 1 "$status"
expect other-parent "^move: nothing moved: a catalog moves only among the catalogs of its own parent$" "$out"
run newcatalog "Bookshelf / Unclassified" Outer -- move "$gazetteer" "Bookshelf / Unclassified / Outer" -- \
  move "Bookshelf / Unclassified / Outer" "Bookshelf / Unclassified / Outer / Gazetteer of River Towns"
expect_status into-itself 1 "$status"
expect into-itself "^move: nothing moved: an item cannot go into itself or one of its own items$" "$out"
run contents 524a31 -- move "$river / Part One: Upstream" "$tang"
expect_status contents-entry 1 "$status"
expect contents-entry "cannot be dragged: only books, dictionaries and catalogs move$" "$out"
run move "Bookshelf / No Such Book" "$river"
expect_status missing 1 "$status"
expect missing "^move: no item Bookshelf / No Such Book$" "$out"
run move "$tang"
expect_status usage 2 "$status"

finish move
