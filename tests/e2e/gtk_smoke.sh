#!/usr/bin/env bash
# Real GTK windows under Xvfb: the smoke tests of tests_platform drive them with xdotool.
#   bash tests/e2e/gtk_smoke.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
program="$build/tests/tests_platform"
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "gtk_smoke: skipped, xvfb-run is not installed"
  exit 0
fi
for tool in xdotool import; do
  command -v "$tool" >/dev/null 2>&1 || { echo "gtk_smoke: $tool is missing" >&2; exit 1; }
done
[[ -x "$program" ]] || { echo "gtk_smoke: $program is not built" >&2; exit 1; }
# No accessibility bus under Xvfb; its client would only leak on exit.
export NO_AT_BRIDGE=1
status=0
output=$(TAMLO_GTK_SMOKE=1 xvfb-run -a -s "-screen 0 1024x768x24" \
  "$program" --gtest_filter='GtkSmokeTest.*' 2>&1) || status=$?
echo "$output"
[[ $status -eq 0 ]] && grep -q '\[  PASSED  \] 2 tests' <<<"$output"
