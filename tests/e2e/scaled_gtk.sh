#!/usr/bin/env bash
# The demo's own step files, unchanged, as real GTK windows under Xvfb with GDK_SCALE=2:
# the steps pass (clicks in logical coordinates land on the same controls, the step file's
# folder answer reaches the GTK backend instead of opening a real picker) and every page is
# shot at 1120 x 720 device pixels.
#   bash tests/e2e/scaled_gtk.sh BUILD_DIR SOURCE_DIR
# SCALED_GTK_SHOTS=DIR keeps the screenshots there.
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
# shellcheck source=tests/e2e/lib/x_session.bash
. "$(dirname "$0")/lib/x_session.bash"
run="$build/tamlo-run"
[[ -x "$run" ]] || { echo "scaled_gtk: $run is not built" >&2; exit 1; }
E2E_SCREEN=1920x1200 e2e_under_xvfb scaled_gtk "$build" "$source"
e2e_need scaled_gtk identify

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" TMPDIR="$work"
export TAMLO_PLATFORM=gtk GDK_SCALE=2
unset TAMLO_SCALE
# LeakSanitizer cannot stop a process that hosts WebKitGTK's threads: the headless runs
# check leaks.
[[ -n "${ASAN_OPTIONS:-}" ]] && export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"

for steps in steps lists_steps; do
  out="$work/$steps"
  mkdir -p "$out"
  "$run" run "$source/examples/demo" --steps "$source/examples/demo/$steps.txt" --out "$out" \
    --prefix "$work/p$steps" --timeout 120 >"$out/log.txt" 2>&1 ||
    { tail -30 "$out/log.txt" >&2; echo "scaled_gtk: $steps failed" >&2; exit 1; }
  [[ -n "${SCALED_GTK_SHOTS:-}" ]] && mkdir -p "$SCALED_GTK_SHOTS" && cp "$out"/*.png "$SCALED_GTK_SHOTS/"
done
# The folder was answered by the step file, not by a picker on the screen.
grep -q '^folderpicker title=.* -> ".*/home/Apps"' "$work/steps/log.txt" ||
  { echo "scaled_gtk: the folder picker was not answered by the step file" >&2; exit 1; }
for page in 1-welcome 2-options 3-progress 4-finish; do
  size=$(identify -format '%wx%h' "$work/steps/$page.png" 2>/dev/null || true)
  [[ "$size" == 1120x720 ]] || { echo "scaled_gtk: $page is ${size:-missing}, not 1120x720" >&2; exit 1; }
done
echo "scaled_gtk: ok"
