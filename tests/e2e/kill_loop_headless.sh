#!/usr/bin/env bash
# An install killed at 20 points (18 chosen journal records, where TAMLO_JOURNAL_STOP_AFTER
# ends the process as abruptly as SIGKILL, and 2 real SIGKILLs after random delays; the
# seed is fixed), then run again: each time the machine ends exactly as a clean install
# leaves it (files, sizes, digests, registry), with no temporary file, kept copy or stray
# journal left. Then a repair puts back a deleted and a changed file, an upgrade to a version
# with another file set leaves exactly its files, and its uninstaller the machine as before.
# The payload is a part of the demo's, to keep the loop short.
#   bash tests/e2e/kill_loop_headless.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
work=$(mktemp -d)
trap '[[ -n "${KEEP:-}" ]] || rm -rf "$work"' EXIT
fail() { echo "kill_loop_headless: $*" >&2; exit 1; }
RANDOM=26

prefix="$work/prefix"
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$prefix"
export TAMLO_INSTANCE_NAME="tamlo-e2e-kill-$$"
unset DISPLAY WAYLAND_DISPLAY TAMLO_PLATFORM TAMLO_DEBUG TAMLO_JOURNAL_STOP_AFTER

python3 "$source/scripts/make-demo-payload.py" "$work/full" >/dev/null
mkdir -p "$work/project/program"
for part in bin lang share; do cp -r "$work/full/$part" "$work/project/program/"; done
cp "$source/examples/demo/program/readme.txt" "$work/project/program/"
cp -r "$source/examples/demo/frame" "$source/examples/demo/style" "$source/examples/demo/UI.lua" \
  "$source/examples/demo/LG.lua" "$source/examples/demo/uninstall" "$work/project/"
"$build/tamlo-pack" build "$work/project" -o "$work/installer" >/dev/null

fresh_machine() {
  rm -rf "$prefix"
  e2e_machine_folders
}
snapshot() {
  (cd "$prefix" && find home tmp -mindepth 1 -printf '%y\t%p\t%s\n' |
    while IFS=$'\t' read -r kind path size; do
      if [[ $kind == f ]]; then
        # A run killed after its commit is run again as a repair, whose journal takes over
        # the old one's records: the journal is checked for its state, not its bytes.
        if [[ $path == */uninstall.journal ]]; then
          printf 'f\t%s\t%s\n' "$path" "$(grep -cx committed "$path")"
        else
          printf 'f\t%s\t%s\t%s\n' "$path" "$size" "$(sha256sum <"$path" | cut -c1-64)"
        fi
      else
        printf '%s\t%s\n' "$kind" "$path"
      fi
    done | sort) >"$1.files"
  "$build/tamlo-reg" export HKEY_CURRENT_USER >"$1.reg"
}
leftovers() {
  find "$prefix" \( -name '.tamlo-new-*' -o -name '.tamlo-copy-*' -o -name '.tamlo-link-*' \
    -o -name '*.journal.kept' -o -name '*.journal.next' \) -print
}

# The machine a clean install leaves, and how many records its journal takes.
fresh_machine
snapshot "$work/before"
"$work/installer" --silent 2>"$work/clean.txt" || { cat "$work/clean.txt" >&2; fail "the clean install failed"; }
snapshot "$work/installed"
records=$(grep -c . "$prefix/home/.local/opt/Orvinex/uninstall.journal")
(( records > 20 )) || fail "the journal holds only $records records"
# The clean install's own temporary files and lock are not the loop's business.
sed -i '/\ttmp\//d' "$work/installed.files"

