#!/usr/bin/env bash
# What the shelf says about each file of an add, as the host prints it: the shelf's message with
# the file and the driver's reason on the lines under it, whole, and whether it counts as a refusal.
#
#   tests/host/add_reasons.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: add_reasons.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup
run_host() { "${host[@]}" "$@" 2>&1 && status=0 || status=$?; }

echo "no book at all" >"$work/notes.ebd"
out="$(run_host add 65535 "$work/notes.ebd"; echo "status $status")"
expect not-a-book "^    .*$work/notes.ebd" "$out"
expect not-a-book "^add: refused: " "$out"
expect not-a-book "^status 1$" "$out"

# "Already there" is told by the first line of the message, whatever follows it.
out="$(run_host add 65535 "$build/shelf/tang-poems.ebd"; echo "status $status")"
expect already "^Already on the shelf: " "$out"
expect already "^    .*$build/shelf/tang-poems.ebd" "$out"
expect already "^status 0$" "$out"

# A dictionary whose id the dictionary library does not serve: the shelf says so, and it is a refusal.
sed -e 's/TVR-DICT-EN-0001/ADD-DICT-UNLISTED/' -e 's/dict low=0x01 high=0x02 class=3/dict low=0x09 high=0x09 class=9/' \
  "$root/samples/shelf/english-dict.book" >"$work/unlisted.book"
"$bookc" build "$work/unlisted.book" -o "$work/unlisted.ebd" >/dev/null
out="$(run_host add 65535 "$work/unlisted.ebd"; echo "status $status")"
expect unlisted "^add: refused: " "$out"
expect unlisted "^    .*$work/unlisted.ebd" "$out"
expect unlisted "^1 file\(s\): 0 added, 0 already on the shelf, 1 refused$" "$out"
refuse unlisted "gave no reason" "$out"
expect unlisted "^status 1$" "$out"

finish "host add reasons"
