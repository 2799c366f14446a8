#!/usr/bin/env bash
# Installs what is needed, builds, and runs the reference host on the sample shelf (built into
# out/release/shelf, with its books and dictionaries registered in a registry of its own,
# out/release/shelf/registry.db, unless TAVRIN_REGISTRY names another) and its EPUB books in an e-book
# store of its own (out/release/shelf/ebooks, unless TAVRIN_EBOOK_STORE names another); the catalogs the
# user makes are kept between runs in out/release/shelf/user-catalogs.dat (unless TAVRIN_USER_CATALOGS
# names another file; remove it to start without them). Arguments are
# host commands, after any global options such as --codepage N (default: show); try --help.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
# What the run needs, and no test program: the host, the sample shelf (its books, its catalog and the
# drivers that serve them, with the tools that make them), the dictionary library's samples, the sample
# e-books, and the registry tool.
run_targets=(tavrin-host sample_shelf zavikapi_samples sample_epub tavrin-reg)
"$root/scripts/build.sh" release "${run_targets[@]}" >/dev/null
export TAVRIN_REGISTRY="${TAVRIN_REGISTRY:-$root/out/release/shelf/registry.db}"
export TAVRIN_EBOOK_STORE="${TAVRIN_EBOOK_STORE:-$root/out/release/shelf/ebooks}"
export TAVRIN_USER_CATALOGS="${TAVRIN_USER_CATALOGS:-$root/out/release/shelf/user-catalogs.dat}"
bash "$root/scripts/register_samples.sh" "$root/out/release" >/dev/null
exec "$root/out/release/host/tavrin-host" --shelf "$root/out/release/shelf" "$@"
