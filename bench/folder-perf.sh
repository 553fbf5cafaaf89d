#!/usr/bin/env bash
# Frame rate of the folder morph in the real program on a private 1440x900 virtual display with
# software rendering: a Utilities folder of 35 members (one full page of the default 5 x 7 grid)
# is opened with a click on its grid icon and closed with Esc, several times; the figures are the
# frame-rate meter's own "PERF fps folder-open" / "PERF fps folder-close" lines, which count the
# frames the overlay window actually painted during each 0.28 s morph.
# Beside them, as the floor, the same measure of the plain 0.25 s overlay show ("PERF fps show").
# Usage: bench/folder-perf.sh [build folder] [rounds] [members]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-5}
members=${3:-35}

if [ "${CORVANTA_PERF_DISPLAY:-}" != 1 ]; then
  exec xvfb-run -a -s "-screen 0 1440x900x24" env CORVANTA_PERF_DISPLAY=1 "$0" "$build" "$rounds" "$members"
fi

work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -TERM "$pid"; wait "$pid" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
log=$work/state/Corvanta/Corvanta.log

# The sample applications, and a Utilities folder of `members` copies of one sample utility, each
# with a name and identifier of its own.
samples=$build/sample-apps
utilities=$work/apps/Utilities
mkdir -p "$utilities"
for i in $(seq -w 1 "$members"); do
  copy="$utilities/Probe $i.app"
  cp -R "$samples/Utilities/Color Probe.app" "$copy"
  sed -i "s/com\.example\.colorprobe/com.example.probe$i/; s/>Color Probe</>Probe $i</g" "$copy/Contents/Info.plist"
done

picture=${CORVANTA_PERF_WALLPAPER:-$root/tests/fixtures/wallpaper/pictures/Sunset.png}
mkdir -p "$work/config/glib-2.0/settings"
if [ -n "$picture" ]; then
  printf "[org/gnome/desktop/background]\npicture-uri='file://%s'\n" "$picture" >"$work/config/glib-2.0/settings/keyfile"
fi

wait_for() { # text, count
  for _ in $(seq 1 400); do
    if [ -f "$log" ] && [ "$(grep -c -- "$1" "$log" || true)" -ge "$2" ]; then return 0; fi
    sleep 0.05
  done
  echo "timed out waiting for: $1" >&2
  exit 1
}

env HOME="$work" GSETTINGS_BACKEND=keyfile XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config" \
  XDG_CACHE_HOME="$work/cache" CORVANTA_APPLICATION_DIRS="$samples:$utilities" CORVANTA_SYSLOG=0 QT_QPA_PLATFORM=xcb \
  CORVANTA_LAUNCH_LOG="$work/launches.log" "$build/corvanta" 2>/dev/null &
pid=$!
wait_for "应用扫描完成" 1
sleep 1 # the layout is saved after its debounce

# Where the folder's icon is: its slot on the first page, from the layout file and the grid
# geometry the program logged ("布局探针"): under the 56-point search padding and 36-point bar,
# the page centred across, the icon centred in its cell above its label.
read -r x y < <(python3 - "$work/data/Corvanta/layout.json" "$log" <<'PY'
import json, re, sys
store = json.load(open(sys.argv[1]))
scene = next(s for s in store["scenes"] if s["id"] == store["currentSceneID"])
entries = scene["layout"]["pages"][0]["entries"]
# Each entry holds its case's payload under "_0".
index = next(i for i, e in enumerate(entries) if "group" in e and e["group"]["_0"]["name"] == "Utilities")
probe = re.search(r"container=([0-9.]+)x([0-9.]+) rows=(\d+) cols=(\d+) iconScale=[0-9.]+ → marginX=([0-9.]+) "
                  r"colPitch=([0-9.]+) rowPitch=([0-9.]+) icon=([0-9.]+) labelH=([0-9.]+)", open(sys.argv[2]).read())
w, h, rows, cols, margin, cp, rp, icon, lh = (float(v) for v in probe.groups())
col, row = index % int(cols), index // int(cols)
x = (w - cp * cols) / 2 + cp * (col + 0.5)
y = 92 + rp * row + (rp - (lh + icon + 12)) / 2 + icon / 2
print(round(x), round(y))
PY
)

for i in $(seq 1 "$rounds"); do
  xdotool key F4
  wait_for "PERF fps show" "$i"
  sleep 0.4
  xdotool mousemove "$x" "$y" click 1
  wait_for "PERF fps folder-open" "$i"
  sleep 0.3
  xdotool key Escape
  wait_for "PERF fps folder-close" "$i"
  sleep 0.3
  xdotool key F4
  wait_for "PERF hide" "$i"
  sleep 2.2 # past the rapid-repeat window and the heavy-refresh reuse window
done

grep -q "Folder panel opened — apps: $members" "$log" || { echo "the folder did not open with $members members" >&2; exit 1; }
for label in show folder-open folder-close; do
  echo "fps $label:"
  grep "PERF fps $label " "$log" | sed -E 's/.*渲染=([0-9.]+)fps（([0-9]+) 帧.*最大帧间隔=([0-9]+)ms.*/  \1 fps (\2 frames, longest gap \3 ms)/'
done
