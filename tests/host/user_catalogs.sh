#!/usr/bin/env bash
# The host's file of the user's catalogs: its place (beside the registry, or TAVRIN_USER_CATALOGS, as
# --help shows), a run that changes nothing makes no file, a damaged file or one that cannot be read
# is a warning and is kept under another name at the next save, and a save that fails leaves the old
# file whole, says why and exits 1.
#
#   tests/host/user_catalogs.sh BUILD_DIR
set -euo pipefail
build="$(cd "${1:?usage: user_catalogs.sh BUILD_DIR}" && pwd)"
source "$(dirname "$0")/lib.sh"
host_shelf_setup
cd "$work"
# The host itself: lib.sh's runs start without user catalogs, these keep them.
bare=("$build/host/tavrin-host" --shelf "$build/shelf")
file="$work/user-catalogs.dat"
lit="Bookshelf / Literature"

# run NAME ARGS...: the host's output (stdout and stderr) in $out, its exit status in $status.
run() {
  set +e
  out="$("${bare[@]}" "$@" 2>&1)"
  status=$?
  set -e
}
sum() { sha256sum <"$1"; }

# ---- the place ----
out="$(env -u TAVRIN_USER_CATALOGS TAVRIN_REGISTRY="$work/reg/registry.db" "${bare[@]}" --help)"
expect default-place "^  the user's catalogs \(TAVRIN_USER_CATALOGS; default: beside the registry\): $work/reg/user-catalogs.dat$" "$out"
expect registry-place "^  the registry \(TAVRIN_REGISTRY\): $work/reg/registry.db$" "$out"
out="$(TAVRIN_USER_CATALOGS=mine.dat "${bare[@]}" --help)"
expect env-place "^  the user's catalogs .*: $work/mine.dat$" "$out"

# ---- no file: no warning, and a run that changes nothing makes none ----
rm -f "$file" # registering the samples (add) saved one
run show
expect_status no-file 0 "$status"
refuse no-file "user catalogs" "$out"
if [[ -e "$file" ]]; then
  echo "FAIL no-file: a show made $file" >&2
  failures=$((failures + 1))
fi

# ---- a change is saved ----
run newcatalog "$lit" Poems
expect_status saved 0 "$status"
if [[ "$(head -c 4 "$file" 2>/dev/null)" != CATA ]]; then
  echo "FAIL saved: $file holds no catalog stream" >&2
  failures=$((failures + 1))
fi
if ls -A "$work" | grep -q '\.new$'; then
  echo "FAIL saved: a temporary file is left: $(ls -A "$work")" >&2
  failures=$((failures + 1))
fi

# ---- damaged: a warning, the shelf shows, the file is kept at the next save ----
printf 'these are not catalogs\n' >"$file"
damaged="$(sum "$file")"
run show
expect_status damaged-show 0 "$status"
expect damaged-show "^tavrin-host: warning: the user catalogs $file could not be read whole \(the file is damaged\); the shelf shows what was read before that" "$out"
expect damaged-show "^  Bookshelf  \[root" "$out"
expect damaged-show "^    Literature  \[catalog" "$out"
if [[ "$(sum "$file")" != "$damaged" || -e "$file.damaged" ]]; then
  echo "FAIL damaged-show: a run that changed nothing touched the damaged file" >&2
  failures=$((failures + 1))
fi
run newcatalog "$lit" Poems
expect_status damaged-kept 0 "$status"
expect damaged-kept "^tavrin-host: the user catalogs that could not be read are kept as $file.damaged$" "$out"
if [[ ! -f "$file.damaged" || "$(sum "$file.damaged")" != "$damaged" ]]; then
  echo "FAIL damaged-kept: $file.damaged is not the damaged file" >&2
  failures=$((failures + 1))
fi
if [[ "$(head -c 4 "$file")" != CATA ]]; then
  echo "FAIL damaged-kept: no new stream in $file" >&2
  failures=$((failures + 1))
fi
# A second damaged file does not replace the first one kept.
printf 'damaged again\n' >"$file"
run newcatalog "$lit" Poems
expect damaged-again "kept as $file.damaged.1$" "$out"
if [[ "$(sum "$file.damaged")" != "$damaged" || "$(cat "$file.damaged.1")" != "damaged again" ]]; then
  echo "FAIL damaged-again: the copies kept are not the damaged files" >&2
  failures=$((failures + 1))
fi

