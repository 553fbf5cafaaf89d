#!/usr/bin/env bash
# Start-up and show timings of the real program on a private 1440x900 virtual display, read from
# the program's own log lines:
#   start-to-ready  from the first line of the process to the end of the first application scan
#   hotkey-to-anim  the show's own "到动画起播" figure (hot key handled to animation start)
#   fps show        the frame-rate meter's "PERF fps show" line of each 0.25 s opening
# Usage: bench/shell-perf.sh [build folder] [rounds]
# CORVANTA_PERF_WALLPAPER: the desktop picture to use (empty: none).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-5}

if [ "${CORVANTA_PERF_DISPLAY:-}" != 1 ]; then
  exec xvfb-run -a -s "-screen 0 1440x900x24" env CORVANTA_PERF_DISPLAY=1 "$0" "$build" "$rounds"
fi

work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -TERM "$pid"; wait "$pid" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
log=$work/state/Corvanta/Corvanta.log

# A desktop picture through GNOME's background setting (kept in a private key file), so the show
# finds a backdrop as it would on a desktop; without one every show waits out its backdrop gate.
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

# Milliseconds since midnight of a log line's "[yyyy-MM-dd HH:mm:ss.SSS]" stamp.
stamp_ms() { sed -E 's/^\[[0-9-]+ ([0-9]+):([0-9]+):([0-9]+)\.([0-9]+)\].*/\1 \2 \3 \4/' | awk '{ print (($1*60+$2)*60+$3)*1000+$4 }'; }

launched=$(date +%H:%M:%S.%3N | awk -F'[:.]' '{ print (($1*60+$2)*60+$3)*1000+$4 }')
env HOME="$work" GSETTINGS_BACKEND=keyfile XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config" \
  XDG_CACHE_HOME="$work/cache" CORVANTA_APPLICATION_DIRS="$build/sample-apps" CORVANTA_SYSLOG=0 QT_QPA_PLATFORM=xcb \
  "$build/corvanta" 2>/dev/null &
pid=$!
wait_for "应用扫描完成" 1
ready=$(grep -m1 "应用扫描完成" "$log" | stamp_ms)
echo "start-to-ready: $((ready - launched)) ms (process launch to the first scan merged)"

for i in $(seq 1 "$rounds"); do
  xdotool key F4
  wait_for "PERF fps show" "$i"
  sleep 0.4
  xdotool key F4
  wait_for "PERF hide" "$i"
  sleep 2.2 # past the rapid-repeat window and the heavy-refresh reuse window
done

echo "hotkey-to-anim (ms):"
grep -o "到动画起播=[0-9.]*ms" "$log" | sed 's/到动画起播=//; s/ms//' | sort -n | awk '{ a[NR]=$1 } END { printf "  min %s  median %s  max %s  (n=%d)\n", a[1], a[int((NR+1)/2)], a[NR], NR }'
echo "fps show:"
grep "PERF fps show" "$log" | sed -E 's/.*(PERF fps show.*)/  \1/'
