#!/usr/bin/env bash
# The demo's own step files, unchanged, at 150 % and 200 % headless: clicks in logical
# coordinates land on the same controls, and the screenshots are the window in device pixels.
#   bash tests/e2e/scaled_headless.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
run="$build/tamlo-run"
[[ -x "$run" ]] || { echo "scaled_headless: $run is not built" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"
export TAMLO_PLATFORM=headless

for scale in 1.5 2; do
  for steps in steps lists_steps; do
    out="$work/$scale/$steps"
    mkdir -p "$out"
    "$run" run "$source/examples/demo" --headless --scale "$scale" \
      --steps "$source/examples/demo/$steps.txt" --out "$out" --prefix "$work/p$scale$steps" \
      >"$out/log.txt" 2>&1 || { cat "$out/log.txt" >&2; echo "scaled_headless: $steps at $scale failed" >&2; exit 1; }
  done
  want=$([[ $scale == 2 ]] && echo 1120x720 || echo 840x540)
  for page in 1-welcome 2-options 3-progress 4-finish; do
    identify "$work/$scale/steps/$page.png" 2>/dev/null | grep -q " $want " ||
      { echo "scaled_headless: $page at $scale is not $want" >&2; exit 1; }
  done
done
echo "scaled_headless: ok"
