#!/usr/bin/env bash
# Registers the sample books and dictionaries of a built shelf folder in the registry, so that the
# reference host shows them in their class catalogs (and those no catalog lists in "65535"), and adds
# the sample EPUB books (BUILD_DIR/shelf/epub) to the HTML e-book store ($TAVRIN_EBOOK_STORE, else the
# per-user default), where the shelf shows them by class below "65535".
#
#   scripts/register_samples.sh BUILD_DIR      e.g. scripts/register_samples.sh out/release
#
# It runs the host's register command (add) on every "*.ebd" of BUILD_DIR/shelf, into the catalog of
# unclassified books: the shelf finds each book's driver in that folder and writes the registration;
# at the next start each book goes to the catalog that lists it. A book already registered is left as
# it is, so running the script again changes nothing. The registry is the one the host uses
# ($TAVRIN_REGISTRY, else the per-user default).
set -euo pipefail
build="${1:?usage: register_samples.sh BUILD_DIR}"
host="$build/host/tavrin-host"
shelf="$build/shelf"
if [[ ! -x "$host" || ! -d "$shelf" ]]; then
  echo "register_samples.sh: no built host or shelf folder in $build" >&2
  exit 1
fi
shopt -s nullglob
books=("$shelf"/*.ebd)
if [[ ${#books[@]} -eq 0 ]]; then
  echo "register_samples.sh: no sample books in $shelf" >&2
  exit 1
fi
# A book registered before is "already on the shelf", which add does not count as a refusal; what the
# shelf refuses it prints (to stderr) with its reason and exits non-zero.
if ! "$host" --shelf "$shelf" add 65535 "${books[@]}" >/dev/null; then
  echo "register_samples.sh: the shelf refused sample books of $shelf (see above)" >&2
  exit 1
fi
# E-books go to the e-book driver's store; one already there is left as it is.
epubs=("$shelf"/epub/*.epub)
if [[ ${#epubs[@]} -gt 0 ]] && ! "$host" --shelf "$shelf" add 65535 "${epubs[@]}" >/dev/null; then
  echo "register_samples.sh: the e-book store refused sample e-books of $shelf/epub (see above)" >&2
  exit 1
fi
echo "Registered books and dictionaries:"
"$host" --shelf "$shelf" books | grep -E "^  [^ 0-9]|registry" | sed "s/^/  /"
