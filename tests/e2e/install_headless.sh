#!/usr/bin/env bash
# The demo as a built installer, run headless by tamlo-run with the demo's step file: the
# payload arrives byte for byte, the registry values and the shortcut are there; without
# the shortcut option there is none; a run cancelled on the progress page leaves nothing.
#   bash tests/e2e/install_headless.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"
fail() { echo "install_headless: $*" >&2; exit 1; }

python3 "$source/scripts/make-demo-payload.py" "$work/project/program" >/dev/null
cp -r "$source/examples/demo/frame" "$source/examples/demo/style" "$source/examples/demo/UI.lua" \
  "$source/examples/demo/LG.lua" "$work/project/"
cp "$source/examples/demo/program/readme.txt" "$work/project/program/"
"$build/tamlo-pack" build "$work/project" -o "$work/installer"

# 1. The whole installation, every page screenshotted.
"$build/tamlo-run" run "$work/installer" --headless --steps "$source/examples/demo/steps.txt" \
  --out "$work/shots" --prefix "$work/p1" --timeout 300 2>"$work/run1.txt" ||
  { cat "$work/run1.txt" >&2; fail "the demo's steps failed"; }
for page in 1-welcome 2-options 3-progress 4-finish; do
  identify "$work/shots/$page.png" 2>/dev/null | grep -q "560x360" || fail "no screenshot of $page"
done
installed="$work/p1/home/Apps/Orvinex"
while read -r name; do
  [[ "$name" == \#* || -z "$name" ]] && continue
  cmp -s "$work/project/program/$name" "$installed/$name" || fail "$name differs or is missing"
done <"$work/project/program-manifest.txt"
# Beside the payload: the install's committed journal, and nothing it kept.
[[ $(find "$installed" -type f ! -name uninstall.journal | wc -l) -eq \
   $(find "$work/project/program" -type f | wc -l) ]] ||
  fail "the install folder holds more or fewer files than the payload"
tail -n 1 "$installed/uninstall.journal" | grep -qx committed || fail "the journal was not committed"
[[ ! -e "$installed/uninstall.journal.kept" ]] || fail "the journal's kept copies stayed"
[[ -x "$work/p1/home/Desktop/Orvinex.desktop" ]] || fail "no desktop shortcut"
TAMLO_REGISTRY_DIR="$work/p1/registry" "$build/tamlo-reg" export HKEY_CURRENT_USER >"$work/reg1.txt"
grep -q "InstallPath (REG_SZ) = $installed" "$work/reg1.txt" || fail "no install path value"
grep -q "DisplayName (REG_SZ) = 奥维克斯" "$work/reg1.txt" || fail "no uninstall entry"
grep -q "InstallLocation (REG_SZ) = $installed" "$work/reg1.txt" || fail "no install location"
! grep -q "^messagebox" "$work/run1.txt" || fail "a message box was shown: $(grep messagebox "$work/run1.txt")"

# 2. Without the shortcut option, to the default folder.
cat >"$work/noshortcut.txt" <<'STEPS'
click #301
click #203
waitfor #2000 visible
click #403
expect #403 checked off
click #405
waitfor #4000 visible
click #601
waitfor end
expect file home/.local/opt/Orvinex/media/intro.bin
expect nofile home/Desktop/Orvinex.desktop
STEPS
"$build/tamlo-run" run "$work/installer" --headless --steps "$work/noshortcut.txt" \
  --out "$work/shots" --prefix "$work/p2" --timeout 300 2>"$work/run2.txt" ||
  { cat "$work/run2.txt" >&2; fail "the run without a shortcut failed"; }

# 3. Cancelled on the progress page: confirmed with "是", the worker stops and undoes.
cat >"$work/cancel.txt" <<'STEPS'
click #301
click #202
waitfor #3000 visible
waitfor notify 60
answer box 6
click #101
screenshot cancelling.png
waitfor end
expect nofile home/.local/opt/Orvinex/bin/orvinex
expect noreg HKEY_CURRENT_USER\Software\Orvinex InstallPath
expect nofile home/Desktop/Orvinex.desktop
STEPS
"$build/tamlo-run" run "$work/installer" --headless --steps "$work/cancel.txt" \
  --out "$work/shots" --prefix "$work/p3" --timeout 300 2>"$work/run3.txt" ||
  { cat "$work/run3.txt" >&2; fail "the cancelled run failed"; }
grep -q 'messagebox caption="取消安装".* -> 6' "$work/run3.txt" || fail "no confirmation box"
left=$(find "$work/p3/home" -path "*Orvinex*" | head -5)
[[ -z "$left" ]] || fail "a cancelled run left files: $left"
TAMLO_REGISTRY_DIR="$work/p3/registry" "$build/tamlo-reg" export HKEY_CURRENT_USER >"$work/reg3.txt"
! grep -q "Orvinex" "$work/reg3.txt" || fail "a cancelled run left registry values"
# 4. Closed on the welcome page: nothing is installed and the run ends.
printf 'click #101\nwaitfor end\nexpect nofile home/.local/opt/Orvinex/bin/orvinex\n' >"$work/close.txt"
"$build/tamlo-run" run "$work/installer" --headless --steps "$work/close.txt" \
  --out "$work/shots" --prefix "$work/p4" --timeout 120 2>"$work/run4.txt" ||
  { cat "$work/run4.txt" >&2; fail "closing on the welcome page failed"; }
grep -q "the dialog ended with 2" "$work/run4.txt" || fail "the close button did not end the dialog"
# 5. LG.lua fails after three files: the failure page says why, nothing is left, no box.
cp -r "$work/project" "$work/failing"
python3 - "$work/failing/LG.lua" <<'PY'
import sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
marker = "        written[#written + 1] = target\n"
assert marker in text
text = text.replace(marker, marker + '        if #written == 3 then error("injected failure", 0) end\n', 1)
open(path, "w", encoding="utf-8").write(text)
PY
"$build/tamlo-pack" build "$work/failing" -o "$work/failing-installer" >/dev/null
cat >"$work/failing.txt" <<'STEPS'
click #301
click #202
waitfor #5000 visible
expect #3000 visible off
screenshot 5-failure.png
click #701
waitfor end
expect nofile home/.local/opt/Orvinex/bin/orvinex
STEPS
"$build/tamlo-run" run "$work/failing-installer" --headless --steps "$work/failing.txt" \
  --out "$work/shots" --prefix "$work/p5" --timeout 120 2>"$work/run5.txt" ||
  { cat "$work/run5.txt" >&2; fail "the failing run did not show its failure page"; }
! grep -q "^messagebox" "$work/run5.txt" || fail "the failure showed a box: $(grep messagebox "$work/run5.txt")"
[[ -z "$(find "$work/p5/home" -path "*Orvinex*" -type f | head -1)" ]] || fail "the failed run left files"
grep -q "the dialog ended with 3" "$work/run5.txt" || fail "the failure page did not end the dialog"
[[ -n "${TAMLO_E2E_SHOTS:-}" ]] && cp "$work/shots/5-failure.png" "$TAMLO_E2E_SHOTS/" || true
echo "install_headless: passed"
