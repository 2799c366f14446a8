#!/usr/bin/env bash
# The DICT driver beside Debian's dictd server and dict client, and its search beside zcat | grep, on
# GCIDE (dict-gcide). Run by hand; the results go into docs/performance.md.
#
#   apt-get install -y dict-gcide dictd dict      # for the comparison only (not in scripts/deps.sh)
#   bash bench/dict_compare.sh [ROUNDS]
#
# 1. Open and look-up in one process (bench_dict_lookup): open times, and per word the binary search
#    and the first page made, the first round included (chunks not yet inflated).
# 2. The same words asked of a dictd server started here on the loopback address (port 26280, stopped
#    at the end), over one connection (the server's answer time, the client kept warm), alternated with
#    round 1's process runs; and the whole programs as a user runs them, alternated: `dict -d gcide WORD`
#    against that server, and `tavrin-host define WORD` with GCIDE on the shelf (CPU time).
# 3. Full-text search of GCIDE through the host's search (`search --book dict-gcide --case`) against
#    `zcat gcide.dict.dz | grep -F`, for a rare and a common word, alternated, best and median.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
rounds="${1:-5}"
gcide=/usr/share/dictd/gcide
for need in "$gcide.index" "$gcide.dict.dz" /usr/sbin/dictd /usr/bin/dict; do
  [[ -e "$need" ]] || { echo "dict_compare.sh: $need is missing (apt-get install -y dict-gcide dictd dict)" >&2; exit 2; }
done
build="$root/out/bench-rel"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAVRIN_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_dict_lookup tavrin-host dict_driver zavikapi_samples sample_shelf >/dev/null

work="$(mktemp -d)"
chmod 755 "$work" # dictd gives up root's rights once started
port=26280
cleanup() {
  [[ -f "$work/dictd.pid" ]] && kill "$(cat "$work/dictd.pid")" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

words=(abbey Zebra house run "ice cream" quixotic Serenity Abbot set water "hot dog" xylophone yeoman
       quell naive "New York" Bread ZYMOTIC elephant zoology)
printf '%s\n' "${words[@]}" >"$work/words"

echo "== 1. open and look-up in one process ($rounds rounds)"
"$build/bench/bench_dict_lookup" "$gcide.index" "$work/words" "$rounds"

echo
echo "== 2. the dictd server on 127.0.0.1:$port"
cat >"$work/dictd.conf" <<CONF
global { listen_to 127.0.0.1 port $port pid_file $work/dictd.pid }
database gcide { data "$gcide.dict.dz" index "$gcide.index" }
CONF
/usr/sbin/dictd --config "$work/dictd.conf" --locale C.UTF-8
for _ in $(seq 50); do [[ -s "$work/dictd.pid" ]] && dict -h 127.0.0.1 -p $port -I >/dev/null 2>&1 && break; sleep 0.1; done
python3 - "$port" "$work/words" "$rounds" <<'PY'
import socket, sys, time, statistics
port, words, rounds = int(sys.argv[1]), [w for w in open(sys.argv[2]).read().split('\n') if w], int(sys.argv[3])
s = socket.create_connection(('127.0.0.1', port))
s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
buffered = b''
def readline():
    # Every ACK at once (TCP_QUICKACK), so that the server's small writes are not held back by the
    # delayed ACK: the time measured is the server's.
    global buffered
    while b'\n' not in buffered:
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)
        chunk = s.recv(65536)
        if not chunk: return b''
        buffered += chunk
    line, buffered = buffered.split(b'\n', 1)
    return line + b'\n'
readline()
times = {w: [] for w in words}; found = 0
for r in range(rounds):
    found = 0
    for w in words:
        t = time.perf_counter()
        s.sendall(('DEFINE gcide "%s"\r\n' % w).encode())
        while True:
            line = readline()
            if line.startswith(b'250') or line.startswith(b'552') or not line: break
        times[w].append((time.perf_counter() - t) * 1000)
        found += line.startswith(b'250')
per = [statistics.median(v) for v in times.values()]
print("server answer (one connection): median %.3f ms, worst %.3f ms; first round median %.3f ms; %d of %d found"
      % (statistics.median(per), max(per), statistics.median([v[0] for v in times.values()]), found, len(words)))
PY

export TAVRIN_REGISTRY="$work/registry.db" TAVRIN_EBOOK_STORE="$work/ebooks" TAVRIN_USER_CATALOGS="$work/uc.dat"
host=("$build/host/tavrin-host" --shelf "$build/shelf")
"${host[@]}" add Dictionaries "$gcide.index" >/dev/null
# One run of a command: its wall, user and system time in seconds (the children's rusage), to 0.1 ms.
cpu() {
  python3 -c '
import resource, subprocess, sys, time
before = resource.getrusage(resource.RUSAGE_CHILDREN); t = time.perf_counter()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
wall = time.perf_counter() - t; after = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.4f %.4f %.4f" % (wall, after.ru_utime - before.ru_utime, after.ru_stime - before.ru_stime))' "$@"
}
echo "whole programs, per word: wall user sys (s), $rounds alternated runs each, medians"
: >"$work/define.times"; : >"$work/dict.times"
for _ in $(seq "$rounds"); do
  for w in "${words[@]}"; do
    cpu "${host[@]}" define "$w" >>"$work/define.times"
    cpu dict -h 127.0.0.1 -p $port -d gcide "$w" >>"$work/dict.times"
  done
done
for t in define dict; do
  python3 - "$t" "$work/$t.times" <<'PY'
import sys, statistics
rows = [list(map(float, l.split())) for l in open(sys.argv[2]) if l.strip()]
print("  %-7s wall median %.4f, best %.4f; CPU (user+sys) median %.4f" % (sys.argv[1],
      statistics.median(r[0] for r in rows), min(r[0] for r in rows), statistics.median(r[1] + r[2] for r in rows)))
PY
done

echo
echo "== 3. full-text search of GCIDE: wall user sys (s), $rounds alternated runs, hits"
for word in "pterodactyl" "water"; do
  : >"$work/ours"; : >"$work/grep"
  for _ in $(seq "$rounds"); do
    cpu "${host[@]}" search --book dict-gcide --case "$word" >>"$work/ours"
    cpu bash -c "zcat $gcide.dict.dz | grep -F '$word'" >>"$work/grep"
  done
  hits="$("${host[@]}" search --book dict-gcide --case "$word" | tail -1)"
  lines="$(zcat "$gcide.dict.dz" | grep -cF "$word")"
  for t in ours grep; do
    python3 - "$word $t" "$work/$t" <<'PY'
import sys, statistics
rows = [list(map(float, l.split())) for l in open(sys.argv[2]) if l.strip()]
print("  %-18s wall median %.3f, best %.3f; CPU (user+sys) median %.3f" % (sys.argv[1],
      statistics.median(r[0] for r in rows), min(r[0] for r in rows), statistics.median(r[1] + r[2] for r in rows)))
PY
  done
  echo "  $word: host: $hits; grep: $lines lines"
done
