#!/usr/bin/env bash
# A package and an installer written by the first package writer (tests/fixtures/old_format,
# committed as built then) still verify, list, extract and install byte for byte.
#   bash tests/e2e/old_format_headless.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
fixture="$source/tests/fixtures/old_format"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"
fail() { echo "old_format_headless: $*" >&2; exit 1; }
names=(bin/tool docs/readme.txt empty.dat logo.png)

"$build/tamlo-pack" verify "$fixture/program.lz" >/dev/null || fail "the old package does not verify"
"$build/tamlo-pack" verify "$fixture/installer.bin" >/dev/null || fail "the old installer does not verify"
[[ $("$build/tamlo-pack" list "$fixture/program.lz" | wc -l) -eq 4 ]] || fail "list shows other entries"

"$build/tamlo-pack" extract "$fixture/program.lz" -C "$work/out"
for name in "${names[@]}"; do
  cmp -s "$fixture/project/program/$name" "$work/out/$name" || fail "extract: $name differs"
done

FIXTURE_DEST="$work/dest" "$build/tamlo-run" run "$fixture/installer.bin" --headless \
  --prefix "$work/p" --timeout 120 2>"$work/run.txt" || { cat "$work/run.txt" >&2; fail "the run failed"; }
for name in "${names[@]}"; do
  cmp -s "$fixture/project/program/$name" "$work/dest/$name" || fail "install: $name differs"
done
# Packages without recorded modes install as they always did: nothing made executable.
[[ ! -x "$work/dest/bin/tool" ]] || fail "an old package's entry became executable"
echo "old_format_headless: ok"
