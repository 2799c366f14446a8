#!/usr/bin/env bash
# Installs what is needed, builds, and runs the reference host on the sample shelf.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh" release >/dev/null
exec "$root/out/release/host/tavrin-host" "$@"
