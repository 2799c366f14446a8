#!/usr/bin/env bash
# Real-world EPUB books through the host: the manuals Debian ships as EPUB (package live-manual-epub)
# are added to an e-book store of their own, browsed by contents, opened at a page, searched and
# removed again. Skipped (exit 77) when the package is not installed.
#
#   tests/host/real_epub.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: real_epub.sh BUILD_DIR}"
manuals=/usr/share/doc/live-manual/epub
if [[ ! -f "$manuals/live-manual.en.epub" || ! -f "$manuals/live-manual.de.epub" ]]; then
  echo "live-manual-epub is not installed: skipped"
  exit 77
fi
source "$(dirname "$0")/lib.sh"

out="$("${host[@]}" add 65535 "$manuals/live-manual.en.epub" "$manuals/live-manual.de.epub" 2>&1)"
out="$("${host[@]}" books 2>&1)"
expect added-en "^  Live Systems Manual  \[book\]$" "$out"
expect added-de "^  Live Systems Handbuch  \[book\]$" "$out"
number="$(grep -A1 "^  Live Systems Manual  \[book\]" <<<"$out" | sed -n 's/^    number    //p')"
[[ -n "$number" ]] || { echo "FAIL: no book number for the English manual" >&2; exit 1; }

# Adding the same file again leaves the store as it is.
"${host[@]}" add 65535 "$manuals/live-manual.en.epub" >/dev/null 2>&1 || true
out="$("${host[@]}" books 2>&1)"
[[ "$(grep -c "^  Live Systems Manual  \[book\]$" <<<"$out")" -eq 1 ]] || {
  echo "FAIL: the English manual is on the shelf twice after a second add" >&2
  failures=$((failures + 1))
}

out="$("${host[@]}" contents "$number" 2 2>&1)"
expect contents "^    About this manual  \[chapter, page [0-9]+\]$" "$out"
expect contents "^    Installation  \[chapter, page [0-9]+\]$" "$out"
page="$(sed -n 's/^    Installation  \[chapter, page \([0-9]*\)\]$/\1/p' <<<"$out")"

out="$("${host[@]}" open "$number" "$page" 2>&1)"
expect open "^SetLocation\($number, page $page\) = 1$" "$out"
expect open "WM_SHELF_NOTIFY 2 book 0x[0-9a-f]+ page $page$" "$out"
expect open "^Selected: .* / Live Systems Manual / .*Installation$" "$out"

out="$("${host[@]}" page "$number" "$page" 2>&1)"
expect page "Installation" "$out"
refuse page "<[a-z]+[ >]" "$out"

out="$("${host[@]}" search --book "$number" persistence 2>&1)"
expect search "^$number  Live Systems Manual  page [0-9]+  " "$out"
expect search "^[1-9][0-9]* hit\(s\); searched to the end$" "$out"

out="$("${host[@]}" remove "$number" 2>&1)"
expect remove "^Removed \"Live Systems Manual\"" "$out"
out="$("${host[@]}" books 2>&1)"
refuse removed "^  Live Systems Manual  \[book\]$" "$out"
expect kept "^  Live Systems Handbuch  \[book\]$" "$out"

# Texts beyond ASCII: the driver hands them over in the shelf's code page, the host prints them as
# UTF-8, and a search for them finds them.
german="$(grep -A1 "^  Live Systems Handbuch  \[book\]" <<<"$out" | sed -n 's/^    number    //p')"
out="$("${host[@]}" contents "$german" 2 2>&1)"
expect german-contents "^    Über dieses Handbuch  \[chapter, page [0-9]+\]$" "$out"
refuse german-contents "Ã" "$out"
out="$("${host[@]}" search --book "$german" "Über dieses" 2>&1)"
expect german-search "^$german  Live Systems Handbuch  page [0-9]+  Über dieses Handbuch$" "$out"

finish "real EPUB books"
