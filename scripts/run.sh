#!/usr/bin/env bash
# Installs what is needed, builds, and runs the reference host on the sample shelf (built into
# out/release/shelf, with its books and dictionaries registered in a registry of its own,
# out/release/shelf/registry.db, unless TAVRIN_REGISTRY names another) and its EPUB books in an e-book
# store of its own (out/release/shelf/ebooks, unless TAVRIN_EBOOK_STORE names another); the catalogs the
# user makes are kept between runs in out/release/shelf/user-catalogs.dat (unless TAVRIN_USER_CATALOGS
# names another file; remove it to start without them). Arguments are
# host commands, after any global options such as --codepage N (default: show); try --help.
# Without arguments the reader's window opens when a display is there; --window opens it (with the
# reader's options after it), --text runs the command-line host (with its commands after it).
set -euo pipefail
mode=auto
case "${1:-}" in
  --window) mode=window; shift ;;
  --text) mode=text; shift ;;
esac
[[ "$mode" == auto && $# -eq 0 && -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]] && mode=window
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
# What the run needs, and no test program: the host, the sample shelf (its books, its catalog and the
# drivers that serve them, with the tools that make them), the dictionary library's samples, the sample
# e-books, the registry tool, the DICT dictionaries' driver, and the reader window.
run_targets=(tavrin-host sample_shelf zavikapi_samples sample_epub tavrin-reg dict_driver tavrin-reader)
"$root/scripts/build.sh" release "${run_targets[@]}" >/dev/null
export TAVRIN_REGISTRY="${TAVRIN_REGISTRY:-$root/out/release/shelf/registry.db}"
export TAVRIN_EBOOK_STORE="${TAVRIN_EBOOK_STORE:-$root/out/release/shelf/ebooks}"
export TAVRIN_USER_CATALOGS="${TAVRIN_USER_CATALOGS:-$root/out/release/shelf/user-catalogs.dat}"
bash "$root/scripts/register_samples.sh" "$root/out/release" >/dev/null
if [[ "$mode" == window ]]; then
  exec "$root/out/release/host/reader/tavrin-reader" --shelf "$root/out/release/shelf" "$@"
fi
exec "$root/out/release/host/tavrin-host" --shelf "$root/out/release/shelf" "$@"
