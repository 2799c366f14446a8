#!/usr/bin/env bash
# The host dropping text on the sample shelf as another program's drag does: a book and a dictionary
# get the text with their handle and end up selected without a selection notice; a catalog is only
# selected and the command says why nothing came; texts in the active code page, Chinese through
# --codepage 950 and from a Big5 terminal, a text the code page cannot hold, an empty text.
#
#   tests/host/droptext.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: droptext.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup
export LC_ALL=C.UTF-8

# expect_count NAME COUNT PATTERN OUTPUT: exactly COUNT lines of the output match the pattern.
expect_count() {
  local got
  got=$(grep -Ec -- "$3" <<<"$4" || true)
  if [[ "$got" -ne "$2" ]]; then
    echo "FAIL $1: $got line(s) match /$3/, wanted $2, in:" >&2
    head -40 <<<"$4" | sed 's/^/    /' >&2
    failures=$((failures + 1))
  fi
}

# handle_of NUMBER OUTPUT: the handle `books` printed for the book numbered NUMBER.
handle_of() {
  awk -v n="$1" '$1 == "number" { found = ($2 == n) } found && $1 == "handle" { print $2; exit }' <<<"$2"
}

river="Bookshelf / E-books / A Journey Down the River"
pocket="Bookshelf / Dictionaries / Pocket English Dictionary"
poems="Bookshelf / Literature / Classical Poetry / Tang Poems"

# ---- a book and a dictionary ----
out="$("${host[@]}" books -- droptext "$river" "downstream" -- droptext "$pocket" "café au lait" 2>&1)"
river_handle="$(handle_of 524a31 "$out")"
pocket_handle="$(handle_of TVR-DICT-EN-0001 "$out")"
[[ -n "$river_handle" && -n "$pocket_handle" ]] || { echo "FAIL books: no handles in: $out" >&2; exit 1; }
expect drop-book "^Drop \"downstream\" on $river:$" "$out"
expect drop-book "^  WM_SHELF_DROPTEXT book $river_handle text \"downstream\"$" "$out"
expect drop-book "^Selected: $river$" "$out"
expect drop-dict "^  WM_SHELF_DROPTEXT book $pocket_handle text \"café au lait\"$" "$out"
expect drop-dict "^Selected: $pocket$" "$out"
expect_count drop-once 2 "WM_SHELF_DROPTEXT" "$out"
refuse drop-no-notice "WM_SHELF_NOTIFY" "$out"

# ---- a catalog: selected, nothing sent, and the reason ----
out="$("${host[@]}" droptext "Bookshelf / Literature" "word" 2>&1)" && status=0 || status=$?
expect_status drop-catalog 1 "$status"
expect drop-catalog "^  \(no message from the shelf\)$" "$out"
expect drop-catalog "^Selected: Bookshelf / Literature$" "$out"
expect drop-catalog "^droptext: Bookshelf / Literature is not a book or dictionary$" "$out"

out="$("${host[@]}" droptext "Bookshelf / No Such Book" "word" 2>&1)" && status=0 || status=$?
expect_status drop-missing 1 "$status"
expect drop-missing "^droptext: no item Bookshelf / No Such Book$" "$out"
out="$("${host[@]}" droptext "$river" 2>&1)" && status=0 || status=$?
expect_status drop-usage 2 "$status"

# ---- code pages ----
out="$("${host[@]}" droptext "$poems" "明月" 2>&1)" && status=0 || status=$?
expect_status drop-cp1252 1 "$status"
expect drop-cp1252 "^droptext: \"明月\" cannot be written in the active code page 1252$" "$out"
refuse drop-cp1252 "WM_SHELF_DROPTEXT" "$out"

out="$("${host[@]}" --codepage 950 droptext "$poems" "明月" 2>&1)"
expect drop-cp950 "^  WM_SHELF_DROPTEXT book 0x[0-9a-f]+ text \"明月\"$" "$out"
expect drop-cp950 "^Selected: $poems$" "$out"

out="$(LC_ALL=zh_TW.Big5 "${host[@]}" droptext "$poems" "$(iconv -f UTF-8 -t BIG5 <<<"明月")" 2>&1 |
  iconv -f BIG5 -t UTF-8)"
expect drop-big5 "^  WM_SHELF_DROPTEXT book 0x[0-9a-f]+ text \"明月\"$" "$out"

# ---- an empty text is handed on ----
out="$("${host[@]}" droptext "$river" "" 2>&1)"
expect drop-empty "^  WM_SHELF_DROPTEXT book $river_handle text \"\"$" "$out"

finish "host droptext"
