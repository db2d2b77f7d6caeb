#!/usr/bin/env bash
# The demo installer run unattended, with no display: `--silent [--dir PATH] [--no-shortcut]`
# shows no window, writes one line per step on standard error and exits 0 with the files,
# registry values and shortcut as chosen, and the installed launcher runs. A second
# instance, a pending reboot and a damaged installer each end with their own status and no
# box; a failing LG.lua ends with 1 after taking back what it wrote.
#   bash tests/e2e/unattended_headless.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
work=$(mktemp -d)
holder=""
trap '[[ -n "$holder" ]] && kill "$holder" 2>/dev/null; rm -rf "$work"' EXIT
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"
export TAMLO_INSTANCE_NAME="tamlo-e2e-unattended-$$"
unset DISPLAY WAYLAND_DISPLAY TAMLO_PLATFORM TAMLO_DEBUG
fail() { echo "unattended_headless: $*" >&2; exit 1; }

python3 "$source/scripts/make-demo-payload.py" "$work/project/program" >/dev/null
cp -r "$source/examples/demo/frame" "$source/examples/demo/style" "$source/examples/demo/UI.lua" \
  "$source/examples/demo/LG.lua" "$work/project/"
"$build/tamlo-pack" build "$work/project" -o "$work/installer" >/dev/null

