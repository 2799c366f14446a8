#!/usr/bin/env bash
# The host's newcatalog and rename commands on the sample shelf, driven as a user drives them (the
# command on the item, the name typed into the dialog or the label editor, Enter): catalogs made in a
# system catalog and in an on-line one, renamed, and the answers that leave the shelf as it was (a
# taken name, a blank name, an item that holds no catalogs or cannot be renamed, no such item), each
# with exit status 1 and its reason; Chinese names on Chinese terminals.
#
#   tests/host/catalog_edit.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: catalog_edit.sh BUILD_DIR}"
source "$(dirname "$0")/lib.sh"
host_shelf_setup
export LC_ALL=C.UTF-8
run_host() { "${host[@]}" "$@" 2>&1 && status=0 || status=$?; }
# run_in LOCALE COMMAND...: the host on a terminal of that locale.
run_in() {
  local locale="$1"
  shift
  LC_ALL="$locale" "${host[@]}" "$@" 2>&1 && status=0 || status=$?
}
# The last tree the output prints (after the last "Shelf" heading).
last_tree() { awk '/^Shelf/ { tree = "" } { tree = tree $0 "\n" } END { printf "%s", tree }' <<<"$1"; }

lit="Bookshelf / Literature"
out="$(run_host newcatalog "$lit" "  Poems " -- rename "$lit / Poems" "Verse"; echo "status $status")"
expect made-status "^status 0$" "$out"
expect made-dialog '^\[dialog\] New Catalog Dialog: typing "  Poems ", Enter$' "$out"
expect made "^New catalog: Bookshelf / Literature / Poems$" "$out"
expect made-node "^      Poems  \[catalog flags 0x40 key Poems image [0-9]+\]$" "$out"
expect renamed-editor '^\[label editor\] "Poems": typing "Verse", Enter$' "$out"
expect renamed "^Renamed: Bookshelf / Literature / Poems -> Bookshelf / Literature / Verse$" "$out"
tree="$(last_tree "$out")"
expect renamed-node "^      Verse  \[catalog flags 0x40 key Verse image [0-9]+\]$" "$tree"
refuse renamed-old "^      Poems  " "$tree"
expect renamed-siblings "^      Modern Fiction  \[catalog" "$tree"

# Inside an on-line catalog (the e-book store's) a catalog is on-line and takes books.
out="$(run_host newcatalog "Bookshelf / Unclassified / E-books" "Lists"; echo "status $status")"
expect online-status "^status 0$" "$out"
expect online "^        Lists  \[catalog flags 0x60 key Lists image [0-9]+\]$" "$out"

# A name taken in the same catalog, in other letters: reported, nothing made.
out="$(run_host newcatalog "$lit" "Poems" -- newcatalog "$lit" "POEMS"; echo "status $status")"
expect taken-status "^status 1$" "$out"
expect taken-message "^\[message box\] Error: This catalog  has already existed\. -> OK$" "$out"
expect taken "^newcatalog: the shelf refused \"POEMS\": This catalog  has already existed\.$" "$out"
# ... also when renaming; and a blank name keeps the old one.
out="$(run_host newcatalog "$lit" "A" -- newcatalog "$lit" "B" -- rename "$lit / B" "a"; echo "status $status")"
expect rename-taken-status "^status 1$" "$out"
expect rename-taken "^rename: the shelf refused \"a\": This catalog  has already existed\.$" "$out"
out="$(run_host newcatalog "$lit" "A" -- rename "$lit / A" "   "; echo "status $status")"
expect rename-blank-status "^status 1$" "$out"
expect rename-blank '^rename: the shelf kept the name "A"$' "$out"

out="$(run_host newcatalog "$lit" "   "; echo "status $status")"
expect blank-status "^status 1$" "$out"
expect blank '^newcatalog: the shelf made no catalog of the name "   "$' "$out"
refuse blank-message "message box" "$out"

# Items that hold no catalogs, names that cannot be edited, items that are not there.
out="$(run_host newcatalog "Bookshelf / E-books / A Journey Down the River" "X"; echo "status $status")"
expect in-book-status "^status 1$" "$out"
expect in-book "^newcatalog: the shelf did not ask for a name: no catalog can be made in " "$out"
out="$(run_host rename "$lit" "Novels"; echo "status $status")"
expect rename-system-status "^status 1$" "$out"
expect rename-system "^rename: the shelf did not open the label of Bookshelf / Literature for editing" "$out"
out="$(run_host rename "Bookshelf / Nowhere" "X"; echo "status $status")"
expect missing-status "^status 1$" "$out"
expect missing "^rename: no item Bookshelf / Nowhere$" "$out"

# A Chinese terminal: the dialog and the message in its language, names in its code page; a name
# Big5 cannot hold is refused before the shelf sees it.
out="$(run_in zh_TW.UTF-8 newcatalog "$lit" "唐詩" -- rename "$lit / 唐詩" " 宋詞 " -- \
  newcatalog "$lit" "宋詞"; echo "status $status")"
expect big5-status "^status 1$" "$out"
expect big5-dialog '^\[dialog\] 新增目錄: typing "唐詩", Enter$' "$out"
expect big5-renamed "^Renamed: Bookshelf / Literature / 唐詩 -> Bookshelf / Literature / 宋詞$" "$out"
expect big5-taken "^\[message box\] 錯誤: 這個目錄已經存在。 -> OK$" "$out"
out="$(run_in zh_TW.UTF-8 newcatalog "$lit" "唐诗"; echo "status $status")"
expect big5-unwritable-status "^status 1$" "$out"
expect big5-unwritable '^newcatalog: "唐诗" cannot be written in the active code page 950$' "$out"
out="$(run_in zh_CN.UTF-8 newcatalog "Bookshelf" "宋词"; echo "status $status")"
expect gbk-status "^status 0$" "$out"
expect gbk '^\[dialog\] 新建目录: typing "宋词", Enter$' "$out"
expect gbk "^    宋词  \[catalog flags 0x40 key 宋词 image [0-9]+\]$" "$out"

finish "host catalog_edit"
