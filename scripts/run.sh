#!/usr/bin/env bash
# Installs what is needed, builds, and runs the reference host on the sample shelf (built into
# out/release/shelf). Arguments are host commands (default: show); try --help.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh" release >/dev/null
exec "$root/out/release/host/tavrin-host" --shelf "$root/out/release/shelf" "$@"