# 1. Everything to --dir, with the desktop shortcut.
target="$work/apps/Orvinex"
status=0
"$work/installer" --silent --dir "$target" 2>"$work/run1.txt" || status=$?
[[ $status -eq 0 ]] || { cat "$work/run1.txt" >&2; fail "the unattended install exited with $status"; }
grep -qx "orvinex: installing to $target" "$work/run1.txt" || fail "no first step line"
grep -qx "orvinex: installed media/intro.bin" "$work/run1.txt" || fail "no line for a file"
grep -qx "orvinex: done" "$work/run1.txt" || fail "no last step line"
! grep -q "^messagebox" "$work/run1.txt" || fail "a box was shown: $(grep messagebox "$work/run1.txt")"
while read -r name; do
  [[ "$name" == \#* || -z "$name" ]] && continue
  cmp -s "$work/project/program/$name" "$target/$name" || fail "$name differs or is missing"
done <"$work/project/program-manifest.txt"
"$build/tamlo-reg" export HKEY_CURRENT_USER >"$work/reg1.txt"
grep -q "InstallPath (REG_SZ) = $target" "$work/reg1.txt" || fail "no install path value"
grep -q "DisplayName (REG_SZ) = 奥维克斯" "$work/reg1.txt" || fail "no uninstall entry"
link="$HOME/Desktop/Orvinex.desktop"
[[ -x "$link" ]] || fail "no desktop shortcut"
[[ -f "$XDG_DATA_HOME/applications/奥维克斯/Orvinex.desktop" ]] || fail "no start-menu launcher"
grep -qx "Icon=$target/share/orvinex.svg" "$link" || fail "the shortcut has no icon: $(cat "$link")"
# The launcher the shortcut starts is a program that runs: installed executable, as packed.
[[ -x "$target/bin/orvinex" ]] || fail "the installed launcher lost its execute bit"
[[ "$("$target/bin/orvinex")" == "Orvinex is installed in $target/bin/.." ]] ||
  fail "the installed launcher did not run"

# 2. Without the shortcut, to another folder.
rm -f "$link"
"$work/installer" --silent --no-shortcut --dir "$work/other/Orvinex" 2>"$work/run2.txt" ||
  { cat "$work/run2.txt" >&2; fail "the install without a shortcut failed"; }
[[ -f "$work/other/Orvinex/media/intro.bin" ]] || fail "--dir was not honoured"
[[ ! -e "$link" ]] || fail "--no-shortcut made a shortcut"

# 3. A relative --dir is refused before anything is written.
status=0
(cd "$work" && "$work/installer" --silent --dir relative/Orvinex 2>"$work/run3.txt") || status=$?
[[ $status -eq 1 && ! -e "$work/relative" && ! -e "$HOME/.local/opt/Orvinex" ]] ||
  fail "a relative folder gave $status"
grep -q "not an absolute folder: relative/Orvinex" "$work/run3.txt" || fail "the refusal was not told"

# 4. Another installer holds the instance lock: 2, no box, nothing touched.
python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.bind("\0" + sys.argv[1]); print("held", flush=True)
time.sleep(120)' "$TAMLO_INSTANCE_NAME" >"$work/holder.txt" &
holder=$!
for _ in $(seq 1 100); do grep -q held "$work/holder.txt" 2>/dev/null && break; sleep 0.05; done
status=0
"$work/installer" --silent --dir "$work/second/Orvinex" 2>"$work/run4.txt" || status=$?
[[ $status -eq 2 ]] || { cat "$work/run4.txt" >&2; fail "a second instance exited with $status, not 2"; }
grep -q "正在运行" "$work/run4.txt" || fail "the refusal was not written on stderr"
! grep -q "^messagebox" "$work/run4.txt" || fail "the refusal showed a box"
[[ ! -e "$work/second" ]] || fail "a refused instance installed"
kill "$holder" && wait "$holder" 2>/dev/null || true
holder=""

# 5. A reboot is pending (the marker holds this boot's time, in the user's own folder): 3.
mkdir -p -m 700 "$XDG_DATA_HOME/tamlo"
python3 -c 'import struct, sys
btime = next(int(l.split()[1]) for l in open("/proc/stat") if l.startswith("btime "))
open(sys.argv[1], "wb").write(struct.pack("<Q", btime))' "$XDG_DATA_HOME/tamlo/orvinex_restart"
status=0
"$work/installer" --silent --dir "$work/reboot/Orvinex" 2>"$work/run5.txt" || status=$?
rm -f "$XDG_DATA_HOME/tamlo/orvinex_restart"
[[ $status -eq 3 ]] || { cat "$work/run5.txt" >&2; fail "a pending reboot exited with $status, not 3"; }
! grep -q "^messagebox" "$work/run5.txt" || fail "the pending reboot showed a box"

# 6. One byte of the payload changed: 4, no box.
cp "$work/installer" "$work/damaged"
size=$(stat -c %s "$work/damaged")
printf '\x5a' | dd of="$work/damaged" bs=1 seek=$((size - 8 * 1024 * 1024)) conv=notrunc status=none
status=0
"$work/damaged" --silent --dir "$work/damaged-dir" 2>"$work/run6.txt" || status=$?
[[ $status -eq 4 ]] || { cat "$work/run6.txt" >&2; fail "a damaged installer exited with $status, not 4"; }
grep -q "已损坏" "$work/run6.txt" || fail "the damage was not written on stderr"
! grep -q "^messagebox" "$work/run6.txt" || fail "the damaged installer showed a box"

# 7. LG.lua fails after three files: 1, and what it wrote is taken back.
"$build/tamlo-reg" delete HKEY_CURRENT_USER 'Software\Orvinex' >/dev/null 2>&1 || true
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
status=0
"$work/failing-installer" --silent --dir "$work/failed/Orvinex" 2>"$work/run7.txt" || status=$?
[[ $status -eq 1 ]] || { cat "$work/run7.txt" >&2; fail "a failing LG.lua exited with $status, not 1"; }
grep -qx "orvinex: failed: injected failure" "$work/run7.txt" || fail "the failure was not told"
[[ ! -e "$work/failed/Orvinex" ]] || fail "a failed install left $(find "$work/failed" | head -3)"
"$build/tamlo-reg" export HKEY_CURRENT_USER >"$work/reg7.txt"
! grep -q "$work/failed" "$work/reg7.txt" || fail "a failed install left registry values"
echo "unattended_headless: passed"
