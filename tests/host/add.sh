#!/usr/bin/env bash
# The host's add command: refusals and books already on the shelf told apart, each reported with
# the exit status it calls for; files that are not there; two hundred books in one command, in
# order; a dictionary that the dictionary library does not serve.
#
#   tests/host/add.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: add.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup

# make_book FILE NUMBER NAME: a one-page e-book built from a generated source.
make_book() {
  printf 'tavrin-book 1\ncodepage 1252\nnumber "%s"\nname 3 "%s"\nclass ebook\n\npage one\n%s\nendpage\n' \
    "$2" "$3" "$3" >"$work/source.book"
  "$bookc" build "$work/source.book" -o "$1" >/dev/null
}
run_host() { "${host[@]}" "$@" 2>&1 && status=0 || status=$?; }

echo "no book at all" >"$work/notes.ebd"
out="$(run_host add 65535 "$work/notes.ebd"; echo "status $status")"
expect refused-status "^status 1$" "$out"
expect refused "^add: refused: " "$out"
expect refused "^1 file\(s\): 0 added, 0 already on the shelf, 1 refused$" "$out"

# A book registered before is no refusal; nor is an e-book the store has already.
out="$(run_host add 65535 "$build/shelf/tang-poems.ebd" "$build/shelf/epub/lantern-keeper.epub"; echo "status $status")"
expect already-status "^status 0$" "$out"
expect already "^Already on the shelf: " "$out"
expect already "^2 file\(s\): 0 added, 2 already on the shelf, 0 refused$" "$out"

# Refused files do not keep the others off the shelf; a file that is not there, a folder and a name
# too long to examine are refused by name.
make_book "$work/good.ebd" "ADD-GOOD-1" "A good book"
long="$work/$(printf 'n%.0s' {1..300}).ebd"
out="$(run_host add 65535 "$work/notes.ebd" "$work/missing.ebd" "$work" "$long" "$work/good.ebd"
  echo "status $status")"
expect mixed-status "^status 1$" "$out"
expect mixed-missing "^add: refused: $work/missing.ebd: no such file$" "$out"
expect mixed-folder "^add: refused: $work: a folder, not a book file$" "$out"
expect mixed-long "^add: refused: $long: cannot examine it: " "$out"
expect mixed-added "^  Bookshelf / Unclassified / A good book$" "$out"
expect mixed "^5 file\(s\): 1 added, 0 already on the shelf, 4 refused$" "$out"

# Two hundred books in one command: more names than the file dialog's buffer holds at once.
mkdir "$work/many"
for i in $(seq -w 1 200); do make_book "$work/many/book-$i.ebd" "ADD-MANY-$i" "Many $i"; done
out="$(run_host add 65535 "$work"/many/book-*.ebd; echo "status $status")"
expect many-status "^status 0$" "$out"
expect many "^200 file\(s\): 200 added, 0 already on the shelf, 0 refused$" "$out"
refuse many "Selection too many" "$out"
shown="$("${host[@]}" show 2>&1 | sed -n 's/^      \(Many [0-9]*\)  \[book.*/\1/p' | tr '\n' ' ')"
wanted="$(for i in $(seq -w 1 200); do printf 'Many %s ' "$i"; done)"
if [[ "$shown" != "$wanted" ]]; then
  echo "FAIL many-order: the shelf shows the books as: ${shown:0:200}..." >&2
  failures=$((failures + 1))
fi

# A dictionary whose id the dictionary library does not serve cannot be shown: it does not pass as
# added (add_reasons.sh checks what the shelf says about it).
sed -e 's/TVR-DICT-EN-0001/ADD-DICT-UNLISTED/' -e 's/dict low=0x01 high=0x02 class=3/dict low=0x09 high=0x09 class=9/' \
  "$root/samples/shelf/english-dict.book" >"$work/unlisted.book"
"$bookc" build "$work/unlisted.book" -o "$work/unlisted.ebd" >/dev/null
out="$(run_host add 65535 "$work/unlisted.ebd"; echo "status $status")"
expect unlisted-status "^status 1$" "$out"
expect unlisted "^1 file\(s\): 0 added, " "$out"

finish "host add"
