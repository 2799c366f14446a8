#!/usr/bin/env bash
# How fast the reader's window answers, under Xvfb: the first frame after the start, and the time from
# a click (press and release) or a wheel step to the frame that shows it, as the reader's own trace
# (TAVRIN_READER_TRACE=1) reports them. Runs the reader RUNS times on the sample shelf; in each run it
# opens the catalogs, clicks between books and contents entries and scrolls with the wheel. Prints the
# median and the largest time of each kind over all runs. With SHOT=FILE.png it also writes the picture
# of the window that docs/images/reader.png is (a page chosen from a search's hits).
#
#   bench/reader_frames.sh BUILD_DIR [RUNS]        e.g. bench/reader_frames.sh out/release 5
set -euo pipefail
build="$(cd "${1:?usage: reader_frames.sh BUILD_DIR [RUNS]}" && pwd)"
runs="${2:-5}"
work="$(mktemp -d)"
display=""
for n in $(seq 141 190); do
  [[ ! -e "/tmp/.X11-unix/X$n" && ! -e "/tmp/.X$n-lock" ]] && { display=":$n"; break; }
done
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; [[ -n "${KEEP:-}" ]] && cp "$work/trace.txt" "$KEEP"; rm -rf "$work"' EXIT
export DISPLAY="$display" TAVRIN_REGISTRY="$work/registry.db" TAVRIN_EBOOK_STORE="$work/ebooks"
export TAVRIN_USER_CATALOGS="$work/user-catalogs.dat" TAVRIN_READER_STATE="$work/state.txt"
export TAVRIN_READER_LAYOUT="$work/layout.txt" TAVRIN_READER_TRACE=1
sleep 1
bash "$(dirname "$0")/../scripts/register_samples.sh" "$build" >/dev/null

mid() { # the middle of an item's label, by its path
  local w l t r b s o path
  while read -r w l t r b s o path; do
    [[ "$w" == item && "$path" == "$1" && "$l" != - ]] && echo $(( (l + r) / 2 )) $(( (t + b) / 2 ))
  done <"$TAVRIN_READER_LAYOUT"
}
at() { # waits until the item is in view, then prints its middle
  local m=""
  for _ in $(seq 100); do m="$(mid "$1")"; [[ -n "$m" ]] && break; sleep 0.05; done
  echo "${m:-0 0}"
}
open_item() { xdotool mousemove --window "$wid" $(at "$1") click --repeat 2 --delay 80 1; sleep 0.3; }

for run in $(seq "$runs"); do
  rm -f "$TAVRIN_READER_LAYOUT" "$TAVRIN_READER_STATE"
  "$build/host/reader/tavrin-reader" --shelf "$build/shelf" --size 860x520 2>>"$work/trace.txt" &
  pid=$!
  wid=""
  until [[ -n "$wid" ]]; do
    sleep 0.1
    wid="$(xdotool search --onlyvisible --name "Tavrin reader" 2>/dev/null | head -1)" || true
  done
  while [[ ! -s "$TAVRIN_READER_LAYOUT" ]]; do sleep 0.05; done
  open_item "Bookshelf / Literature"
  open_item "Bookshelf / E-books"
  open_item "Bookshelf / Literature / Classical Poetry"
  for i in 1 2 3 4 5; do
    for item in "Bookshelf / E-books / A Journey Down the River" "Bookshelf / Literature / Classical Poetry / Tang Poems"; do
      xdotool mousemove --window "$wid" $(at "$item") click 1
      sleep 0.15
    done
  done
  for i in 1 2 3 4 5; do
    xdotool mousemove --window "$wid" 100 200 click 5; sleep 0.1
    xdotool mousemove --window "$wid" 100 200 click 4; sleep 0.1
  done
  if [[ -n "${SHOT:-}" && "$run" == 1 ]]; then
    xdotool mousemove --window "$wid" $(at "Bookshelf / E-books / A Journey Down the River") click 1; sleep 0.3
    read -r l t r b <<<"$(awk '$1 == "field" { print $2, $3, $4, $5 }' "$TAVRIN_READER_LAYOUT")"
    xdotool mousemove --window "$wid" $(( (l + r) / 2 )) $(( (t + b) / 2 )) click 1
    xdotool type --delay 30 river; xdotool key Return; sleep 0.5
    read -r l t r b <<<"$(awk '$1 == "hits" { print $2, $3, $4, $5 }' "$TAVRIN_READER_LAYOUT")"
    xdotool mousemove --window "$wid" $(( l + 60 )) $(( t + 26 )) click 1; sleep 0.4
    xdotool mousemove --window "$wid" 600 500; sleep 0.3
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$SHOT"
  fi
  xdotool mousemove --window "$wid" 400 100 key ctrl+q
  wait "$pid"
done

report() { # NAME PATTERN FIELD: median and largest of the field of the matching trace lines
  grep -E "$2" "$work/trace.txt" | awk -v f="$3" '{ v = $f; gsub(/[()]/, "", v); print v }' | sort -n |
    awk -v name="$1" '{ v[NR] = $1 } END { if (NR) printf "%-28s %4d samples  median %6.1f ms  largest %6.1f ms\n", name, NR, v[int((NR + 1) / 2)], v[NR] }'
}
echo "reader on the sample shelf, $runs run(s), Xvfb $display"
report "first frame after the start" '^\[trace\] first frame' 14
report "first frame: paint, wall" '^\[trace\] first frame' 4
report "first frame: paint, CPU" '^\[trace\] first frame' 10
report "click to frame, wall" '^\[trace\] release:' 3
report "click to frame, CPU" '^\[trace\] release:' 12
report "wheel step to frame, wall" '^\[trace\] wheel:' 3
report "wheel step to frame, CPU" '^\[trace\] wheel:' 12
report "press to frame, wall" '^\[trace\] press:' 3
report "press to frame, CPU" '^\[trace\] press:' 12
