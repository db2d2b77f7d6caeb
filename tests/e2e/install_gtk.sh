#!/usr/bin/env bash
# The demo installer as real GTK windows under Xvfb, clicked through with xdotool: the
# licence, "立即安装", two screenshots of the progress page while the bar moves (the worker
# is held at two notifications), "完成", then the installation is checked on disk.
#   bash tests/e2e/install_gtk.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
# shellcheck source=tests/e2e/lib/x_session.bash
. "$(dirname "$0")/lib/x_session.bash"
e2e_under_xvfb install_gtk "$build" "$source"
e2e_need install_gtk xdotool xprop import python3

work=$(mktemp -d)
fail() { echo "install_gtk: $*" >&2; [[ -n "${INSTALL_GTK_SHOTS:-}" ]] && cp "$work"/*.png "$INSTALL_GTK_SHOTS/" 2>/dev/null; [[ -f "$work/run.txt" ]] && tail -20 "$work/run.txt" >&2; exit 1; }
python3 "$source/scripts/make-demo-payload.py" "$work/project/program" >/dev/null
cp -r "$source/examples/demo/frame" "$source/examples/demo/style" "$source/examples/demo/UI.lua" \
  "$source/examples/demo/LG.lua" "$work/project/"
"$build/tamlo-pack" build "$work/project" -o "$work/installer"

cat >"$work/steps.txt" <<'STEPS'
waitfor #3000 visible
waitfor notify 80
hold 3000
waitfor notify 240
hold 3000
waitfor end
expect file home/.local/opt/Orvinex/media/intro.bin
expect file home/Desktop/Orvinex.desktop
expect reg HKEY_CURRENT_USER\Software\Orvinex InstallPath $PREFIX/home/.local/opt/Orvinex
STEPS
export TAMLO_PLATFORM=gtk
e2e_start_run "$work" "$build/tamlo-run" run "$work/installer" --steps "$work/steps.txt" \
  --prefix "$work/p" --timeout 120

read -r window wx wy <<<"$(e2e_await_window "$runner" 560 360)"
[[ -n "${window:-}" ]] || fail "the installer window did not appear"
[[ "$(xdotool getwindowname "$window")" == "奥维克斯 安装向导" ]] || fail "the title is not set"
# setIcon(128) took style/icon128.png (48 x 48) as the window's icon.
icon=$(xprop -id "$window" _NET_WM_ICON)  # whole: grep -q in a pipe is flaky under pipefail
[[ "$icon" == *"48 x 48"* ]] || fail "the window has no icon"

shot() {  # the window as it shows now, into $1
  import -window root -crop "560x360+$wx+$wy" +repage "$1"
}
pixel() {  # the colour at x y of screenshot $1 as #RRGGBB
  convert "$1" +repage -crop "1x1+$2+$3" -depth 8 txt:- | tail -1 | grep -o '#[0-9A-F]\{6\}' | head -1
}
await_line() {  # waits for the runner to say $1 for the $2-th time
  for _ in $(seq 1 200); do
    (( $(grep -c "$1" "$work/run.txt" || true) >= $2 )) && return 0
    sleep 0.1
  done
  fail "the runner never said \"$1\" ($2)"
}

# The install button stays disabled until the licence is accepted.
xdotool mousemove "$((wx + 44))" "$((wy + 277))" click 1
sleep 0.3
xdotool mousemove "$((wx + 496))" "$((wy + 334))" click 1
xdotool mousemove "$((wx + 300))" "$((wy + 120))"  # away: no hover skin in the checks

await_line "holding for" 1
sleep 0.5
shot "$work/progress1.png"
await_line "holding for" 2
sleep 0.5
shot "$work/progress2.png"
# The bar counts bytes, so it moves by however much the files between the holds weigh:
# somewhere along its row, not at a fixed point.
convert "$work/progress1.png" -crop 560x1+0+274 +repage "$work/row1.png"
convert "$work/progress2.png" -crop 560x1+0+274 +repage "$work/row2.png"
moved=$(compare -metric AE "$work/row1.png" "$work/row2.png" null: 2>&1 || true)
[[ "${moved%% *}" =~ ^[0-9]+$ && "${moved%% *}" -gt 0 ]] || fail "the progress bar did not move ($moved)"

# The finish page's "完成" is blue where the progress page has nothing.
finish=""
for _ in $(seq 1 100); do
  shot "$work/now.png"
  finish=$(pixel "$work/now.png" 470 334)
  [[ "$finish" == "#2F7CF6" ]] && break
  sleep 0.1
done
[[ "$finish" == "#2F7CF6" ]] || fail "the finish page did not show ($finish)"
xdotool mousemove "$((wx + 496))" "$((wy + 334))" click 1
for _ in $(seq 1 100); do
  kill -0 "$runner" 2>/dev/null || break
  sleep 0.1
done
status=0
wait "$runner" || status=$?
(( status == 0 )) || fail "the run ended with status $status"
if [[ -n "${INSTALL_GTK_SHOTS:-}" ]]; then
  cp "$work/progress1.png" "$work/progress2.png" "$INSTALL_GTK_SHOTS/"
fi
echo "install_gtk: ok (the bar moved along $moved pixels of its row)"
