#!/usr/bin/env bash
# The demo's uninstaller under Wine: after `setup.exe /S /D=PATH`, the registered
# QuietUninstallString hands over to a copy of itself in %TEMP% and ends at once; once the copy
# is done, the files (install folder, users' desktop and start menu, ProgramData) and
# HKCU\Software are as before the install, but for a file the user made in the install folder,
# which is kept and named in the copy's log. The copy's own file is left to the next reboot:
# PendingFileRenameOperations names it.
#   bash tests/e2e_windows/uninstall_wine.sh WINDOWS_BUILD LINUX_BUILD SOURCE_DIR
set -euo pipefail
winbuild=$(realpath "${1:?windows build directory}")
build=$(realpath "${2:?linux build directory}")
source=$(realpath "${3:?source directory}")
for tool in xvfb-run wine wineserver sha256sum; do
  command -v "$tool" >/dev/null 2>&1 || { echo "uninstall_wine: $tool is missing" >&2; exit 1; }
done
if [[ -z "${UNINSTALL_WINE_INSIDE:-}" ]]; then
  export UNINSTALL_WINE_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$winbuild" "$build" "$source"
fi

source "$source/tests/e2e_windows/lib/wine_prefix.sh"
wine_prefix_start uninstall
trap wine_prefix_end EXIT
fail() { echo "uninstall_wine: $*" >&2; exit 1; }

python3 "$source/scripts/make-demo-payload.py" "$work/project/program" >/dev/null
cp -r "$source/examples/demo/frame" "$source/examples/demo/style" "$source/examples/demo/UI.lua" \
  "$source/examples/demo/LG.lua" "$source/examples/demo/uninstall" "$work/project/"
"$build/tamlo-pack" build "$work/project" -o "$work/setup.exe" --engine "$winbuild/tamlo.exe" >/dev/null

wineboot -i >/dev/null 2>&1
wineserver -w
drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/Apps"
installed="$drive/Apps/Orvinex Demo"
user_file="$installed/my notes.txt"

# Every file and folder where the demo writes (size and SHA-256 of files), but the temporary
# folders, and HKCU\Software as `reg export` writes it.
snapshot() {
  (cd "$drive" && find Apps users ProgramData -mindepth 1 ! -path '*/Temp' ! -path '*/Temp/*' \
    -printf '%y\t%p\t%s\n' | while IFS=$'\t' read -r kind path size; do
    if [[ $kind == f ]]; then
      printf 'f\t%s\t%s\t%s\n' "$path" "$size" "$(sha256sum <"$path" | cut -c1-64)"
    else
      printf '%s\t%s\n' "$kind" "$path"
    fi
  done | sort) >"$1.files"
  rm -f "$1.raw.reg"
  wine reg export 'HKCU\Software' "$1.raw.reg" >/dev/null 2>&1 || fail "reg export failed for $1"
  # Wine writes UTF-16; as text, so a difference can be shown. Wine's own settings
  # (HKCU\Software\Wine), which it writes whenever it likes, are left out.
  iconv -f UTF-16 -t UTF-8 "$1.raw.reg" | tr -d '\r' |
    awk '/^\[/ { skip = index($0, "[HKEY_CURRENT_USER\\Software\\Wine") == 1 } !skip' >"$1.reg"
}
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvinex'

snapshot "$work/before"

# 1. The silent install, and a file of the user's own in its folder.
status=0
wine "$work/setup.exe" /S '/D=C:\Apps\Orvinex' Demo >"$work/install.txt" 2>&1 || status=$?
[[ $status -eq 0 ]] || { cat "$work/install.txt" >&2; fail "the install exited with $status"; }
[[ -f "$installed/uninstall.exe" ]] || fail "the installer carries no uninstall.exe"
printf 'mine, not the installer'"'"'s\n' >"$user_file"

# 2. The registered quiet command, read back from the registry.
quiet=$(wine reg query "$uninstall_key" /v QuietUninstallString 2>/dev/null | tr -d '\r' |
  sed -n 's/^ *QuietUninstallString *REG_SZ *//p')
[[ $quiet == '"C:\Apps\Orvinex Demo\uninstall.exe" /S' ]] || fail "QuietUninstallString is '$quiet'"
status=0
# The command line as the system would run it: the quoted program, then its argument.
program=${quiet#\"}
program=${program%%\"*}
wine "$program" /S >"$work/uninstall.txt" 2>&1 || status=$?
[[ $status -eq 0 ]] || { cat "$work/uninstall.txt" >&2; fail "the uninstaller exited with $status"; }

# 3. The first process ended at once; the copy in %TEMP% does the work. Its end is this
# prefix's server ending (every process gone), with the Uninstall key gone before it.
for _ in $(seq 1 600); do
  wine reg query "$uninstall_key" >/dev/null 2>&1 || break
  sleep 0.2
done
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the Uninstall key is still there after 120 s"
timeout 120 wineserver -w || fail "the uninstaller's copy did not end within 120 s"
cat "$work/uninstall.txt"

# 4. The copy's own file waits for the next reboot. Wine writes PendingFileRenameOperations,
# and treats the next start of a server for this prefix as that reboot (it carries the
# renames out and drops the value), so the value is read from the hive the server saved.
temp=$(find "$drive/users" -maxdepth 2 -type d -name Temp | head -1)
copy=$(find "$temp" -maxdepth 1 -name 'tamlo-uninstall-*.exe' -printf '%f\n' | head -1)
[[ -n $copy ]] || fail "no tamlo-uninstall-*.exe in $temp"
grep -a 'PendingFileRenameOperations' "$WINEPREFIX/system.reg" | grep -qF "$copy" ||
  fail "PendingFileRenameOperations does not name $copy: $(grep -a PendingFile "$WINEPREFIX/system.reg")"

# 5. As before, but for the user's file and the folders holding it.
snapshot "$work/after"
diff "$work/before.reg" "$work/after.reg" >"$work/reg.diff" ||
  fail "HKCU\\Software differs: $(head -20 "$work/reg.diff")"
[[ -z $(comm -23 "$work/before.files" "$work/after.files") ]] ||
  fail "files were lost: $(comm -23 "$work/before.files" "$work/after.files" | head)"
while IFS=$'\t' read -r kind path rest; do
  [[ -z $kind ]] && continue
  absolute="$drive/$path"
  [[ $kind == f && $absolute == "$user_file" ]] && continue
  [[ $kind == d && $user_file == "$absolute"/* ]] || fail "left behind: $kind $path $rest"
done <<<"$(comm -13 "$work/before.files" "$work/after.files")"
[[ -f "$user_file" ]] || fail "the user's file went"
grep -q 'kept C:\\Apps\\Orvinex Demo' "$work/uninstall.txt" ||
  fail "the log does not name the kept folder: $(cat "$work/uninstall.txt")"

# That start was the reboot: the copy is gone, and so is the value.
[[ ! -e "$temp/$copy" ]] || fail "$copy is still there after the reboot"
! wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
  /v PendingFileRenameOperations >/dev/null 2>&1 || fail "PendingFileRenameOperations stayed"
echo "uninstall_wine: ok"
