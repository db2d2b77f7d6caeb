#!/usr/bin/env bash
# The demo setup.exe signed and installed unattended under Wine: a throwaway certificate made
# here signs it with `tamlo-pack sign`; `osslsigncode verify` and `tamlo-pack verify` accept it;
# `setup.exe /S /D=PATH` installs with no window and exits 0, files and registry as chosen.
# One byte changed after signing is caught by both checks and the installer refuses with 4; a
# second instance refuses with 2; a failing LG.lua exits 1 after taking back what it wrote.
#   bash tests/e2e_windows/unattended_signed_wine.sh WINDOWS_BUILD LINUX_BUILD SOURCE_DIR
set -euo pipefail
winbuild=$(realpath "${1:?windows build directory}")
build=$(realpath "${2:?linux build directory}")
source=$(realpath "${3:?source directory}")
for tool in xvfb-run xdotool wine wineserver openssl osslsigncode cmp; do
  command -v "$tool" >/dev/null 2>&1 || { echo "unattended_signed_wine: $tool is missing" >&2; exit 1; }
done
if [[ -z "${UNATTENDED_WINE_INSIDE:-}" ]]; then
  export UNATTENDED_WINE_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$winbuild" "$build" "$source"
fi

source "$source/tests/e2e_windows/lib/wine_prefix.sh"
wine_prefix_start unattended
first=""
cleanup() {
  [[ -n "$first" ]] && kill "$first" 2>/dev/null || true
  wine_prefix_end
}
trap cleanup EXIT
fail() { echo "unattended_signed_wine: $*" >&2; exit 1; }

python3 "$source/scripts/make-demo-payload.py" "$work/project/program" >/dev/null
cp -r "$source/examples/demo/frame" "$source/examples/demo/style" "$source/examples/demo/UI.lua" \
  "$source/examples/demo/LG.lua" "$work/project/"
"$build/tamlo-pack" build "$work/project" -o "$work/setup.exe" --engine "$winbuild/tamlo.exe" >/dev/null

# 1. A throwaway code-signing certificate, made now, signs the installer.
printf 'throwaway-%s\n' "$$" >"$work/password.txt"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tamlo Test Signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.p12" \
  -passout "file:$work/password.txt"
"$build/tamlo-pack" sign "$work/setup.exe" --pkcs12 "$work/signer.p12" \
  --password-file "$work/password.txt" >"$work/sign.txt" 2>&1 || { cat "$work/sign.txt" >&2; fail "signing failed"; }
osslsigncode verify -in "$work/setup.exe" -CAfile "$work/cert.pem" >"$work/ossl.txt" 2>&1 ||
  { cat "$work/ossl.txt" >&2; fail "osslsigncode does not accept the signed installer"; }
"$build/tamlo-pack" verify "$work/setup.exe" --ca "$work/cert.pem" >"$work/verify.txt" 2>&1 ||
  { cat "$work/verify.txt" >&2; fail "tamlo-pack verify refused the signed installer"; }
grep -q "signature: signed by .*Tamlo Test Signer.*, valid" "$work/verify.txt" ||
  fail "the signature was not reported: $(cat "$work/verify.txt")"
grep -q "5 embedded files" "$work/verify.txt" || fail "the bundle verdict is missing"

# 2. One byte of the payload changed after signing: both checks catch it.
cp "$work/setup.exe" "$work/tampered.exe"
size=$(stat -c %s "$work/tampered.exe")
printf '\x5a' | dd of="$work/tampered.exe" bs=1 seek=$((size - 8 * 1024 * 1024)) conv=notrunc status=none
cmp -s "$work/setup.exe" "$work/tampered.exe" && fail "the byte did not change"
! osslsigncode verify -in "$work/tampered.exe" -CAfile "$work/cert.pem" >/dev/null 2>&1 ||
  fail "osslsigncode accepted the changed installer"
