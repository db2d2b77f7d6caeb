#!/usr/bin/env bash
# The demo's release notes in a real WebKitGTK page under Xvfb: the finish page shows
# tamlo://frame/notes.html from the installer's own layout package; the page's link to the
# web reaches the script, which opens it with the desktop's opener instead of inside the
# dialog; a download link is refused and leaves no file anywhere. The engine itself never
# links WebKitGTK.
#   bash tests/e2e/web_gtk.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=${1:?build directory}
source=${2:?source directory}
# shellcheck source=tests/e2e/lib/x_session.bash
. "$(dirname "$0")/lib/x_session.bash"
needed=$(readelf -d "$build/tamlo")  # whole, so no pipe cuts it short under pipefail
[[ "$needed" == *NEEDED* ]] || { echo "web_gtk: cannot read the engine's dependencies" >&2; exit 1; }
if [[ "${needed,,}" == *webkit* ]]; then
  echo "web_gtk: the engine links WebKitGTK" >&2
  exit 1
fi
libraries=$(ldconfig -p)
if [[ "$libraries" != *libwebkit2gtk-4.1.so.0* ]]; then
  echo "web_gtk: skipped, WebKitGTK is not installed (scripts/setup installs it)"
  exit 0
fi
e2e_under_xvfb web_gtk "$build" "$source"
e2e_need web_gtk xdotool import convert

