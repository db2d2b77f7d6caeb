#!/usr/bin/env bash
# The demo's step files, unchanged, through the Windows backend under Wine with the desktop
# at LogPixels 96, 144 and 192: clicks in logical coordinates land on the same controls and
# each page's screenshot is the window in the monitor's device pixels.
#   bash tests/e2e_windows/scaled_wine.sh WINDOWS_BUILD LINUX_BUILD SOURCE_DIR [DPI...]
# TAMLO_WINE_SHOTS=DIR keeps the screenshots; KEEP=1 keeps the work folder.
set -euo pipefail
winbuild=$(realpath "${1:?windows build directory}")
build=$(realpath "${2:?linux build directory}")
source=$(realpath "${3:?source directory}")
shift 3
[[ $# -gt 0 ]] && dpis=("$@") || dpis=(96 144 192)
for tool in xvfb-run identify wine wineserver; do
  command -v "$tool" >/dev/null 2>&1 || { echo "scaled_wine: $tool is missing" >&2; exit 1; }
done
if [[ -z "${SCALED_WINE_INSIDE:-}" ]]; then
  export SCALED_WINE_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1600x1200x24" bash "$0" "$winbuild" "$build" "$source" "${dpis[@]}"
fi

source "$source/tests/e2e_windows/lib/wine_prefix.sh"
wine_prefix_start scaled
trap wine_prefix_end EXIT
unset TAMLO_SCALE
fail() {
  echo "scaled_wine: $*" >&2
  exit 1
}

wineboot -i >/dev/null 2>&1
# The steps as they are but for two checks of a Linux install: the desktop file (Wine makes
# no shortcut under tamlo-run's prefix) and the install path written with '/' (Windows
# joins it with '\'). install_wine.sh checks a real install's shortcut and registry.
grep -v -e '^expect file home/Desktop/' -e '^expect reg .* InstallPath ' \
  "$source/examples/demo/steps.txt" >"$work/steps.txt"
for dpi in "${dpis[@]}"; do
  # The desktop's DPI, as the display settings write it; the server reads it at start.
  wineserver -k 2>/dev/null || true
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  # Each DPI installs afresh: the run before left the product's keys, which make the demo
  # offer a repair.
  for key in 'HKCU\Software\Orvinex' 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvinex'; do
    wine reg delete "$key" /f >/dev/null 2>&1 || true
  done
  out="$work/$dpi"
  mkdir -p "$out"
  wine "$winbuild/tamlo-run.exe" run "$(winepath -w "$source/examples/demo")" \
    --steps "$(winepath -w "$work/steps.txt")" --out "$(winepath -w "$out")" \
    --prefix "$(winepath -w "$work/p$dpi")" >"$out/log.txt" 2>&1 ||
    { cat "$out/log.txt" >&2; fail "the steps at $dpi DPI failed"; }
  want="$((560 * dpi / 96))x$((360 * dpi / 96))"
  for page in 1-welcome 2-options 3-progress 4-finish; do
    identify "$out/$page.png" 2>/dev/null | grep -q " $want " ||
      fail "$page at $dpi DPI is $(identify -format %wx%h "$out/$page.png" 2>/dev/null), not $want"
  done
  if [[ -n "${TAMLO_WINE_SHOTS:-}" ]]; then
    mkdir -p "$TAMLO_WINE_SHOTS/$dpi" && cp "$out"/*.png "$TAMLO_WINE_SHOTS/$dpi/"
  fi
done
echo "scaled_wine: ok"
