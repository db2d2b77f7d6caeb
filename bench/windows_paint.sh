#!/usr/bin/env bash
# The demo's welcome page painted by the Windows build under Wine (our raster drawing and
# GDI text) against the Linux build (cairo and pango) on the same machine, in one run:
# prints both means and the ratio. Uses a Wine prefix of its own, removed afterwards.
#   bash bench/windows_paint.sh [LINUX_BUILD] [WINDOWS_BUILD] [REPEAT]
set -euo pipefail
cd "$(dirname "$0")/.."
linux=$(realpath "${1:-build}")
windows=$(realpath "${2:-build-win}")
repeat=${3:-1000}
for program in "$linux/tamlo-run" "$windows/tamlo-run.exe"; do
  [[ -f "$program" ]] || { echo "windows_paint: $program is missing" >&2; exit 1; }
done
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tamlo-paint-XXXXXX")
export WINEPREFIX="$scratch/prefix" HOME="$scratch/home" WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=" XDG_CACHE_HOME="$scratch/home/.cache"
mkdir -p "$HOME"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT

mean() { sed -n 's/^paint: .* in \([0-9.]*\) us.*/\1/p'; }
linux_us=$(unset DISPLAY; TAMLO_PLATFORM=headless TAMLO_PAINT_REPEAT=$repeat \
  "$linux/tamlo-run" screenshot examples/demo installer.xml "$scratch/linux.png" | mean)
wine_us=$(TAMLO_PAINT_REPEAT=$repeat xvfb-run -a bash -c \
  'wineboot -i >/dev/null 2>&1; wine "$0" screenshot "$1" installer.xml "$2"' \
  "$windows/tamlo-run.exe" "$(winepath -w examples/demo 2>/dev/null)" \
  "$(winepath -w "$scratch/wine.png" 2>/dev/null)" | tr -d '\r' | mean)
[[ -n "$linux_us" && -n "$wine_us" ]] || { echo "windows_paint: a paint did not report" >&2; exit 1; }
echo "welcome page 560x360, mean of $repeat paints"
echo "  Linux (cairo + pango):     $linux_us us"
echo "  Wine (raster + GDI text):  $wine_us us"
awk -v w="$wine_us" -v l="$linux_us" 'BEGIN { printf "  ratio Wine / Linux:        %.2f\n", w / l }'