# ---- a folder in the file's place: cannot be read (a warning), cannot be replaced (exit 1) ----
folder="$work/folder.dat"
mkdir "$folder"
TAVRIN_USER_CATALOGS="$folder" run show
expect_status folder-show 0 "$status"
expect folder-show "^tavrin-host: warning: the user catalogs $folder cannot be read: it is not a regular file; the shelf shows none of them$" "$out"
TAVRIN_USER_CATALOGS="$folder" run newcatalog "$lit" Poems
expect_status folder-save 1 "$status"
expect folder-save "^tavrin-host: the user catalogs could not be saved to $folder: it is not a regular file$" "$out"
if [[ ! -d "$folder" ]] || ls -A "$work" | grep -q '\.new$'; then
  echo "FAIL folder-save: the folder was replaced or a temporary file is left" >&2
  failures=$((failures + 1))
fi

# A pipe is neither read (it would wait for a writer) nor replaced.
mkfifo "$work/pipe.dat"
TAVRIN_USER_CATALOGS="$work/pipe.dat" run newcatalog "$lit" Poems
expect_status pipe 1 "$status"
expect pipe "^tavrin-host: warning: the user catalogs $work/pipe.dat cannot be read: it is not a regular file; the shelf shows none of them$" "$out"
expect pipe "^tavrin-host: the user catalogs could not be saved to $work/pipe.dat: it is not a regular file$" "$out"
if [[ ! -p "$work/pipe.dat" ]]; then
  echo "FAIL pipe: the pipe was replaced" >&2
  failures=$((failures + 1))
fi
# A link: the file it names is replaced, the link stays.
mkdir "$work/real"
ln -s "$work/real/catalogs.dat" "$work/link.dat"
TAVRIN_USER_CATALOGS="$work/link.dat" run newcatalog "$lit" Poems
expect_status link 0 "$status"
if [[ ! -L "$work/link.dat" || "$(head -c 4 "$work/real/catalogs.dat" 2>/dev/null)" != CATA ]]; then
  echo "FAIL link: the link was replaced or its file not written" >&2
  failures=$((failures + 1))
fi
# A damaged file behind the link is kept, and the link still names the catalogs.
printf 'damaged behind a link\n' >"$work/real/catalogs.dat"
TAVRIN_USER_CATALOGS="$work/link.dat" run newcatalog "$lit" Poems
expect link-damaged "kept as $work/real/catalogs.dat.damaged$" "$out"
if [[ ! -L "$work/link.dat" || "$(cat "$work/real/catalogs.dat.damaged" 2>/dev/null)" != "damaged behind a link" ||
  "$(head -c 4 "$work/real/catalogs.dat")" != CATA ]]; then
  echo "FAIL link-damaged: the damaged file behind the link was not kept, or the link not kept" >&2
  failures=$((failures + 1))
fi

# ---- a save that fails: the old file whole, the reason, exit 1 ----
# No registry file, so that nothing but the save writes; then no file may grow: every write fails
# (with EFBIG, the signal ignored).
export TAVRIN_REGISTRY="$work/none/registry.db"
run newcatalog "$lit" Poems
good="$(sum "$file")"
set +e
out="$(trap '' XFSZ; ulimit -f 0; "${bare[@]}" newcatalog "$lit" Verse 2>&1)"
status=$?
set -e
expect_status full 1 "$status"
expect full "^tavrin-host: the user catalogs could not be saved to $file: cannot write .*: the shelf could not write its catalogs" "$out"
if [[ "$(sum "$file")" != "$good" ]] || ls -A "$work" | grep -q '\.new$'; then
  echo "FAIL full: the old file was changed or a temporary file is left" >&2
  failures=$((failures + 1))
fi
# Its folder cannot be made: a file stands where the folder should be.
printf 'x' >"$work/plain"
TAVRIN_USER_CATALOGS="$work/plain/user-catalogs.dat" run newcatalog "$lit" Poems
expect_status no-folder 1 "$status"
expect no-folder "^tavrin-host: the user catalogs could not be saved to $work/plain/user-catalogs.dat: cannot create " "$out"
# A folder that does not exist yet is made.
TAVRIN_USER_CATALOGS="$work/new/folder/user-catalogs.dat" run newcatalog "$lit" Poems
expect_status new-folder 0 "$status"
if [[ ! -f "$work/new/folder/user-catalogs.dat" ]]; then
  echo "FAIL new-folder: no file made" >&2
  failures=$((failures + 1))
fi

finish "host user catalogs"
