#!/usr/bin/env bash
# cmake/subsystems.cmake stops the configure step on a folder without sources and on a
# dependency that names no target, and builds a library from a correct description.
#   bash tests/checks/subsystems_cmake.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source=${2:?source directory}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lib" "$work/empty"
echo 'int answer() { return 42; }' >"$work/lib/answer.cpp"
configure() {  # $1: the tamlo_subsystem call; prints cmake's output, fails as cmake does
  rm -rf "$work/CMakeLists.txt" "$work/build"
  cat >"$work/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(check LANGUAGES CXX)
include($source/cmake/subsystems.cmake)
add_library(present INTERFACE)
$1
CMAKE
  cmake -S "$work" -B "$work/build" 2>&1
}
fail() { echo "subsystems_cmake: $*" >&2; exit 1; }

out=$(configure 'tamlo_subsystem(good DIRS lib DEPS present)') || fail "a correct subsystem failed: $out"
out=$(configure 'tamlo_subsystem(bad DIRS lib empty)') && fail "a folder without sources was accepted"
[[ "$out" == *"the folder empty has no .cpp file"* ]] || fail "no reason given: $out"
out=$(configure 'tamlo_subsystem(bad DIRS lib DEPS presnet)') && fail "a misspelt dependency was accepted"
[[ "$out" == *"the dependency presnet is not a target"* ]] || fail "no reason given: $out"
echo "subsystems_cmake: ok"
