#!/usr/bin/env bash
# The host end to end on the sample shelf, in a registry of its own: the contents tree of a sample
# book, going to a page, a page as text, and searches with and without a stop.
#
#   tests/host/navigation.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: navigation.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup

out="$("${host[@]}" contents 524a31 2>&1)"
expect contents "^  Part One: Upstream  \[chapter, page -1\]$" "$out"
expect contents "^      Provisions  \[page, page 3\]$" "$out"
expect contents "^      A map of the delta  \[page, page 7\]$" "$out"
out="$("${host[@]}" contents 524a31 1 2>&1)"
refuse contents-depth "Provisions" "$out"

out="$("${host[@]}" open 524A31 7 2>&1)"
expect open "^SetLocation\(524A31, page 7\) = 1$" "$out"
expect open "WM_SHELF_NOTIFY 2 book 0x[0-9a-f]+ page 7$" "$out"
expect open "^Selected: .* / A Journey Down the River / Part Two: Downstream / Chapter 4: The Delta / A map of the delta$" "$out"
out="$("${host[@]}" open no-such-book 1 2>&1 || true)"
expect open-missing "= 0$" "$out"

out="$("${host[@]}" page 524a31 2 2>&1)"
expect page "There were four of us" "$out"
refuse page $'\xff' "$out"
# A Big5 page that starts with a font sequence (whose operands hold zero bytes), read whole and shown
# in UTF-8.
out="$("${host[@]}" page TVR-POEM-ZH-0001 1 2>&1)"
expect page-poem "^靜夜思$" "$out"
expect page-poem "^床前明月光，$" "$out"
expect page-poem-caption "^月下思鄉圖$" "$out"

out="$("${host[@]}" search --book 524a31 river 2>&1)"
expect search "^524a31  A Journey Down the River  page 2  The crew$" "$out"
expect search "^4 hit\(s\); searched to the end$" "$out"
out="$("${host[@]}" search --case River 2>&1)"
refuse search-case "page 2  The crew" "$out"
out="$("${host[@]}" search --max 1 river 2>&1)"
expect search-stop "^1 hit\(s\); stopped$" "$out"

# The sample e-books, added to the store in the order of their file names.
out="$("${host[@]}" show 2>&1)"
expect ebook-class "^      Short Stories  \[catalog flags 0x7 key short-stories" "$out"
expect ebook-book "^        The Lantern Keeper  \[book flags 0x6 key EPUB2" "$out"
out="$("${host[@]}" contents EPUB2 2>&1)"
expect ebook-contents "^    A ship in the dark  \[page, page 1\]$" "$out"
out="$("${host[@]}" open EPUB2 2 2>&1)"
expect ebook-open "^Selected: .* / Short Stories / The Lantern Keeper / Morning$" "$out"
out="$("${host[@]}" page EPUB2 1 2>&1)"
expect ebook-page "^By midnight the wind had found every crack" "$out"
out="$("${host[@]}" search wind 2>&1)"
expect ebook-search "^EPUB2  The Lantern Keeper  page 1  The Storm$" "$out"

finish "host navigation"
