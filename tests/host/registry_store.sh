#!/usr/bin/env bash
# The host and the registry tool on registry stores they cannot use: locked by another program (an
# sqlite3 process holding the whole file), a file of garbage, another program's database, a truncated
# store and a folder. Each says what is wrong, by error name and reason, and exits non-zero; the store
# is left byte for byte as it was. A store that does not exist yet is no error, and is not made by a
# read.
#
#   tests/host/registry_store.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: registry_store.sh BUILD_DIR}"
if ! command -v sqlite3 >/dev/null; then
  echo "the sqlite3 command is not installed: skipped"
  exit 77
fi
work="$(mktemp -d)"
# Nothing of the user's own: the default places (the e-book store, the user's catalogs) are the test's.
export HOME="$work/home" TAVRIN_EBOOK_STORE="$work/ebooks"
mkdir -p "$HOME"
holder=""
cleanup() {
  if [[ -n "$holder" ]]; then kill "$holder" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
host=("$build/host/tavrin-host" --shelf "$build/shelf")
tool="$build/tools/regtool/tavrin-reg"
failures=0

fail() {
  echo "FAIL $1" >&2
  failures=$((failures + 1))
}
# expect NAME PATTERN OUTPUT: the output holds a line matching the extended regular expression.
expect() {
  if ! grep -Eq -- "$2" <<<"$3"; then
    fail "$1: no line matches /$2/ in:"
    head -20 <<<"$3" | sed 's/^/    /' >&2
  fi
}
# run NAME STATUS COMMAND...: runs the command (output in $out) and checks its exit status is STATUS
# ("nonzero" for any failure).
run() {
  local name="$1" want="$2"
  shift 2
  local status=0
  out="$("$@" 2>&1)" || status=$?
  if [[ "$want" == nonzero && "$status" -eq 0 ]] || [[ "$want" != nonzero && "$status" -ne "$want" ]]; then
    fail "$name: exit status $status, expected $want; output:"
    head -20 <<<"$out" | sed 's/^/    /' >&2
  fi
}
# unchanged NAME FILE SUM: the file's checksum is still SUM.
unchanged() {
  if [[ "$(sha256sum <"$2")" != "$3" ]]; then fail "$1: the store was changed"; fi
}

# The host and the tool on STORE, which they must refuse with ERROR and REASON.
refused() {
  local name="$1" store="$2" error="$3" reason="$4"
  local sum=""
  if [[ -f "$store" ]]; then sum="$(sha256sum <"$store")"; fi
  TAVRIN_REGISTRY="$store" run "$name host" nonzero "${host[@]}" show
  expect "$name host" "^tavrin-host: the registry $store cannot be read: $error: $reason" "$out"
  TAVRIN_REGISTRY="$store" run "$name tool list" nonzero "$tool" list
  expect "$name tool list" "^tavrin-reg: cannot open HKEY_LOCAL_MACHINE: $error: the registry $store: $reason" "$out"
  TAVRIN_REGISTRY="$store" run "$name tool set" nonzero "$tool" set 'SOFTWARE/Test' v x
  expect "$name tool set" "^tavrin-reg: cannot create HKEY_LOCAL_MACHINE.SOFTWARE.Test: $error: " "$out"
  if [[ -n "$sum" ]]; then unchanged "$name" "$store" "$sum"; fi
}

# A store of the registry with some keys in it, made by the tool.
store="$work/registry.db"
for i in $(seq 1 40); do
  "$tool" --registry "$store" set "SOFTWARE/Velmoran/ZavikDic/book-$i/Book" Database "/books/book-number-$i.ebd"
done
run "good store" 0 "$tool" --registry "$store" list 'SOFTWARE/Velmoran/ZavikDic/book-7'
expect "good store" 'Database = "/books/book-number-7.ebd"' "$out"

# Locked: another program holds the whole store (exclusive locking mode) until it is told to let go.
mkfifo "$work/lock.in" "$work/lock.out"
stdbuf -oL sqlite3 "$store" <"$work/lock.in" >"$work/lock.out" 2>&1 &
holder=$!
exec 3>"$work/lock.in" 4<"$work/lock.out"
echo "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; SELECT COUNT(*) FROM keys; SELECT 'locked';" >&3
line=""
while [[ "$line" != locked ]]; do
  if ! read -r -t 10 -u 4 line; then
    fail "the sqlite3 program did not take the lock"
    break
  fi
done
start=$SECONDS
refused locked "$store" 'ERROR_SHARING_VIOLATION \(32\)' 'locked by another program \(waited 1 s\)'
if ((SECONDS - start > 8)); then fail "locked: three refusals took $((SECONDS - start)) s"; fi
exec 3>&- 4<&-
wait "$holder" || true
holder=""
run "store let go" 0 "$tool" --registry "$store" list 'SOFTWARE/Velmoran/ZavikDic/book-7'

# Damaged: the second half of the file cut off.
truncated="$work/truncated.db"
cp "$store" "$truncated"
truncate -s "$(($(stat -c %s "$store") / 2))" "$truncated"
TAVRIN_REGISTRY="$truncated" run "truncated host" nonzero "${host[@]}" show
expect "truncated host" "^tavrin-host: the registry $truncated cannot be read: ERROR_REGISTRY_CORRUPT \(1015\): damaged" "$out"
sum="$(sha256sum <"$truncated")"
TAVRIN_REGISTRY="$truncated" run "truncated tool set" nonzero "$tool" set 'SOFTWARE/Test' v x
expect "truncated tool set" "ERROR_REGISTRY_CORRUPT \(1015\): the registry $truncated: damaged" "$out"
unchanged truncated "$truncated" "$sum"

# Not a database at all.
head -c 5000 /dev/urandom >"$work/garbage.db"
refused garbage "$work/garbage.db" 'ERROR_BADDB \(1009\)' 'not a registry database'

# Another program's database: no registry tables are made in it.
sqlite3 "$work/notes.db" "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine');"
refused foreign "$work/notes.db" 'ERROR_BADDB \(1009\)' "not a registry database \(it holds another program's tables\)"

# A folder where the file should be.
mkdir "$work/folder.db"
refused folder "$work/folder.db" 'ERROR_ACCESS_DENIED \(5\)' 'a folder, not a file'

# No store yet: an empty shelf, exit 0, and no file made.
TAVRIN_REGISTRY="$work/new/registry.db" run "no store" 0 "${host[@]}" books
expect "no store" "^  \(none\)$" "$out"
if [[ -e "$work/new" ]]; then fail "no store: a read made $work/new"; fi

# The tool's errors are named, also when the store is fine.
run "missing key" nonzero "$tool" --registry "$store" list 'SOFTWARE/Missing'
expect "missing key" "^tavrin-reg: cannot open HKEY_LOCAL_MACHINE.SOFTWARE.Missing: ERROR_FILE_NOT_FOUND \(2\): The system cannot find the file specified\.$" "$out"

if ((failures > 0)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "registry stores: all checks passed"
