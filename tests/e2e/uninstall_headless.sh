#!/usr/bin/env bash
# The demo's uninstaller, built by tamlo-pack from examples/demo/uninstall and carried in the
# payload: after an unattended install, the registered QuietUninstallString (and, a second
# time, the dialog, clicked through by tamlo-run's step file) leaves the file tree and the
# registry as they were before the install, but for a file the user made in the install
# folder, which is kept and named in the log (with the folders holding it).
#   bash tests/e2e/uninstall_headless.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
work=$(mktemp -d)
trap '[[ -n "${KEEP:-}" ]] || rm -rf "$work"' EXIT
fail() { echo "uninstall_headless: $*" >&2; exit 1; }

# The same isolation tamlo-run gives its prefix, so both runs see one machine.
prefix="$work/prefix"
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$prefix"
export TAMLO_INSTANCE_NAME="tamlo-e2e-uninstall-$$"
unset DISPLAY WAYLAND_DISPLAY TAMLO_PLATFORM TAMLO_DEBUG

python3 "$source/scripts/make-demo-payload.py" "$work/project/program" >/dev/null
cp -r "$source/examples/demo/frame" "$source/examples/demo/style" "$source/examples/demo/UI.lua" \
  "$source/examples/demo/LG.lua" "$source/examples/demo/uninstall" "$work/project/"
"$build/tamlo-pack" build "$work/project" -o "$work/installer" >/dev/null

# Every file and folder under home (size and SHA-256 of files), and the whole registry.
snapshot() {
  (cd "$HOME" && find . -mindepth 1 -printf '%y\t%p\t%s\n' | while IFS=$'\t' read -r kind path size; do
    if [[ $kind == f ]]; then
      printf 'f\t%s\t%s\t%s\n' "$path" "$size" "$(sha256sum <"$path" | cut -c1-64)"
    else
      printf '%s\t%s\n' "$kind" "$path"
    fi
  done | sort) >"$1.files"
  for root in HKEY_CURRENT_USER HKEY_LOCAL_MACHINE; do
    "$build/tamlo-reg" export "$root"
  done >"$1.reg"
}
installed="$HOME/.local/opt/Orvinex"
user_file="$installed/my notes.txt"

# Equal to the snapshot before, but for the user's file and the folders that hold it.
compare_with_before() {
  local after=$1
  snapshot "$after"
  cmp -s "$work/before.reg" "$after.reg" ||
    fail "the registry differs after $after: $(diff "$work/before.reg" "$after.reg" | head -20)"
  local extra
  extra=$(comm -13 "$work/before.files" "$after.files")
  [[ -z $(comm -23 "$work/before.files" "$after.files") ]] ||
    fail "$after lost files: $(comm -23 "$work/before.files" "$after.files" | head)"
  while IFS=$'\t' read -r kind path rest; do
    [[ -z $kind ]] && continue
    local absolute="$HOME/${path#./}"
    if [[ $kind == f && $absolute == "$user_file" ]]; then
      continue
    fi
    [[ $kind == d && $user_file == "$absolute"/* ]] || fail "$after left $kind $path"
  done <<<"$extra"
  grep -q "^f"$'\t'"./.local/opt/Orvinex/my notes.txt"$'\t' "$after.files" || fail "$after lost the user's file"
}

install() {
  "$work/installer" --silent 2>"$work/install-$1.txt" ||
    { cat "$work/install-$1.txt" >&2; fail "the install before $1 failed"; }
  [[ -x "$installed/uninstall" ]] || fail "the installer carries no executable uninstaller"
  printf 'mine, not the installer'"'"'s\n' >"$user_file"
}

snapshot "$work/before"

# 1. Unattended, through the command the install registered.
install silent
"$build/tamlo-reg" export HKEY_CURRENT_USER >"$work/installed.reg"
quiet=$(sed -n 's/^ *QuietUninstallString (REG_SZ) = //p' "$work/installed.reg")
[[ $quiet == "\"$installed/uninstall\" --silent" ]] || fail "QuietUninstallString is '$quiet'"
grep -q "UninstallString (REG_SZ) = \"$installed/uninstall\"$" "$work/installed.reg" ||
  fail "no UninstallString"
grep -q "DisplayIcon (REG_SZ) = $installed/share/orvinex.svg" "$work/installed.reg" ||
  fail "no DisplayIcon"
kilobytes=$(( ($(find "$work/project/program" -type f -printf '%s+' | sed 's/+$//') \
  + $(stat -c %s "$installed/uninstall") + 1023) / 1024 ))
grep -q "EstimatedSize (REG_DWORD) = $kilobytes " "$work/installed.reg" ||
  fail "EstimatedSize is not $kilobytes KB: $(grep EstimatedSize "$work/installed.reg")"
[[ -f "$XDG_DATA_HOME/applications/奥维克斯/卸载奥维克斯.desktop" ]] || fail "no uninstall launcher"
status=0
eval "$quiet" 2>"$work/uninstall-silent.txt" || status=$?
[[ $status -eq 0 ]] || { cat "$work/uninstall-silent.txt" >&2; fail "the uninstaller exited $status"; }
grep -qx "orvinex: kept $user_file" "$work/uninstall-silent.txt" || fail "the user's file is not reported"
grep -qx "orvinex: kept $installed" "$work/uninstall-silent.txt" || fail "the kept folder is not reported"
grep -qx "orvinex: removed" "$work/uninstall-silent.txt" || fail "no last step line"
[[ ! -e "$installed/uninstall" ]] || fail "the uninstaller's own file stayed"
compare_with_before "$work/after-silent"

# 2. With the dialog: asked, confirmed, done page with what was kept. The machine is back
# as before first (the kept folder would not be the new install's own).
rm -rf "$installed"
install dialog
cat >"$work/steps.txt" <<'STEPS'
waitfor #1000 visible
click #202
waitfor #4000 visible
screenshot uninstalled.png
click #601
waitfor end
STEPS
"$build/tamlo-run" run "$installed/uninstall" --headless --steps "$work/steps.txt" \
  --out "$work/shots" --prefix "$prefix" --timeout 120 2>"$work/uninstall-dialog.txt" ||
  { cat "$work/uninstall-dialog.txt" >&2; fail "the uninstall dialog failed"; }
grep -q "demo: kept $user_file$" "$work/uninstall-dialog.txt" || fail "the dialog did not report the user's file"
grep -q "demo: kept $installed$" "$work/uninstall-dialog.txt" || fail "the dialog did not report the kept folder"
rm -rf "$prefix/.tamlo-run"
compare_with_before "$work/after-dialog"

# 3. Declined: nothing goes, and the uninstaller stays to be run again.
rm -rf "$installed"
install declined
printf 'click #203\nwaitfor end\n' >"$work/decline.txt"
"$build/tamlo-run" run "$installed/uninstall" --headless --steps "$work/decline.txt" \
  --prefix "$prefix" --timeout 60 2>"$work/uninstall-declined.txt" ||
  { cat "$work/uninstall-declined.txt" >&2; fail "declining failed"; }
[[ -x "$installed/uninstall" && -f "$installed/bin/orvinex" ]] || fail "a declined uninstall removed files"
echo "uninstall_headless: passed"