points=()
for _ in $(seq 18); do points+=("records $(( RANDOM % (records - 1) + 1 ))"); done
for _ in 1 2; do points+=("sigkill $(( RANDOM % 400 + 20 ))"); done
for point in "${points[@]}"; do
  read -r how value <<<"$point"
  fresh_machine
  if [[ $how == records ]]; then
    status=0
    TAMLO_JOURNAL_STOP_AFTER=$value "$work/installer" --silent 2>"$work/killed.txt" || status=$?
    [[ $status -ne 0 ]] || fail "the run stopped after $value records exited 0"
  else
    "$work/installer" --silent 2>"$work/killed.txt" &
    sleep "$(printf '0.%03d' "$value")"
    kill -9 $! 2>/dev/null || true
    wait $! 2>/dev/null || true
  fi
  # The next run takes back what the killed one left, then installs.
  "$work/installer" --silent 2>"$work/again.txt" ||
    { cat "$work/again.txt" >&2; fail "the run after $point failed"; }
  snapshot "$work/after"
  sed -i '/\ttmp\//d' "$work/after.files"
  diff -q "$work/installed.files" "$work/after.files" >/dev/null ||
    fail "after $point the files differ from a clean install: $(diff "$work/installed.files" "$work/after.files" | head -10)"
  cmp -s "$work/installed.reg" "$work/after.reg" ||
    fail "after $point the registry differs: $(diff "$work/installed.reg" "$work/after.reg" | head)"
  left=$(leftovers)
  [[ -z $left ]] || fail "after $point temporary files stayed: $left"
  echo "kill_loop_headless: killed at $point, then installed cleanly"
done
installed="$prefix/home/.local/opt/Orvinex"
# Repair: the same version run again puts back a deleted and a changed file.
victim=$(cd "$installed" && find lang -type f | sort | head -1)
rm "$installed/$victim"
echo "changed by hand" >>"$installed/readme.txt"
"$work/installer" --silent 2>"$work/repair.txt" || { cat "$work/repair.txt" >&2; fail "the repair failed"; }
grep -qx "orvinex: repairing 2.4.0" "$work/repair.txt" || fail "the same version was not taken as a repair"
snapshot "$work/repaired"
sed -i '/\ttmp\//d' "$work/repaired.files"
diff -q "$work/installed.files" "$work/repaired.files" >/dev/null ||
  fail "the repair left: $(diff "$work/installed.files" "$work/repaired.files" | head)"
# Upgrade to a version with another file set: exactly its files stay.
cp -r "$work/project" "$work/next"
rm "$work/next/program/$victim"
echo "only in the next version" >"$work/next/program/share/next.txt"
"$build/tamlo-pack" build "$work/next" -o "$work/next-installer" >/dev/null
"$work/next-installer" --silent 2>"$work/upgrade.txt" ||
  { cat "$work/upgrade.txt" >&2; fail "the upgrade failed"; }
(cd "$work/next/program" && find . -type f | sort) >"$work/next.list"
(cd "$installed" && find . -type f ! -name uninstall ! -name uninstall.journal | sort) >"$work/upgraded.list"
cmp -s "$work/next.list" "$work/upgraded.list" ||
  fail "the upgrade left another file set: $(diff "$work/next.list" "$work/upgraded.list" | head)"
while read -r name; do
  cmp -s "$work/next/program/$name" "$installed/$name" || fail "the upgrade left an old $name"
done <"$work/next.list"
[[ -z $(leftovers) ]] || fail "the upgrade left temporary files: $(leftovers)"
# And the last version uninstalls back to the machine before.
"$prefix/home/.local/opt/Orvinex/uninstall" --silent 2>"$work/uninstall.txt" ||
  { cat "$work/uninstall.txt" >&2; fail "the uninstall after the loop failed"; }
snapshot "$work/removed"
grep -v $'\ttmp/' "$work/before.files" >"$work/before-home.files" || true
grep -v $'\ttmp/' "$work/removed.files" >"$work/removed-home.files" || true
cmp -s "$work/before-home.files" "$work/removed-home.files" ||
  fail "the uninstall left: $(diff "$work/before-home.files" "$work/removed-home.files" | head)"
cmp -s "$work/before.reg" "$work/removed.reg" || fail "the uninstall left registry values"
echo "kill_loop_headless: passed"
