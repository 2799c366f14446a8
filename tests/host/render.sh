#!/usr/bin/env bash
# The host's pictures of the shelf: `render` at a size, with items opened and selected by the mouse,
# written as PNG files, and every failure told with its reason and exit status 1; `style` switching
# the lines and buttons off and on.
#
#   tests/host/render.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: render.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup

# Width and height from a PNG file's header.
png_size() {
  local bytes
  bytes="$(od -An -tu1 -j16 -N8 "$1" | tr -s ' ')"
  read -r w1 w2 w3 w4 h1 h2 h3 h4 <<<"$bytes"
  echo "$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))x$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))"
}

status=0
out="$("${host[@]}" render "$work/default.png" 2>&1)" || status=$?
expect_status render 0 "$status"
expect render "^Wrote .*/default.png \(320x480\)$" "$out"
expect render-png "^320x480$" "$(png_size "$work/default.png")"

status=0
out="$("${host[@]}" render "$work/open.png" 200x150 --expand "Bookshelf / Literature / Classical Poetry" \
  --select "Bookshelf / Literature / Classical Poetry / Tang Poems" -- show 2>&1)" || status=$?
expect_status render-open 0 "$status"
expect render-open-png "^200x150$" "$(png_size "$work/open.png")"
expect render-open "^      Classical Poetry  \[catalog .* image 41\]$" "$out" # the open image
expect render-select "WM_SHELF_NOTIFY 1 book 0x[0-9a-f]+$" "$out"

# An open label editor is in the picture; afterwards the edit is cancelled and the label stays.
status=0
out="$("${host[@]}" newcatalog "Bookshelf / Literature" Poems -- render "$work/closed.png" \
  -- render "$work/editing.png" --edit "Bookshelf / Literature / Poems" Verse -- show 2>&1)" || status=$?
expect_status render-edit 0 "$status"
expect render-edit-kept "^      Poems  \[catalog " "$out"
if cmp -s "$work/closed.png" "$work/editing.png"; then
  echo "FAIL render-edit: the open editor is not in the picture" >&2
  failures=$((failures + 1))
fi
status=0
out="$("${host[@]}" render "$work/x.png" --edit "Bookshelf / Literature" Verse 2>&1)" || status=$?
expect_status render-edit-refused 1 "$status"
expect render-edit-refused "^render: the label of Bookshelf / Literature cannot be edited$" "$out"

# The look without lines and buttons is another picture; `style on` brings the first one back.
status=0
out="$("${host[@]}" style off -- style off -- render "$work/plain.png" -- style on -- render "$work/again.png" 2>&1)" ||
  status=$?
expect_status style 0 "$status"
expect style "^Lines and buttons: off$" "$out"
expect style-again "^Lines and buttons: off \(already so\)$" "$out"
expect style-on "^Lines and buttons: on$" "$out"
if cmp -s "$work/default.png" "$work/plain.png"; then
  echo "FAIL style: the plain list looks like the tree" >&2
  failures=$((failures + 1))
fi
if ! cmp -s "$work/default.png" "$work/again.png"; then
  echo "FAIL style-on: the tree does not look as it did before" >&2
  failures=$((failures + 1))
fi

# Failures: the reason, status 1, and no file.
status=0
out="$("${host[@]}" render "$work/none/x.png" 2>&1)" || status=$?
expect_status render-dir 1 "$status"
expect render-dir "^render: cannot write .*/none/x.png: No such file or directory$" "$out"
for size in 0x100 100x 100x5000 axb 100; do
  status=0
  out="$("${host[@]}" render "$work/bad.png" "$size" 2>&1)" || status=$?
  expect_status "render-size-$size" 1 "$status"
  expect "render-size-$size" "^render: the size '$size' is not WIDTHxHEIGHT" "$out"
done
status=0
out="$("${host[@]}" render "$work/bad.png" --select "Bookshelf / Nowhere" 2>&1)" || status=$?
expect_status render-item 1 "$status"
expect render-item "^render: no item Bookshelf / Nowhere$" "$out"
status=0
out="$("${host[@]}" render "$work/bad.png" --expand 2>&1)" || status=$?
expect_status render-expand 1 "$status"
expect render-expand "^render: --expand needs the path of an item" "$out"
if [[ -e "$work/bad.png" ]]; then
  echo "FAIL render: a refused render wrote a file" >&2
  failures=$((failures + 1))
fi
status=0
out="$("${host[@]}" style maybe 2>&1)" || status=$?
expect_status style-word 1 "$status"
expect style-word "^style: give on" "$out"

finish render
