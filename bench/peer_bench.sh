#!/usr/bin/env bash
# Tamlo's installers against the peers an author would compare, on payloads of real files
# nobody here wrote: Windows program files (the PE DLLs and programs of Debian's Wine) and
# a scripting language's standard library (Debian's Python). Each payload becomes a Tamlo
# installer (Linux, and tamlo.exe under Wine), an NSIS 3 installer (amd64, SetCompressor /SOLID
# lzma, run under Wine with /S), a makeself --xz archive, tar | xz -6 and a 7-Zip archive;
# the script prints each one's size, build time and install time, and Tamlo's ratio to
# each, all measured in this run.
#
#   bench/peer_bench.sh
#   PEER_BENCH_PE_MB=20 PEER_BENCH_LIB_MB=10 bench/peer_bench.sh     a quick run
#
# PEER_BENCH_PE_MB (default 123) and PEER_BENCH_LIB_MB (default 52) cap each payload;
# PEER_BENCH_ROUNDS (default 3) installs each that many times and keeps the fastest.
# TAMLO_BUILD (build) holds tamlo and tamlo-pack; TAMLO_WINDOWS_BUILD (build-win) holds
# tamlo.exe; without it the Windows pair is left out. scripts/setup installs the peers.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=$(realpath "${TAMLO_BUILD:-build}")
winbuild=${TAMLO_WINDOWS_BUILD:-build-win}
pe_mb=${PEER_BENCH_PE_MB:-123}
lib_mb=${PEER_BENCH_LIB_MB:-52}
rounds=${PEER_BENCH_ROUNDS:-3}
pe_source=${PEER_BENCH_PE_SOURCE:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
lib_source=${PEER_BENCH_LIB_SOURCE:-$(ls -d /usr/lib/python3.[0-9]* 2>/dev/null | sort -V | tail -1)}

for tool in makensis makeself xz 7zz tar wine Xvfb; do
  command -v "$tool" >/dev/null || { echo "peer_bench: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done
[[ -x "$build/tamlo" && -x "$build/tamlo-pack" ]] || { echo "peer_bench: build $build first" >&2; exit 1; }
windows=1
[[ -f "$winbuild/tamlo.exe" ]] || { windows=0; echo "peer_bench: no $winbuild/tamlo.exe: the Windows pair is left out" >&2; }
[[ $windows == 1 ]] && winbuild=$(realpath "$winbuild")

work=$(mktemp -d "${TMPDIR:-/tmp}/tamlo-peer-bench-XXXXXX")
export WINEPREFIX="$work/wine" HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all WINEARCH=win64
export TAMLO_INSTANCE_NAME="tamlo-peer-bench-$$" TAMLO_REGISTRY_DIR="$work/registry"
mkdir -p "$HOME"
wine_started=0
xvfb_pid=""
cleanup() {
  if [[ $wine_started == 1 ]]; then wineserver -k 2>/dev/null || true; fi  # our prefix's own
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi    # our display
  rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
bytes() { stat -c %s "$1"; }
mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
tree_bytes() { find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'; }

# Copies regular files from $1 into $2, in name order, until $3 MB are there.
take_files() {
  local from=$1 to=$2 limit=$(( $3 * 1000000 )) total=0 size rel
  mkdir -p "$to"
  while IFS= read -r -d '' rel; do
    size=$(stat -c %s "$from/$rel")
    (( total + size > limit && total > 0 )) && break
    mkdir -p "$to/$(dirname "$rel")"
    cp "$from/$rel" "$to/$rel"
    total=$(( total + size ))
  done < <(cd "$from" && find . -type f -printf '%P\0' | sort -z)
}

# Runs "$@" $rounds times after cleaning $target each time; prints the fastest seconds.
best_time() {
  local target=$1; shift
  local best="" start t
  for _ in $(seq "$rounds"); do
    rm -rf "$target"
    sync
    start=$(now)
    "$@" >/dev/null 2>"$work/last.err" || { tail -5 "$work/last.err" >&2; echo "peer_bench: $* failed" >&2; exit 1; }
    t=$(elapsed "$start")
    if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

# Checks that an installation holds every payload byte.
check_tree() {
  local payload=$1 installed=$2 what=$3
  if [[ $(tree_bytes "$payload") != $(tree_bytes "$installed") ]]; then
    echo "peer_bench: $what installed $(tree_bytes "$installed") of $(tree_bytes "$payload") bytes" >&2
    exit 1
  fi
}

# A Tamlo project that installs the payload as soon as it starts: the UI script starts the
# worker at once and shows nothing; the worker extracts every entry in package order, as
# listEntries() gives it, so no block is decoded twice.
make_project() {
  local payload=$1 project=$2 target=$3
  mkdir -p "$project/frame" "$project/style"
  cp -al "$payload" "$project/program"
  cp "$repo/examples/demo/style/font.xml" "$project/style/font.xml"
  printf 'none\n' >"$project/frame/readme.txt"
  printf 'startWork("LG.lua", "program.lz", string.format("{ target = %%q }", [[%s]]))\n' \
    "$target" >"$project/UI.lua"
  cat >"$project/LG.lua" <<'LUA'
local root = config.target
local sep = root:match("^%a:") and "\\" or "/"
local made = {}
for _, entry in ipairs(listEntries()) do
    local path = root .. sep .. entry.name:gsub("/", sep)
    local folder = path:match("^(.*)[/\\][^/\\]*$")
    if folder and not made[folder] then
        createDirectory(folder)
        made[folder] = true
    end
    if not extractFile(entry.name, path) then
        error("cannot install " .. entry.name)
    end
end
LUA
}

nsis_script() {
  local payload=$1 output=$2
  cat <<NSI
Target amd64-unicode
SetCompressor /SOLID lzma
OutFile "$output"
InstallDir "C:\\bench\\nsis"
RequestExecutionLevel user
SilentInstall silent
Section
  SetOutPath "\$INSTDIR"
  File /r "$payload/*"
SectionEnd
NSI
}


printf 'peer_bench: %s\n' "$(date -u '+%F %T UTC'), $(nproc) cores"
results="$work/results"
: >"$results"

bench_payload() {
  local kind=$1 source=$2 limit=$3
  local dir="$work/$kind" payload="$work/$kind/payload"
  take_files "$source" "$payload" "$limit"
  # The copy is written back now, not during the first build timed (Tamlo's).
  sync
  local files total
  files=$(find "$payload" -type f | wc -l)
  total=$(tree_bytes "$payload")
  printf '\n%s: %s files, %s MB from %s\n' "$kind" "$files" "$(mb "$total")" "$source"

  # Tamlo on Linux.
  make_project "$payload" "$dir/project" "$dir/out/tamlo"
  local start t_build size t_install
  start=$(now)
  "$build/tamlo-pack" build "$dir/project" -o "$dir/setup" >/dev/null
  t_build=$(elapsed "$start")
  size=$(bytes "$dir/setup")
  t_install=$(best_time "$dir/out/tamlo" env TAMLO_PLATFORM=headless TMPDIR="$work" "$dir/setup")
  check_tree "$payload" "$dir/out/tamlo" "tamlo"
  local payload_size
  payload_size=$("$build/tamlo-pack" bundle-list "$dir/setup" | awk -F'\t' '$2 == "program.lz" { print $3 }')
  echo "$kind tamlo $size $t_build $t_install $payload_size" >>"$results"

  # tamlo-pack extract of the same payload package, in the solid layout build gives it.
  (cd "$dir" && "$build/tamlo-pack" create "$dir/program.lz" "$payload" --solid >/dev/null)
  local t_extract
  t_extract=$(best_time "$dir/out/extract" "$build/tamlo-pack" extract "$dir/program.lz" -C "$dir/out/extract")
  echo "$kind tamlo-pack-extract $(bytes "$dir/program.lz") - $t_extract" >>"$results"

  # makeself --xz, extracted to a folder (its start-up command does nothing).
  start=$(now)
  makeself --xz --nox11 --quiet "$payload" "$dir/payload.run" bench true >/dev/null
  t_build=$(elapsed "$start")
  t_install=$(best_time "$dir/out/makeself" "$dir/payload.run" --quiet --nox11 --target "$dir/out/makeself")
  check_tree "$payload" "$dir/out/makeself" "makeself"
  echo "$kind makeself $(bytes "$dir/payload.run") $t_build $t_install" >>"$results"

  # tar | xz -6, and back.
  start=$(now)
  tar -C "$payload" -cf - . | xz -6 >"$dir/payload.tar.xz"
  t_build=$(elapsed "$start")
  t_install=$(best_time "$dir/out/xz" bash -c 'mkdir -p "$2" && xz -dc "$1" | tar -C "$2" -xf -' _ "$dir/payload.tar.xz" "$dir/out/xz")
  check_tree "$payload" "$dir/out/xz" "xz"
  echo "$kind tar-xz $(bytes "$dir/payload.tar.xz") $t_build $t_install" >>"$results"

  # 7-Zip with its default settings.
  start=$(now)
  (cd "$payload" && 7zz a -bd -bso0 "$dir/payload.7z" . >/dev/null)
  t_build=$(elapsed "$start")
  t_install=$(best_time "$dir/out/7z" 7zz x -bd -bso0 -y -o"$dir/out/7z" "$dir/payload.7z")
  check_tree "$payload" "$dir/out/7z" "7-Zip"
  echo "$kind 7zip $(bytes "$dir/payload.7z") $t_build $t_install" >>"$results"

  [[ $windows == 1 ]] || return 0
  # The Windows pair under Wine, in this run's own prefix with its server kept up meanwhile.
  local drive="$WINEPREFIX/drive_c"
  start=$(now)
  nsis_script "$payload" "$dir/nsis-setup.exe" >"$dir/setup.nsi"
  makensis -V1 "$dir/setup.nsi" >/dev/null
  t_build=$(elapsed "$start")
  t_install=$(best_time "$drive/bench/nsis" wine "$dir/nsis-setup.exe" /S '/D=C:\bench\nsis')
  check_tree "$payload" "$drive/bench/nsis" "NSIS"
  echo "$kind nsis $(bytes "$dir/nsis-setup.exe") $t_build $t_install" >>"$results"

  make_project "$payload" "$dir/winproject" 'C:\bench\tamlo'
  start=$(now)
  "$build/tamlo-pack" build "$dir/winproject" -o "$dir/tamlo-setup.exe" --engine "$winbuild/tamlo.exe" >/dev/null
  t_build=$(elapsed "$start")
  t_install=$(best_time "$drive/bench/tamlo" wine "$dir/tamlo-setup.exe")
  check_tree "$payload" "$drive/bench/tamlo" "tamlo.exe"
  echo "$kind tamlo.exe $(bytes "$dir/tamlo-setup.exe") $t_build $t_install $payload_size" >>"$results"
  rm -rf "$dir/out" "$drive/bench"
}

if [[ $windows == 1 ]]; then
  # One private display and one Wine server for every Windows run, so neither start-up is
  # counted in an install.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  wine_started=1
  wineboot -i >/dev/null 2>&1 || true
  wineserver -p 2>/dev/null || true  # already up after wineboot: it stays up
fi
bench_payload program-files "$pe_source" "$pe_mb"
bench_payload library "$lib_source" "$lib_mb"

# The table: each row with Tamlo's ratio to it (Tamlo ÷ peer) for size and install time;
# the Linux installer is set against the Linux peers, tamlo.exe against NSIS.
echo
printf '%-14s %-19s %10s %9s %10s %12s %12s %14s\n' payload installer "size MB" "build s" "install s" "tamlo/x size" "tamlo/x time" "payload/x size"
awk '
  { kind[NR] = $1; name[NR] = $2; size[NR] = $3; build[NR] = $4; inst[NR] = $5; pay[NR] = $6
    if ($2 == "tamlo") { ls[$1] = $3; lt[$1] = $5; lp[$1] = $6 }
    if ($2 == "tamlo.exe") { ws[$1] = $3; wt[$1] = $5; wp[$1] = $6 }
    if ($2 == "tamlo-pack-extract") { et[$1] = $5 } }
  function r(a, b) { return (b > 0 && a != "") ? sprintf("%.2f", a / b) : "-" }
  END {
    for (i = 1; i <= NR; ++i) {
      k = kind[i]; s = "-"; t = "-"; p = "-"
      if (name[i] == "nsis") { s = r(ws[k], size[i]); t = r(wt[k], inst[i]); p = r(wp[k], size[i]) }
      else if (name[i] == "makeself" || name[i] == "7zip") { s = r(ls[k], size[i]); t = r(lt[k], inst[i]); p = r(lp[k], size[i]) }
      else if (name[i] == "tar-xz") { s = r(ls[k], size[i]); t = r(lt[k], inst[i]) " (extract " r(et[k], inst[i]) ")"; p = r(lp[k], size[i]) }
      printf "%-14s %-19s %10.1f %9s %10s %12s %12s %14s\n", k, name[i], size[i] / 1e6, build[i], inst[i], s, t, p
      if (pay[i] != "") printf "%-14s %-19s %10.1f\n", k, "  its program.lz", pay[i] / 1e6
    }
  }' "$results"
