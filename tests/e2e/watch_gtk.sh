#!/usr/bin/env bash
# tamlo-run show --watch as a real GTK window under Xvfb: a copy of examples/minimal is
# shown, its layout edited while shown (the bar moves 40 pixels down), and the window
# changes within a second as the edit says, at the same place; a broken edit shows the
# error in the window, which stays open, and mending it brings the layout back.
#   bash tests/e2e/watch_gtk.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
# shellcheck source=tests/e2e/lib/x_session.bash
. "$(dirname "$0")/lib/x_session.bash"
e2e_under_xvfb watch_gtk "$build" "$source"
e2e_need watch_gtk xdotool import
run="$build/tamlo-run"
[[ -x "$run" ]] || { echo "watch_gtk: $run is not built" >&2; exit 1; }

work=$(mktemp -d)
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"
cp -r "$source/examples/minimal" "$work/project"
layout="$work/project/frame/main.xml"
export TAMLO_PLATFORM=gtk
"$run" show "$work/project" main.xml --watch >"$work/out.txt" 2>&1 &
shown=$!
cleanup() {
  kill "$shown" 2>/dev/null || true
  wait "$shown" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

pixel() {  # the screen's colour at x y as rrggbb
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- | tail -1 | grep -o '#[0-9A-F]\{6\}' | head -1
}
wait_for() {  # wait_for X Y COLOUR: up to 1 s for the pixel to become COLOUR
  for _ in $(seq 1 10); do
    [[ "$(pixel "$1" "$2")" == "$3" ]] && return 0
    sleep 0.1
  done
  return 1
}

read -r window wx wy <<<"$(e2e_await_window "$shown" 400 150)"
[[ -n "${window:-}" ]] || { echo "watch_gtk: the window did not appear" >&2; cat "$work/out.txt" >&2; exit 1; }
# The bar's filled-less background (#E1E1E1) spans the page at y 24+24+10 .. +12.
bar_x=$((wx + 200)) bar_y=$((wy + 63)) below_y=$((wy + 103))
old_bar=$(pixel "$bar_x" "$bar_y")
old_below=$(pixel "$bar_x" "$below_y")
[[ "$old_bar" == "#E1E1E1" ]] || { echo "watch_gtk: no bar at first ($old_bar)" >&2; exit 1; }

# The edit: 40 more pixels above the bar.
sed -i 's/margin="0,10,0,0"/margin="0,50,0,0"/' "$layout"
wait_for "$bar_x" "$below_y" "#E1E1E1" ||
  { echo "watch_gtk: the bar did not move down ($(pixel "$bar_x" "$below_y"))" >&2; cat "$work/out.txt" >&2; exit 1; }
moved_bar=$(pixel "$bar_x" "$bar_y")
[[ "$moved_bar" != "#E1E1E1" ]] || { echo "watch_gtk: the bar is still at its old place" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
(( X == wx && Y == wy )) || { echo "watch_gtk: the window moved to $X,$Y from $wx,$wy" >&2; exit 1; }

# A broken edit: the window stays and says so.
sed -i 's/<ProgressBar/<ProgressBra/' "$layout"
for _ in $(seq 1 10); do
  grep -q "unknown element <ProgressBra>" "$work/out.txt" && break
  sleep 0.1
done
grep -q "unknown element <ProgressBra>" "$work/out.txt" ||
  { echo "watch_gtk: the error was not reported" >&2; cat "$work/out.txt" >&2; exit 1; }
kill -0 "$shown" || { echo "watch_gtk: the window closed on an error" >&2; exit 1; }
shown_error=$(pixel "$bar_x" "$below_y")
[[ "$shown_error" != "#E1E1E1" ]] || { echo "watch_gtk: the old layout is still shown" >&2; exit 1; }

# Mended: the layout is back.
sed -i 's/<ProgressBra/<ProgressBar/' "$layout"
wait_for "$bar_x" "$below_y" "#E1E1E1" || { echo "watch_gtk: the mended layout did not come back" >&2; exit 1; }
echo "watch_gtk: ok (bar at y+63 $old_bar -> $moved_bar, y+103 $old_below -> #E1E1E1)"
