#!/usr/bin/env bash
# The host's command line: the "--" that separates commands and the one that ends a command's
# options, search over books or books and dictionaries, numbers that search refuses, and folders and
# files that cannot be examined.
#
#   tests/host/command_line.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: command_line.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup
run_host() { "${host[@]}" "$@" 2>&1 && status=0 || status=$?; }

# A book whose text begins with dashes, to be searched for.
printf 'tavrin-book 1\ncodepage 1252\nnumber "CMD-DASHES"\nname 3 "Options"\nclass ebook\n\npage one\n%s\nendpage\n' \
  "Run it with --verbose for details." >"$work/dashes.book"
"$bookc" build "$work/dashes.book" -o "$work/dashes.ebd" >/dev/null
"${host[@]}" add 65535 "$work/dashes.ebd" >/dev/null 2>&1

out="$(run_host search -- --verbose; echo "status $status")"
expect dashes "^CMD-DASHES  Options  page 0  -$" "$out"
expect dashes "^status 0$" "$out"
out="$(run_host search -- --; echo "status $status")"
expect dashes-only "^CMD-DASHES  Options  page 0  -$" "$out"
out="$(run_host show -- search --case -- --verbose -- books; echo "status $status")"
expect chain-show "^Shelf \(program folder " "$out"
expect chain-search "^CMD-DASHES  Options  page 0  -$" "$out"
expect chain-books "^Books and dictionaries on the shelf:$" "$out"
out="$(run_host search --verbose; echo "status $status")"
expect unknown-option "^search: unknown option '--verbose' \(to search for it: search -- --verbose\)$" "$out"
expect unknown-option "^status 2$" "$out"
out="$(run_host --help)"
expect help "search -- --verbose" "$out"
expect help "--all" "$out"
expect help "--codepage N" "$out"

# Dictionaries: left out of a search of every book, searched with --all.
out="$(run_host search abbey)"
refuse books-only "TVR-DICT-EN-0001" "$out"
out="$(run_host search --all abbey)"
expect all "^TVR-DICT-EN-0001  Pocket English Dictionary  page 1  abbey$" "$out"
out="$(run_host search --all --book 524a31 abbey; echo "status $status")"
expect all-and-book "^status 2$" "$out"

# Hits come book after book in the order of the shelf's tree.
mapfile -t hits < <(run_host search --all e | sed -n 's/^\([^ ]*\)  .* page [0-9]*  .*/\1/p' | uniq)
mapfile -t books < <(run_host books | sed -n 's/^    number    //p')
[[ ${#hits[@]} -ge 4 ]] || { echo "FAIL hit-order: hits in only ${#hits[@]} book(s)" >&2; failures=$((failures + 1)); }
position=-1
for number in "${hits[@]}"; do
  at=-1
  for i in "${!books[@]}"; do [[ "${books[$i]}" == "$number" ]] && at=$i && break; done
  if ((at <= position)); then
    echo "FAIL hit-order: the hits came book by book as ${hits[*]}; the tree has ${books[*]}" >&2
    failures=$((failures + 1))
    break
  fi
  position=$at
done

for max in abc -1 0 12345678901234567890; do
  out="$(run_host search --max "$max" river; echo "status $status")"
  expect "max-$max" "^search: --max takes a whole number of hits from 1 up, not '$max'$" "$out"
  expect "max-$max" "^status 2$" "$out"
done

# Folders and files that cannot be examined are reported, not crashed on.
long="$work/$(printf 'd%.0s' {1..300})"
for shelf in "$long" "$work/no-such-folder" "$work/dashes.ebd"; do
  out="$("$build/host/tavrin-host" --shelf "$shelf" show 2>&1 && status=0 || status=$?; echo "status $status")"
  expect "shelf-$(basename "${shelf:0:40}")" "^tavrin-host: --shelf .*: (cannot examine it: .*|no such folder|not a folder)$" "$out"
  expect "shelf-$(basename "${shelf:0:40}")" "^status 2$" "$out"
done
if [[ $(id -u) -ne 0 ]]; then
  mkdir -p "$work/locked/shelf" && chmod 000 "$work/locked"
  out="$("$build/host/tavrin-host" --shelf "$work/locked/shelf" show 2>&1 && status=0 || status=$?; echo "status $status")"
  expect shelf-locked "cannot examine it: Permission denied$" "$out"
  expect shelf-locked "^status 2$" "$out"
  chmod 700 "$work/locked"
fi
out="$(run_host --codepage 65001 show; echo "status $status")"
expect codepage-refused "^tavrin-host: --codepage 65001: " "$out"
expect codepage-refused "^status 2$" "$out"

finish "host command line"
