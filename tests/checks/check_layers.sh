#!/usr/bin/env bash
# scripts/check-layers passes a tree of allowed includes and fails on each kind of
# deliberate violation, fed to it one at a time. (scripts/test runs it on the real tree.)
#   bash tests/checks/check_layers.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source=${2:?source directory}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_layers: $*" >&2; exit 1; }
# A small tree with one allowed include of each kind, so each run reads a few files only.
copy() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree/scripts"
  cp "$source/scripts/check-layers" "$work/tree/scripts/"
  cp "$source/CMakeLists.txt" "$work/tree/"
  (cd "$work/tree" && mkdir -p app resources render dui runtime window script tools \
    platform/os/posix platform/os/win32 platform/gtk platform/win32 platform/windowing platform/headless)
  allowed platform/os/posix/files.cpp '#include <unistd.h>'
  allowed platform/os/win32/files.cpp '#include <windows.h>'
  allowed platform/os/win32/folder.cpp '#include <fcntl.h>'
  allowed platform/gtk/view.cpp '#include <dlfcn.h>'
  allowed platform/win32/windows.cpp '#include "platform/os/win32/wide_text.h"'
  allowed platform/windowing/loop.cpp '#include "platform/geometry.h"'
  allowed platform/headless/input.cpp '#include "platform/desktop.h"'
  allowed render/canvas.cpp '#include "platform/geometry.h"'
  allowed window/window.cpp '#include "render/canvas.h"'
}
allowed() { printf '%s\n' "$2" >"$work/tree/$1"; }
copy
"$work/tree/scripts/check-layers" >/dev/null 2>"$work/err" || fail "allowed includes refused: $(cat "$work/err")"

# violation FILE LINE EXPECTED: adds LINE to FILE in a fresh tree and expects check-layers
# to fail, naming EXPECTED.
violation() {
  copy
  printf '%s\n' "$2" >>"$work/tree/$1"
  if "$work/tree/scripts/check-layers" >/dev/null 2>"$work/err"; then
    fail "not refused: $2 in $1"
  fi
  grep -qF "$3" "$work/err" || fail "refused for another reason ($2 in $1): $(cat "$work/err")"
}
violation render/canvas_extra.cpp '#include "window/window_impl.h"' "a floor above it"
violation resources/reader_extra.cpp '#include "authoring/package_writer.h"' "an authoring header from the engine"
violation CMakeLists.txt 'foreach(lib tamlo_app tamlo_authoring)' "the engine links tamlo_authoring"
violation script/extra.cpp '#include <unistd.h>' "outside platform/"
violation platform/windowing/extra.cpp '#include <unistd.h>' "outside platform/os/posix"
violation platform/os/posix/extra.cpp '#include <windows.h>' "the other system's header"
violation platform/os/win32/extra.cpp '#include <unistd.h>' "the other system's header"
violation platform/gtk/extra.cpp '#include "platform/os/posix/x.h"' "one system's implementation"
violation platform/headless/extra.cpp '#include "platform/windowing/window_state.h"' "past the desktop boundary"
violation platform/gtk/extra.h '#include "platform/windowing/messages.h"' "past the desktop boundary"
violation platform/win32/extra.cpp '#include "platform/windowing/native_window.h"' "past the desktop boundary"
echo "check_layers: ok"
