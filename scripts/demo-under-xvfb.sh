#!/usr/bin/env bash
# Runs the program on the virtual display, presses the hot key, saves a screenshot and quits.
# Usage: demo-under-xvfb.sh BUILD-DIR [program arguments...]
set -euo pipefail
build=$1
shift
shot="$build/screenshot.png"

# The virtual display has no desktop, so give it a desktop picture the way GNOME keeps one (in a
# private settings file): the overlay then shows its blurred backdrop as it would on a desktop.
picture="$build/demo-home/wallpaper.jpg"
if [[ ! -f "$picture" ]]; then
  convert -size 1440x900 -seed 11 plasma:'#2b5876'-'#f7b267' -blur 0x3 "$picture"
fi
mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
printf "[org/gnome/desktop/background]\npicture-uri='file://%s'\n" "$picture" >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile"
export GSETTINGS_BACKEND=keyfile

"$build/corvanta" "$@" &
pid=$!
# However this script ends, the program must not outlive it.
stop_program() {
  kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}
trap stop_program EXIT

sleep "${CORVANTA_DEMO_WARMUP:-4}"
if ! kill -0 "$pid" 2>/dev/null; then
  status=0
  wait "$pid" || status=$?
  echo "corvanta ended before the screenshot (exit status $status)" >&2
  exit 1
fi
xdotool key F4 || echo "xdotool could not press F4" >&2
sleep "${CORVANTA_DEMO_SETTLE:-2}"
rm -f "$shot"
import -window root "$shot"
stop_program
wait "$pid" 2>/dev/null || true
trap - EXIT

echo "Screenshot: $shot"
log="$XDG_STATE_HOME/Corvanta/Corvanta.log"
if [[ -f "$log" ]]; then
  echo "Log: $log"
else
  echo "Log: $log (not written by this run)"
fi
launches="${CORVANTA_LAUNCH_LOG:-$XDG_STATE_HOME/Corvanta/sample-launches.log}"
if [[ -f "$launches" ]]; then
  echo "Sample launches: $launches"
fi
