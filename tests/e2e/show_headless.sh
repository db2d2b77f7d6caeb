#!/usr/bin/env bash
# tamlo-run show, headless, driven by a steps file on the demo's welcome page: clicks tick
# the check box, hover is seen, screenshots are written, a failed expectation fails.
#   bash tests/e2e/show_headless.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
run="$build/tamlo-run"
[[ -x "$run" ]] || { echo "show_headless: $run is not built" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"

cat >"$work/steps.txt" <<'STEPS'
# tick the check box by its id, then hover the install button
click #301
expect #301 checked on
expect #301 hover on
move 5 200   # empty space
expect #301 hover off
wait 20
screenshot ticked.png
click #301
expect #301 checked off
click #202
expect #202 hover on
expect #202 pressed off
close
STEPS
"$run" show "$source/examples/demo" welcome.xml --headless --steps "$work/steps.txt" --out "$work"
[[ -s "$work/ticked.png" ]] || { echo "show_headless: no screenshot" >&2; exit 1; }
identify "$work/ticked.png" 2>/dev/null | grep -q "560x360" ||
  { echo "show_headless: the screenshot is not the window's size" >&2; exit 1; }

# A false expectation names the step and fails the run.
printf 'expect #301 checked on\nclose\n' >"$work/bad.txt"
if "$run" show "$source/examples/demo" welcome.xml --headless --steps "$work/bad.txt" \
    --out "$work" 2>"$work/err.txt"; then
  echo "show_headless: a failed expectation passed" >&2
  exit 1
fi
grep -q "step 1 failed" "$work/err.txt" || { cat "$work/err.txt" >&2; exit 1; }

# A malformed step is refused before anything is shown.
printf 'jump 1 2\n' >"$work/odd.txt"
if "$run" show "$source/examples/demo" welcome.xml --headless --steps "$work/odd.txt" 2>/dev/null; then
  echo "show_headless: a malformed step was accepted" >&2
  exit 1
fi
echo "show_headless: ok"
