#!/usr/bin/env bash
# Debian's DICT dictionaries through the host: listed by `dicts` from a folder of their own, added with
# `dicts add` and with `add` (index or dictzip file, told by its content), browsed by `dicts contents`,
# looked up by `define` (capitals, blanks), searched through the shelf's search with hits agreeing with
# a plain reading of the text; a damaged index refused with its reason. Skipped (77) without
# dict-jargon and dict-devil.
#
#   tests/host/dict.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: dict.sh BUILD_DIR}"
debian=/usr/share/dictd
if [[ ! -f "$debian/jargon.index" || ! -f "$debian/devil.index" ]]; then
  echo "dict-jargon and dict-devil are not installed: skipped"
  exit 77
fi
source "$(dirname "$0")/lib.sh"
host_shelf_setup

dicts="$work/dictd"
mkdir -p "$dicts"
for f in jargon.index jargon.dict.dz devil.index devil.dict.dz; do ln -s "$debian/$f" "$dicts/$f"; done
# A damaged copy: an index whose every line points past its definitions.
printf 'word\tA\tC\nother\t////\tB\n' >"$dicts/broken.index"
printf 'w' >"$dicts/broken.dict"
export TAVRIN_DICTD_DIR="$dicts"

status=0
out="$("${host[@]}" dicts 2>&1)" || status=$?
expect list "^  devil +- +[0-9]+ headwords  The Devil's Dictionary" "$out"
expect list "^  jargon +- +2306 headwords  The Jargon File" "$out"
expect list "^  broken +\(cannot be read: .*broken.index: no headword could be read \(line 1: .*past the end" "$out"
expect_status list-status nonzero "$status"

# A damaged dictionary, with no dictionary of its kind on the shelf yet: refused with its driver's
# reason, not handed to the e-book store.
status=0
out="$("${host[@]}" add Dictionaries "$dicts/broken.index" 2>&1)" || status=$?
expect add-broken "^add: refused: The file can't be opened\.$" "$out"
expect add-broken "^    DictDrv\.dll: .*broken\.index: no headword could be read" "$out"
refuse add-broken-store "zip" "$out"
expect_status add-broken-status 1 "$status"

status=0
out="$("${host[@]}" dicts add jargon nosuch 2>&1)" || status=$?
expect add "^Added into \"Dictionaries\":$" "$out"
expect add "^  Bookshelf / .*Dictionaries / The Jargon File" "$out"
expect add "^dicts add: no dictionary nosuch in " "$out"
expect_status add-unknown-status 1 "$status"

# `add` takes the dictzip file too: the shelf finds the driver by the file's content.
out="$("${host[@]}" add Dictionaries "$dicts/devil.dict.dz" 2>&1)"
expect add-dz "^1 file\(s\): 1 added, 0 already on the shelf, 0 refused$" "$out"

out="$("${host[@]}" dicts 2>&1 || true)"
expect listed-on-shelf "^  jargon +on shelf " "$out"
expect listed-on-shelf "^  devil +on shelf " "$out"

out="$("${host[@]}" books 2>&1)"
expect books "The Jargon File .*\[dictionary\]" "$out"

# Contents: letters, then a letter's headwords.
out="$("${host[@]}" dicts contents dict-jargon 2>&1)"
expect contents "^  A  \[group\]$" "$out"
expect contents "^  Z  \[group\]$" "$out"
out="$("${host[@]}" dicts contents dict-jargon "H" 2>&1)"
expect contents-h "^  hacker  \[page [0-9]+\]$" "$out"
status=0
out="$("${host[@]}" dicts contents dict-jargon "Nothing" 2>&1)" || status=$?
expect contents-missing "no entry \"Nothing\"" "$out"
expect_status contents-missing-status 1 "$status"

# Look-ups: capitals and a headword with blanks; a word no dictionary has.
out="$("${host[@]}" define HACKER 2>&1)"
expect define "^From The Jargon File" "$out"
expect define "^hacker$" "$out"
expect define "A person who enjoys exploring the details of programmable systems" "$out"
out="$("${host[@]}" define Abdication 2>&1)"
expect define-devil "^From The Devil's Dictionary" "$out"
out="$("${host[@]}" define black hat 2>&1)"
expect define-blanks "^black hat$" "$out"
status=0
out="$("${host[@]}" define qwertyuiopxyz 2>&1)" || status=$?
expect define-none "^define: \"qwertyuiopxyz\" is in none of the 2 dictionaries" "$out"
expect_status define-none-status 1 "$status"

# The shelf's search of a dictionary: one hit per headword whose text holds the word on one line,
# letters A-Z in either case, as a plain reading of the definitions finds them.
out="$("${host[@]}" search --book dict-jargon kludge 2>&1)"
hits="$(grep -c '^dict-jargon  ' <<<"$out" || true)"
plain="$(python3 - "$debian/jargon.index" "$debian/jargon.dict.dz" kludge <<'PY'
import gzip, sys
digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
def num(s):
    v = 0
    for c in s: v = v * 64 + digits.index(c)
    return v
text = gzip.open(sys.argv[2]).read()
pages = {}
for line in open(sys.argv[1], 'rb').read().split(b'\n'):
    if not line: continue
    word, off, length = line.split(b'\t')[:3]
    if word.startswith(b'00-database') or word.startswith(b'00database'): continue
    pages.setdefault(word, []).append(text[num(off.decode()):num(off.decode()) + num(length.decode())])
needle = sys.argv[3].lower().encode()
print(sum(1 for defs in pages.values() if any(needle in l.lower() for d in defs for l in d.split(b'\n'))))
PY
)"
[[ "$hits" -gt 0 && "$hits" == "$plain" ]] || {
  echo "FAIL search: $hits hits, the plain reading finds $plain" >&2
  failures=$((failures + 1))
}
expect search "^dict-jargon  The Jargon File .*  page [0-9]+  kludge$" "$out"

finish dict
