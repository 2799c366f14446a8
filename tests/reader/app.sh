#!/usr/bin/env bash
# Runs the reader's tests on the sample shelf: a registry and an e-book store of their own with the
# samples registered, then the test program.
#
#   tests/reader/app.sh BUILD_DIR TEST_PROGRAM
set -euo pipefail
build="${1:?usage: app.sh BUILD_DIR TEST_PROGRAM}"
program="${2:?usage: app.sh BUILD_DIR TEST_PROGRAM}"
source "$(dirname "$0")/../host/lib.sh"
host_shelf_setup
export TAVRIN_TEST_SHELF="$build/shelf"
status=0
"$program" || status=$?
exit "$status"
