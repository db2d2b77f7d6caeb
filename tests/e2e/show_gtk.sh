#!/usr/bin/env bash
# tamlo-run show as a real GTK window under Xvfb, driven from outside with xdotool: the
# check box is ticked by a click, the install button shows its hover skin, and the
# shadow window sits 20 left, 14 up, 16 right and 21 down of the window.
#   bash tests/e2e/show_gtk.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
# shellcheck source=tests/e2e/lib/x_session.bash
. "$(dirname "$0")/lib/x_session.bash"
run="$build/tamlo-run"
[[ -x "$run" ]] || { echo "show_gtk: $run is not built" >&2; exit 1; }

e2e_under_xvfb show_gtk "$build" "$source"
e2e_need show_gtk xdotool import convert

work=$(mktemp -d)
# A real window, whatever backend the calling test run chose for itself.
export TAMLO_PLATFORM=gtk
"$run" show "$source/examples/demo" welcome.xml >"$work/out.txt" 2>&1 &
shown=$!
cleanup() {
  kill "$shown" 2>/dev/null || true
  wait "$shown" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The window and its shadow belong to our process; the larger one is the shadow.
read -r window wx wy <<<"$(e2e_await_window "$shown" 560 360)"
read -r shadow sx sy <<<"$(e2e_await_window "$shown" 596 395)"
[[ -n "${window:-}" ]] || { echo "show_gtk: the window did not appear" >&2; cat "$work/out.txt" >&2; exit 1; }
[[ -n "${shadow:-}" ]] || { echo "show_gtk: no shadow window" >&2; exit 1; }
(( sx == wx - 20 && sy == wy - 14 )) ||
  { echo "show_gtk: shadow at $sx,$sy for a window at $wx,$wy" >&2; exit 1; }

pixel() {  # the screen's colour at x y as rrggbb
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- | tail -1 | grep -o '#[0-9A-F]\{6\}' | head -1
}

# The check box: its box is at the left of (24,92)-(244,115).
box_x=$((wx + 31)) box_y=$((wy + 103))
before=$(pixel "$box_x" "$box_y")
xdotool mousemove "$((wx + 34))" "$((wy + 103))" click 1
xdotool mousemove "$((wx + 300))" "$((wy + 250))"  # away, so no hover skin shows
sleep 0.5
after=$(pixel "$box_x" "$box_y")
[[ "$before" != "$after" ]] || { echo "show_gtk: the check box did not change ($before)" >&2; exit 1; }

# Hovering the install button (448,319)-(544,349) changes its skin.
button_x=$((wx + 452)) button_y=$((wy + 334))
xdotool mousemove "$((wx + 200))" "$((wy + 250))"
sleep 0.3
plain=$(pixel "$button_x" "$button_y")
xdotool mousemove "$((wx + 500))" "$((wy + 334))"
sleep 0.5
hover=$(pixel "$button_x" "$button_y")
[[ "$plain" != "$hover" ]] || { echo "show_gtk: no hover skin ($plain)" >&2; exit 1; }

# Escape closes the window and ends the run.
# The window may be gone before xdotool sends the key's release: that error is expected.
xdotool key --window "$window" Escape 2>/dev/null || true
for _ in $(seq 1 50); do
  kill -0 "$shown" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$shown" 2>/dev/null; then
  echo "show_gtk: Escape did not close the window" >&2
  exit 1
fi
echo "show_gtk: ok (check box $before -> $after, button $plain -> $hover)"