status=0
"$build/tamlo-pack" verify "$work/tampered.exe" --ca "$work/cert.pem" >"$work/verify2.txt" 2>&1 || status=$?
[[ $status -ne 0 ]] || fail "tamlo-pack verify accepted the changed installer"
grep -q "NOT valid" "$work/verify2.txt" || fail "the broken signature was not reported: $(cat "$work/verify2.txt")"

wineboot -i >/dev/null 2>&1

# 3. The signed installer, unattended, into a folder with a space (/D= takes the rest).
status=0
wine "$work/setup.exe" /S '/D=C:\Apps\Orvinex' Demo >"$work/run1.txt" 2>&1 || status=$?
[[ $status -eq 0 ]] || { cat "$work/run1.txt" >&2; fail "the unattended install exited with $status"; }
target="$WINEPREFIX/drive_c/Apps/Orvinex Demo"
[[ -d "$target" ]] || fail "nothing was installed in $target"
differing=$(cd "$work/project/program" && find . -type f ! -name manifest.txt | while read -r f; do
  cmp -s "$f" "$target/$f" || echo "$f"; done | head -3)
[[ -z "$differing" ]] || fail "installed files differ: $differing"
query=$(wine reg query 'HKCU\Software\Orvinex' /v InstallPath 2>/dev/null | tr -d '\r')
[[ "$query" == *'C:\Apps\Orvinex Demo'* ]] || fail "InstallPath is not in the registry: $query"
link=$(find "$WINEPREFIX/drive_c/users" -name 'Orvinex.lnk' -path '*esktop*' | head -1)
[[ -n "$link" ]] || fail "no desktop shortcut"
# The link keeps its strings in UTF-16 (or the ANSI code page).
python3 -c 'import sys; data = open(sys.argv[1], "rb").read(); name = "orvinex.ico"
sys.exit(0 if name.encode() in data or name.encode("utf-16-le") in data else 1)' "$link" ||
  fail "the shortcut has no icon"
! grep -q "^messagebox" "$work/run1.txt" || fail "a box was shown: $(grep messagebox "$work/run1.txt")"

# 4. The changed installer refuses with 4 and installs nothing.
status=0
wine "$work/tampered.exe" /S '/D=C:\Tampered' >"$work/run2.txt" 2>&1 || status=$?
[[ $status -eq 4 ]] || { cat "$work/run2.txt" >&2; fail "the changed installer exited with $status, not 4"; }
[[ ! -e "$WINEPREFIX/drive_c/Tampered" ]] || fail "the changed installer installed"

# 5. While an interactive installer runs, an unattended one refuses with 2 and shows nothing.
wine "$work/setup.exe" >"$work/first.txt" 2>&1 &
first=$!
for _ in $(seq 1 300); do
  [[ -n "$(xdotool search --onlyvisible --name "奥维克斯 安装向导" 2>/dev/null)" ]] && break
  sleep 0.05
done
status=0
wine "$work/setup.exe" /S '/D=C:\Second' >"$work/run3.txt" 2>&1 || status=$?
[[ $status -eq 2 ]] || { cat "$work/run3.txt" >&2; fail "a second instance exited with $status, not 2"; }
[[ -z "$(xdotool search --onlyvisible --name "^提示$" 2>/dev/null)" ]] || fail "the refusal showed a box"
[[ ! -e "$WINEPREFIX/drive_c/Second" ]] || fail "the refused instance installed"
kill "$first" 2>/dev/null || true
wineserver -k 2>/dev/null || true
first=""

# 6. LG.lua fails after three files: 1, and what it wrote is taken back.
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
"$build/tamlo-pack" build "$work/failing" -o "$work/failing.exe" --engine "$winbuild/tamlo.exe" >/dev/null
status=0
wine "$work/failing.exe" /S '/D=C:\Failed\Orvinex' >"$work/run4.txt" 2>&1 || status=$?
[[ $status -eq 1 ]] || { cat "$work/run4.txt" >&2; fail "a failing LG.lua exited with $status, not 1"; }
[[ ! -e "$WINEPREFIX/drive_c/Failed/Orvinex" ]] || fail "a failed install left files"
echo "unattended_signed_wine: ok"
