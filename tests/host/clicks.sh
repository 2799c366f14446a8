#!/usr/bin/env bash
# The host working the sample shelf with the mouse, in a registry and e-book store of its own: left
# clicks and what the shelf tells the host, the context menu of a right click, an entry chosen from
# it (acting on the item right-clicked, not on the selection), and commands sent to the control.
#
#   tests/host/clicks.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: clicks.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup

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

river="Bookshelf / E-books / A Journey Down the River"
almanac="Bookshelf / Unclassified / E-books / A Small Garden Almanac"
lantern="Bookshelf / Unclassified / Short Stories / The Lantern Keeper"

# ---- left clicks ----
out="$("${host[@]}" click "$river" -- click "$river" 2>&1)"
expect click-book "^Click on $river:$" "$out"
expect click-book-selected "^Selected: $river$" "$out"
# Once by the selection change, once again by the click on the book now selected.
expect_count click-book-twice 2 "WM_SHELF_NOTIFY 1 book 0x" "$out"

out="$("${host[@]}" click "$river / Part Two: Downstream / Chapter 4: The Delta / A map of the delta" 2>&1)"
expect click-page "WM_SHELF_NOTIFY 2 book 0x[0-9a-f]+ page 7$" "$out"
expect_count click-page-once 1 "WM_SHELF_NOTIFY" "$out"

set +e
out="$("${host[@]}" click "Bookshelf / No Such Catalog" 2>&1)"
status=$?
set -e
expect_status click-missing nonzero "$status"
expect click-missing "^click: no item Bookshelf / No Such Catalog$" "$out"

# ---- the context menu ----
out="$("${host[@]}" rightclick "Bookshelf / Unclassified" -- rightclick "$lantern" 2>&1)"
expect rightclick-catalog "^Menu of Bookshelf / Unclassified:$" "$out"
expect rightclick-catalog "^  40021  enabled   Register Book\(&R\)$" "$out"
expect rightclick-catalog "^  40016  disabled  Delete\(&D\)$" "$out"
expect rightclick-book "^  40021  disabled  Register Book\(&R\)$" "$out"
expect rightclick-book "^  40016  enabled   Delete\(&D\)$" "$out"
expect rightclick-separator "^  ----$" "$out"

set +e
out="$("${host[@]}" menu "Bookshelf / Literature" Delete 2>&1)"
status=$?
set -e
expect_status menu-disabled nonzero "$status"
expect menu-disabled "^menu: \"Delete\" \(40016\) is disabled for Bookshelf / Literature$" "$out"
set +e
out="$("${host[@]}" menu "$lantern" Open 2>&1)"
status=$?
set -e
expect_status menu-missing nonzero "$status"
expect menu-missing "^menu: the menu has no entry \"Open\"" "$out"

# The selection is one book, the menu is opened on another: the one right-clicked goes.
out="$("${host[@]}" click "$almanac" -- menu "$lantern" delete -- show 2>&1)"
expect menu-delete "^\[message box\] Remove a book: .* -> Yes$" "$out"
expect menu-delete "WM_SHELF_BOOKCLOSED book 0x[0-9a-f]+$" "$out"
expect menu-delete "^$lantern: no longer on the shelf$" "$out"
expect menu-delete "^Selected: $almanac$" "$out"
refuse menu-delete "The Lantern Keeper  \[book" "$out"
expect menu-delete "A Small Garden Almanac  \[book" "$out"

# ---- commands sent to the control ----
out="$("${host[@]}" click "$river" -- command 40018 -- command 40019 2>&1)"
expect command-open "^WM_COMMAND 40018 = 0$" "$out"
expect_count command-nothing 2 "^  \(no message from the shelf\)$" "$out"
refuse command-open "message box" "$out"
set +e
out="$("${host[@]}" command delete 2>&1)"
status=$?
set -e
expect_status command-word 2 "$status"

finish "host clicks"