work=$(mktemp -d)
# shellcheck source=tests/e2e/lib/machine.bash
. "$(dirname "$0")/lib/machine.bash"
e2e_machine "$work"
export XDG_DOWNLOAD_DIR="$HOME/Downloads"
mkdir -p "$XDG_DOWNLOAD_DIR" "$work/bin"
fail() {
  echo "web_gtk: $*" >&2
  [[ -n "${WEB_GTK_SHOTS:-}" ]] && cp "$work"/*.png "$WEB_GTK_SHOTS/" 2>/dev/null
  [[ -f "$work/run.txt" ]] && tail -20 "$work/run.txt" >&2
  exit 1
}
# The desktop's opener, as a script that only says what it was asked to open.
cat >"$work/bin/xdg-open" <<OPENER
#!/bin/sh
echo "\$@" >>"$work/opened.txt"
OPENER
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

python3 "$source/scripts/make-demo-payload.py" "$work/project/program" >/dev/null
cp -r "$source/examples/demo/frame" "$source/examples/demo/style" "$source/examples/demo/UI.lua" \
  "$source/examples/demo/LG.lua" "$work/project/"
"$build/tamlo-pack" build "$work/project" -o "$work/installer" >/dev/null

printf 'waitfor #4000 visible\nwaitfor end\n' >"$work/steps.txt"
export TAMLO_PLATFORM=gtk TAMLO_DEBUG=1
e2e_start_run "$work" "$build/tamlo-run" run "$work/installer" --steps "$work/steps.txt" \
  --prefix "$work/p" --timeout 120

read -r window wx wy <<<"$(e2e_await_window "$runner" 560 360)"
[[ -n "${window:-}" ]] || fail "the installer window did not appear"

shot() { import -window root -crop "560x360+$wx+$wy" +repage "$1"; }
pixel() { convert "$1" +repage -crop "1x1+$2+$3" -depth 8 txt:- | tail -1 | grep -o '#[0-9A-F]\{6\}' | head -1; }
await_line() {  # waits for the runner to say $1
  for _ in $(seq 1 300); do
    grep -qF -- "$1" "$work/run.txt" && return 0
    sleep 0.1
  done
  fail "the runner never said \"$1\""
}

# Licence, install, then the finish page with its notes.
xdotool mousemove "$((wx + 44))" "$((wy + 277))" click 1
sleep 0.3
xdotool mousemove "$((wx + 496))" "$((wy + 334))" click 1
xdotool mousemove "$((wx + 300))" "$((wy + 100))"
await_line "demo: page shown tamlo://frame/notes.html"
requested=$(grep -n "demo: page requested tamlo://frame/notes.html" "$work/run.txt" | head -1 | cut -d: -f1)
shown=$(grep -n "demo: page shown tamlo://frame/notes.html" "$work/run.txt" | head -1 | cut -d: -f1)
[[ -n "$requested" && "$requested" -lt "$shown" ]] || fail "the page was shown before it was asked for"
page=""
for _ in $(seq 1 100); do
  shot "$work/notes.png"
  page=$(pixel "$work/notes.png" 300 280)
  [[ "$page" == "#F7F9FC" ]] && break
  sleep 0.1
done
[[ "$page" == "#F7F9FC" ]] || fail "the notes page did not show where its control is ($page)"
[[ "$(pixel "$work/notes.png" 33 200)" == "#2F7DE1" ]] || fail "the notes page has no accent line"

# Keys reach the page once it has the focus: Tab to the web link, Return follows it.
xdotool mousemove "$((wx + 420))" "$((wy + 285))" click 1
sleep 0.3
xdotool key Tab
sleep 0.2
xdotool key Return
await_line "demo: page requested https://www.example.com/orvinex/releases"
for _ in $(seq 1 50); do
  [[ -s "$work/opened.txt" ]] && break
  sleep 0.1
done
grep -qF "https://www.example.com/orvinex/releases" "$work/opened.txt" 2>/dev/null ||
  fail "the web link was not handed to the desktop's opener"

# The next link names an entry the page cannot show: a download, refused.
xdotool key Tab
sleep 0.2
xdotool key Return
await_line "demo: page requested tamlo://frame/payload.bin"
sleep 1.5
left=$(find "$work" -name 'payload.bin*' -not -path "$work/project/*" | head -5)
[[ -z "$left" ]] || fail "the refused download left files: $left"
(( $(grep -c "demo: page shown" "$work/run.txt") == 1 )) || fail "the download replaced the page"
shot "$work/after.png"
[[ "$(pixel "$work/after.png" 33 200)" == "#2F7DE1" ]] || fail "the notes page went away"

xdotool mousemove "$((wx + 496))" "$((wy + 334))" click 1
for _ in $(seq 1 100); do
  kill -0 "$runner" 2>/dev/null || break
  sleep 0.1
done
status=0
wait "$runner" || status=$?
(( status == 0 )) || fail "the run ended with status $status"
# A page that tries to open a window and read a local file reports what it could do by
# navigating to a report URL, which the probe's script prints and then ends the dialog.
probe="$work/probe"
mkdir -p "$probe/frame" "$probe/program"
cp -r "$source/examples/demo/style" "$source/examples/demo/LG.lua" "$probe/"
echo probe >"$probe/program/probe.txt"
cat >"$probe/frame/probe.xml" <<'XML'
<Window style="bkgnd.xml" initSize="300,200">
    <Grid><WebBrowser id="1"/></Grid>
</Window>
XML
cat >"$probe/frame/probe.html" <<'HTML'
<!DOCTYPE html><meta charset="utf-8"><body>probe<script>
var opened = window.open("tamlo://frame/other.html") ? "yes" : "no";
var file = "blocked";
fetch("file:///etc/hostname").then(function () { file = "read"; }, function () {})
  .then(function () {
    location.href = "tamlo://frame/report.html?opened=" + opened + "&file=" + file;
  });
</script></body>
HTML
cat >"$probe/UI.lua" <<'LUA'
local window = createWindow("probe.xml")
local page = window:getChild(1)
page:addHandler(event.BeforeNavigate, function(sender)
    print("probe: " .. sender:getUrl())
    if sender:getUrl():match("report") then window:endDialog(1) end
end)
page:navigate("tamlo://frame/probe.html")  -- no url attribute: the script asks
window:setTimer(20000, function() window:endDialog(2) end)
window:centerScreen()
window:showDialog()
LUA
timeout 60 "$build/tamlo-run" run "$probe" --prefix "$work/probe-prefix" >/dev/null 2>"$work/probe.txt" ||
  fail "the probe did not run: $(tail -5 "$work/probe.txt")"
report=$(grep -o "probe: tamlo://frame/report.html?.*" "$work/probe.txt" || true)
[[ "$report" == *"opened=no&file=blocked"* ]] || fail "a page opened a window or read a file: ${report:-no report}"
! grep -q "probe: tamlo://frame/other.html" "$work/probe.txt" || fail "the page's window.open navigated"
[[ -n "${WEB_GTK_SHOTS:-}" ]] && cp "$work/notes.png" "$work/after.png" "$WEB_GTK_SHOTS/"
echo "web_gtk: ok ($(grep -o "first paint [0-9]* ms after attach" "$work/run.txt" | head -1); ${report#probe: })"
