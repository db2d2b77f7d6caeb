#!/usr/bin/env bash
# The demo's text fields driven headless by tamlo-run with examples/demo/text_steps.txt:
# the licence scrolls to its end, the folder field is cut, pasted, selected by mouse and
# keyboard, refuses a relative path, takes a composed Chinese name, and the install goes
# to the typed folder.
#   bash tests/e2e/text_headless.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"
unset DISPLAY WAYLAND_DISPLAY
fail() { echo "text_headless: $*" >&2; exit 1; }

"$build/tamlo-run" run "$source/examples/demo" --headless \
  --steps "$source/examples/demo/text_steps.txt" --out "$work/shots" --prefix "$work/p" \
  --timeout 300 2>"$work/run.txt" || { cat "$work/run.txt" >&2; fail "the text steps failed"; }
for shot in t1-licence t2-licence-end t3-compose t4-typed; do
  identify "$work/shots/$shot.png" 2>/dev/null | grep -q "560x360" || fail "no screenshot $shot"
done
# The relative folder was refused with one box, and nothing went anywhere but the typed folder.
[[ $(grep -c '^messagebox caption="安装位置"' "$work/run.txt") -eq 1 ]] || fail "no box for a relative folder"
[[ -f "$work/p/typed/中文/Orvinex/bin/orvinex" ]] || fail "not installed in the typed folder"
[[ ! -e "$work/p/home/.local/opt/Orvinex" ]] || fail "installed in the default folder too"
# The composition is drawn at the caret: the screenshots before and after the commit differ there.
compare -metric AE "$work/shots/t3-compose.png" "$work/shots/t4-typed.png" /dev/null 2>"$work/diff.txt" || true
[[ $(cut -d' ' -f1 <"$work/diff.txt") != 0 ]] || fail "the composition left no trace on screen"
echo "text_headless: passed"
