#!/usr/bin/env bash
# The demo setup.exe under Wine and Xvfb, clicked through with xdotool: every page is
# screenshotted, a second instance is refused, and the installation is checked in the Wine
# prefix (payload byte for byte, registry values through `wine reg query`, a real .lnk).
#   bash tests/e2e_windows/install_wine.sh WINDOWS_BUILD LINUX_BUILD SOURCE_DIR
# TAMLO_WINE_SHOTS=DIR keeps the screenshots; TAMLO_WINE_TIMING=1 prints start-up figures.
set -euo pipefail
winbuild=$(realpath "${1:?windows build directory}")
build=$(realpath "${2:?linux build directory}")
source=$(realpath "${3:?source directory}")
for tool in xvfb-run xdotool import convert compare wine wineserver cmp; do
  command -v "$tool" >/dev/null 2>&1 || { echo "install_wine: $tool is missing" >&2; exit 1; }
done
if [[ -z "${INSTALL_WINE_INSIDE:-}" ]]; then
  export INSTALL_WINE_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$winbuild" "$build" "$source"
fi

source "$source/tests/e2e_windows/lib/wine_prefix.sh"
wine_prefix_start e2e
installer_pid=""
cleanup() {
  [[ -n "$installer_pid" ]] && kill "$installer_pid" 2>/dev/null || true
  wine_prefix_end
}
trap cleanup EXIT
keep_shots() {
  if [[ -n "${TAMLO_WINE_SHOTS:-}" ]]; then
    mkdir -p "$TAMLO_WINE_SHOTS" && cp "$work"/*.png "$TAMLO_WINE_SHOTS/" 2>/dev/null || true
  fi
}
fail() { echo "install_wine: $*" >&2; keep_shots; exit 1; }

python3 "$source/scripts/make-demo-payload.py" "$work/project/program" >/dev/null
cp -r "$source/examples/demo/frame" "$source/examples/demo/style" "$source/examples/demo/UI.lua" \
  "$source/examples/demo/LG.lua" "$work/project/"
"$build/tamlo-pack" build "$work/project" -o "$work/setup.exe" --engine "$winbuild/tamlo.exe" >/dev/null

wineboot -i >/dev/null 2>&1
# The system's dialogs (message boxes) in a font with Chinese glyphs, as a Chinese Windows has.
for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "MS Sans Serif"; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "WenQuanYi Micro Hei" /f \
    >/dev/null 2>&1
done

title="奥维克斯 安装向导"
started=$(date +%s%N)
wine "$work/setup.exe" >"$work/run.txt" 2>&1 &
installer_pid=$!
window=""
for _ in $(seq 1 300); do
  for id in $(xdotool search --onlyvisible --name "$title" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [[ "$WIDTH" == 560 && "$HEIGHT" == 360 ]]; then
      window=$id wx=$X wy=$Y
    fi
  done
  [[ -n "$window" ]] && break
  sleep 0.05
done
[[ -n "$window" ]] || { import -window root "$work/nowindow.png"; fail "the installer window did not appear"; }
shown=$(date +%s%N)

shot() { import -window root -crop "560x360+$wx+$wy" +repage "$work/$1"; }
pixel() {  # the colour at x y of screenshot $1 as #RRGGBB
  convert "$work/$1" +repage -crop "1x1+$2+$3" -depth 8 txt:- | tail -1 | grep -o '#[0-9A-F]\{6\}' | head -1
}
click() { xdotool mousemove "$((wx + $1))" "$((wy + $2))" click 1; sleep 0.3; }
away() { xdotool mousemove "$((wx + 300))" "$((wy + 120))"; sleep 0.3; }
await_pixel() {  # waits until pixel $2 $3 of the window is $4
  local now=""
  for _ in $(seq 1 200); do
    shot now.png
    now=$(pixel now.png "$1" "$2")
    [[ "$now" == "$3" ]] && return 0
    sleep 0.1
  done
  shot "timeout.png"
  fail "pixel $1,$2 is $now, not $3 ($4)"
}

sleep 1
away
shot 1-welcome.png
if [[ -n "${TAMLO_WINE_TIMING:-}" ]]; then
  echo "install_wine: start to first frame $(( (shown - started) / 1000000 )) ms (wine start included)"
fi

# While the first shows its welcome page, a second instance is refused with its message and
# ends; the first keeps running, its page still on the screen as it was.
wine "$work/setup.exe" >"$work/second.txt" 2>&1 &
second=$!
notice=""
for _ in $(seq 1 200); do
  notice=$(xdotool search --onlyvisible --name "^提示$" 2>/dev/null | head -1 || true)
  [[ -n "$notice" ]] && break
  sleep 0.1
done
[[ -n "$notice" ]] || fail "the second instance showed no notice"
import -window root "$work/second-instance.png"
# Its one button, "OK", sits centred at the bottom of the box.
eval "$(xdotool getwindowgeometry --shell --prefix N_ "$notice")"
for _ in $(seq 1 5); do
  xdotool mousemove "$((N_X + N_WIDTH / 2))" "$((N_Y + N_HEIGHT - 20))" click 1
  for _ in $(seq 1 30); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$second" 2>/dev/null || break
done
kill -0 "$second" 2>/dev/null && fail "the second instance did not end"
kill -0 "$installer_pid" 2>/dev/null || fail "the first instance ended with the second"

away
shot 1-welcome-after-second.png
changed=$(compare -metric AE "$work/1-welcome.png" "$work/1-welcome-after-second.png" null: 2>&1 || true)
awk -v n="${changed%% *}" 'BEGIN { exit !(n + 0 < 2000) }' ||
  fail "the welcome page changed when the second instance ended ($changed pixels differ)"

# The licence box enables "立即安装"; "自定义安装" leads to the options page.
xdotool windowactivate "$window" 2>/dev/null || true
click 44 277
away
shot 1-welcome-accepted.png
click "${CUSTOM_X:-390}" "${CUSTOM_Y:-334}"
away
shot 2-options.png
click "${OPTIONS_INSTALL_X:-496}" "${OPTIONS_INSTALL_Y:-334}"
away
sleep 1
shot 3-progress.png
await_pixel 470 334 "#2F7CF6" "the finish page"
shot 4-finish.png
click 496 334
for _ in $(seq 1 200); do kill -0 "$installer_pid" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$installer_pid" || status=$?
installer_pid=""
(( status == 0 )) || fail "setup.exe ended with status $status"
keep_shots

# The payload, byte for byte, in the folder the options page showed (manifest.txt is the
# worker's list of what to install, read from the package, not installed).
target="$WINEPREFIX/drive_c/Program Files/Orvinex"
[[ -d "$target" ]] || fail "nothing was installed in $target ($(ls "$WINEPREFIX/drive_c/Program Files"))"
cmp "$work/project/program/media/intro.bin" "$target/media/intro.bin" || fail "intro.bin differs"
differing=$(cd "$work/project/program" && find . -type f ! -name manifest.txt | while read -r f; do
  cmp -s "$f" "$target/$f" || echo "$f"; done | head -3)
[[ -z "$differing" ]] || fail "installed files differ: $differing"

query=$(wine reg query 'HKCU\Software\Orvinex' /v InstallPath 2>/dev/null | tr -d '\r')
[[ "$query" == *"REG_SZ"*'C:\Program Files\Orvinex'* ]] || fail "InstallPath is not in the registry: $query"

link=$(find "$WINEPREFIX/drive_c/users" -name 'Orvinex.lnk' -path '*esktop*' | head -1)
[[ -n "$link" ]] || fail "no desktop shortcut"
[[ "$(head -c 4 "$link" | od -An -tx1 | tr -d ' ')" == "4c000000" ]] || fail "$link is not a shell link"
grep -aq "orvinex" "$link" || fail "the shortcut does not name the program"
echo "install_wine: ok ($(ls "$work"/*.png | wc -l) screenshots)"
