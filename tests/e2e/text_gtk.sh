#!/usr/bin/env bash
# The demo's folder field as a real GTK window under Xvfb, typed into with xdotool: the
# typed folder is where the demo installs, and a character composed through GTK's own
# input method (Ctrl+Shift+U, its hex code, space) arrives in the field as one character.
#   bash tests/e2e/text_gtk.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
# shellcheck source=tests/e2e/lib/x_session.bash
. "$(dirname "$0")/lib/x_session.bash"
e2e_under_xvfb text_gtk "$build" "$source"
e2e_need text_gtk xdotool import

work=$(mktemp -d)
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"
fail() { echo "text_gtk: $*" >&2; [[ -f "$work/run.txt" ]] && tail -20 "$work/run.txt" >&2; exit 1; }
typed="$work/p/gtk"
cat >"$work/steps.txt" <<STEPS
waitfor end
expect file $typed/中/Orvinex/bin/orvinex
expect nofile home/.local/opt/Orvinex/bin/orvinex
STEPS
export TAMLO_PLATFORM=gtk GTK_IM_MODULE=gtk-im-context-simple TAMLO_DEBUG=1
e2e_start_run "$work" "$build/tamlo-run" run "$source/examples/demo" --steps "$work/steps.txt" \
  --prefix "$work/p" --timeout 120

read -r window wx wy <<<"$(e2e_await_window "$runner" 560 360)"
[[ -n "${window:-}" ]] || fail "the installer window did not appear"
at() { xdotool mousemove "$((wx + $1))" "$((wy + $2))"; }

at 44 277 && xdotool click 1        # accept the licence
sleep 0.3
at 390 334 && xdotool click 1       # "自定义选项": the options page
sleep 0.5
at 200 157 && xdotool click 1       # the folder field
sleep 0.3
xdotool key ctrl+a
xdotool type --delay 20 "$typed/"
xdotool key ctrl+shift+u
xdotool type --delay 20 "4e2d"
xdotool key space                   # commits U+4E2D
sleep 0.3
import -window root -crop "560x360+$wx+$wy" +repage "$work/typed.png"
xdotool type --delay 20 "/Orvinex"
sleep 0.3
at 496 334 && xdotool click 1       # "立即安装"
# "立即安装" and the finish page's "完成" are blue at the same place, the progress page
# between them is not: wait for the progress page to come and go, then finish.
blue() {
  import -window root -crop "1x1+$((wx + 470))+$((wy + 334))" -depth 8 txt:- 2>/dev/null |
    grep -q "#2F7CF6"
}
for want in gone back; do
  for _ in $(seq 1 300); do
    if [[ $want == gone ]]; then blue || break; else blue && break; fi
    kill -0 "$runner" 2>/dev/null || fail "the run ended early"
    sleep 0.1
  done
done
at 496 334 && xdotool click 1
for _ in $(seq 1 100); do
  kill -0 "$runner" 2>/dev/null || break
  sleep 0.1
done
status=0
wait "$runner" || status=$?
grep -q "installPath = \"$typed/中/Orvinex\"" "$work/run.txt" ||
  fail "the install did not go to the typed folder: $(grep -o 'installPath = "[^"]*"' "$work/run.txt")"
(( status == 0 )) || fail "the run ended with status $status"
[[ -n "${TEXT_GTK_SHOTS:-}" ]] && cp "$work/typed.png" "$TEXT_GTK_SHOTS/"
echo "text_gtk: ok"
