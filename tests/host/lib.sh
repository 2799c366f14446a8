# What the host's end-to-end tests share; sourced by each script after it set `build`.
#   host_shelf_setup    a registry and an e-book store of the test's own, with the samples registered
#   expect NAME PATTERN OUTPUT      the output holds a line matching the extended regular expression
#   refuse NAME PATTERN OUTPUT      no line of the output matches it
#   expect_status NAME WANTED GOT   an exit status
#   finish NAME                     the verdict: exit 1 when any check failed
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT
export TAVRIN_REGISTRY="$work/registry.db"
export TAVRIN_EBOOK_STORE="$work/ebooks"
# Every run starts without user catalogs, as each test expects; the user catalog tests keep them.
export TAVRIN_USER_CATALOGS="$work/user-catalogs.dat"
host=(sh -c 'rm -f -- "$TAVRIN_USER_CATALOGS"; exec "$@"' fresh "$build/host/tavrin-host" --shelf "$build/shelf")
bookc="$build/tools/bookc/tavrin-bookc"
failures=0

host_shelf_setup() {
  bash "$root/scripts/register_samples.sh" "$build" >/dev/null
}

expect() {
  if ! grep -Eq -- "$2" <<<"$3"; then
    echo "FAIL $1: no line matches /$2/ in:" >&2
    head -40 <<<"$3" | sed 's/^/    /' >&2
    failures=$((failures + 1))
  fi
}

refuse() {
  if grep -Eq -- "$2" <<<"$3"; then
    echo "FAIL $1: a line matches /$2/ in:" >&2
    grep -E -- "$2" <<<"$3" | head -10 | sed 's/^/    /' >&2
    failures=$((failures + 1))
  fi
}

expect_status() {
  if [[ "$2" == "nonzero" && "$3" -ne 0 && "$3" -lt 128 ]] || [[ "$2" == "$3" ]]; then
    return
  fi
  echo "FAIL $1: exit status $3, wanted $2" >&2
  failures=$((failures + 1))
}

finish() {
  if [[ $failures -ne 0 ]]; then
    echo "$1: $failures check(s) failed" >&2
    exit 1
  fi
  echo "$1: all checks passed"
}
