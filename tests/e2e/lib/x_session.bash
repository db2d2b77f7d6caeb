# Sourced by the GTK end-to-end scripts: their own X display, and waiting for a window.
# (Not a test itself: ctest runs the *.sh files of tests/e2e only.)

# e2e_under_xvfb NAME ARG...: without xvfb-run, says the script is skipped and ends it with
# success; otherwise runs the calling script again with ARGs inside a display of its own,
# once (the second run goes on past this call). E2E_SCREEN (WIDTHxHEIGHT) sizes the screen.
# Settings stay in memory: the session has no dconf to write to, and says so otherwise.
e2e_under_xvfb() {
  local name=$1
  shift
  if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "$name: skipped, xvfb-run is not installed"
    exit 0
  fi
  local flag="E2E_INSIDE_${name^^}"
  if [[ -z "${!flag:-}" ]]; then
    export "$flag=1" NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
    exec xvfb-run -a -s "-screen 0 ${E2E_SCREEN:-1280x1024}x24" bash "$0" "$@"
  fi
}

# e2e_need NAME TOOL...: ends the script with failure when a tool is missing.
e2e_need() {
  local name=$1 tool
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$name: $tool is missing" >&2; exit 1; }
  done
}

# e2e_find_window PID WIDTH HEIGHT: the visible window of process PID with that size, as
# "id x y", or nothing.
e2e_find_window() {
  local id X Y WIDTH HEIGHT SCREEN WINDOW
  for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [[ "$WIDTH" == "$2" && "$HEIGHT" == "$3" ]]; then
      echo "$id $X $Y"
      return 0
    fi
  done
}

# e2e_await_window PID WIDTH HEIGHT: e2e_find_window, tried for up to 30 s.
e2e_await_window() {
  local found
  for _ in $(seq 1 300); do
    found=$(e2e_find_window "$@")
    [[ -n "$found" ]] && { echo "$found"; return 0; }
    sleep 0.1
  done
}

# e2e_start_run WORK COMMAND...: starts COMMAND in the background with its output in
# WORK/out.txt and WORK/run.txt, and sets $runner to its pid. At the script's end the run is
# stopped and WORK removed.
e2e_start_run() {
  e2e_run_work=$1
  shift
  # LeakSanitizer cannot stop a process that hosts WebKitGTK's threads (its tracer faults),
  # and the demo shows a web page: leaks are checked by the headless runs instead.
  if [[ -n "${ASAN_OPTIONS:-}" ]]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
  fi
  "$@" >"$e2e_run_work/out.txt" 2>"$e2e_run_work/run.txt" &
  runner=$!
  trap e2e_end_run EXIT
}

e2e_end_run() {
  kill "$runner" 2>/dev/null || true
  wait "$runner" 2>/dev/null || true
  rm -rf "$e2e_run_work"
}
