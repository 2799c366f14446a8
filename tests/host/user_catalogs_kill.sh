#!/usr/bin/env bash
# The host's atomic file writer killed (SIGKILL) at random points of its saves, 100 times: the file is
# always one stream whole, the one saved last or the one being saved, never a torn one.
#
#   tests/host/user_catalogs_kill.sh ATOMIC_WRITE_HELPER
set -euo pipefail
helper="${1:?usage: user_catalogs_kill.sh ATOMIC_WRITE_HELPER}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
file="$work/user-catalogs.dat"
failures=0
landed=0 # kills that came after at least one save of the run

for run in $(seq 1 100); do
  first=$((run * 100000))
  previous=""
  if [[ -f "$file" ]]; then previous="$("$helper" check "$file")"; fi
  "$helper" write "$file" "$first" >"$work/saved" 2>"$work/errors" &
  child=$!
  sleep "0.0$((RANDOM % 40 + 5))"
  kill -KILL "$child"
  wait "$child" 2>/dev/null || true
  if [[ -s "$work/errors" ]]; then
    echo "FAIL run $run: the writer failed: $(cat "$work/errors")" >&2
    failures=$((failures + 1))
    continue
  fi
  last="$(tail -n 1 "$work/saved")"
  if [[ ! -e "$file" && -z "$previous" && -z "$last" ]]; then continue; fi # killed before any save
  if ! now="$("$helper" check "$file")"; then
    echo "FAIL run $run: $now (last whole save: ${last:-none})" >&2
    failures=$((failures + 1))
    continue
  fi
  # Whole, and the right one: the last stream reported saved or the next (renamed, not yet reported);
  # with none reported, the file of the run before or this run's first.
  if [[ -n "$last" ]]; then
    landed=$((landed + 1))
    allowed=("whole $last" "whole $((last + 1))")
  else
    allowed=("$previous" "whole $first")
  fi
  if [[ "$now" != "${allowed[0]}" && "$now" != "${allowed[1]}" ]]; then
    echo "FAIL run $run: the file is $now, wanted ${allowed[0]} or ${allowed[1]}" >&2
    failures=$((failures + 1))
  fi
done

# The kills must have landed in the middle of the saving, not all before the first save.
if ((landed < 20)); then
  echo "FAIL only $landed of 100 kills came after a save: the test did not test" >&2
  failures=$((failures + 1))
fi
# A killed save leaves its temporary file; no other file is made.
if find "$work" -maxdepth 1 -type f ! -name user-catalogs.dat ! -name '.user-catalogs.dat.*.new' \
  ! -name saved ! -name errors | grep -q .; then
  echo "FAIL unexpected files: $(ls -a "$work")" >&2
  failures=$((failures + 1))
fi
rm -f "$work"/.user-catalogs.dat.*.new

if ((failures > 0)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "atomic saves killed: all checks passed ($landed of 100 kills after a save)"
