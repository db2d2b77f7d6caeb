#!/usr/bin/env bash
# Real GTK windows under Xvfb: the smoke tests of tests_platform drive them with xdotool.
#   bash tests/e2e/gtk_smoke.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
program="$build/tests/tests_platform"
# shellcheck source=tests/e2e/lib/x_session.bash
. "$(dirname "$0")/lib/x_session.bash"
e2e_under_xvfb gtk_smoke "$@"
e2e_need gtk_smoke xdotool import
[[ -x "$program" ]] || { echo "gtk_smoke: $program is not built" >&2; exit 1; }
status=0
output=$(TAMLO_GTK_SMOKE=1 "$program" --gtest_filter='GtkSmokeTest.*' 2>&1) || status=$?
echo "$output"
[[ $status -eq 0 ]] && grep -q '\[  PASSED  \] 2 tests' <<<"$output"
