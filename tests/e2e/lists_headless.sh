#!/usr/bin/env bash
# The demo's options page chosen by mouse and keyboard (examples/demo/lists_steps.txt): the
# list leaves out the documents and the plug-ins, the combo box's drop-down picks the
# start-menu folder; the install honours both, and the screenshots show the list, the open
# drop-down and the choice.
#   bash tests/e2e/lists_headless.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"
fail() { echo "lists_headless: $*" >&2; exit 1; }

"$build/tamlo-run" run "$source/examples/demo" --headless \
  --steps "$source/examples/demo/lists_steps.txt" --out "$work/shots" --prefix "$work/p" \
  --timeout 300 2>"$work/run.txt" || { cat "$work/run.txt" >&2; fail "the list steps failed"; }
identify "$work/shots/lists-1-list.png" | grep -q "560x360" || fail "no screenshot of the list"
identify "$work/shots/lists-3-chosen.png" | grep -q "560x360" || fail "no screenshot of the choice"
# The drop-down: as wide as the combo box, three rows and its frame.
identify "$work/shots/lists-2-dropped.png" | grep -q "200x76" || fail "the drop-down is not 200x76"
grep -q 'docs = false, plugins = false, startMenuFolder = "Orvinex"' "$work/run.txt" ||
  fail "the configuration does not carry the choices"
installed="$work/p/home/.local/opt/Orvinex"
[[ -z $(find "$installed" -path "*/docs/*" -o -path "*/bin/plugins/*" | head -1) ]] ||
  fail "documents or plug-ins were installed"
[[ -f "$installed/bin/orvinex" ]] || fail "the program is missing"
[[ -x "$work/p/home/.local/share/applications/Orvinex/Orvinex.desktop" ]] ||
  fail "no launcher in the chosen start-menu folder"
echo "lists_headless: passed"
