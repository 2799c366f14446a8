#!/usr/bin/env bash
# What the host loads to start: listing the sample shelf (its e-books included) reads no font
# configuration and loads neither libzip nor libxml2, which the e-book driver loads when a book is
# first read; reading an e-book's page then works as before. A command that shows nothing (listing
# the books, searching) draws nothing and does not load the drawing library either; one that shows
# the shelf does. Nor does a start in English load the Chinese code-page converters.
#
#   tests/host/startup_libraries.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: startup_libraries.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup

# fontconfig reads its configuration on its first use; pointed at a file that is not there, it says so.
out="$(FONTCONFIG_FILE="$work/none.conf" LD_DEBUG=files "${host[@]}" show 2>&1)"
expect show "^        A Small Garden Almanac  \[book" "$out"
refuse show-font-configuration "Fontconfig" "$out"
refuse show-libzip "file=libzip" "$out"
refuse show-libxml2 "file=libxml2" "$out"

out="$(LD_DEBUG=files "${host[@]}" books 2>&1)"
expect books "^  A Small Garden Almanac  \[book\]" "$out"
refuse books-cairo "file=libcairo" "$out"
refuse books-converters "gconv/(BIG5|GBK)" "$out" # the dialogs' Chinese texts are made when first shown
out="$(LD_DEBUG=files "${host[@]}" search seed 2>&1)"
expect search "A Small Garden Almanac  page 2" "$out"
refuse search-cairo "file=libcairo" "$out"
out="$(LD_DEBUG=files "${host[@]}" search seed -- show 2>&1)"
expect search-then-show "file=libcairo" "$out"

number="$("${host[@]}" books | grep -A1 "^  A Small Garden Almanac  \[book\]" | sed -n 's/^    number    //p')"
[[ -n "$number" ]] || { echo "FAIL: no number for the sample e-book" >&2; exit 1; }
out="$(LD_DEBUG=files "${host[@]}" page "$number" 1 2>&1)"
expect page "^Water in the evening, deeply and seldom" "$out"
expect page-libxml2 "file=libxml2" "$out"
out="$("${host[@]}" contents "$number" 2>&1)"
expect contents "^    Saving seed  \[page, page 2\]$" "$out"

finish startup_libraries
