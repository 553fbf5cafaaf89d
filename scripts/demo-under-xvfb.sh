#!/usr/bin/env bash
# Runs the program on the virtual display, presses the hot key, saves a screenshot and quits.
set -euo pipefail
build=$1
shift
"$build/corvanta" "$@" &
pid=$!
sleep "${CORVANTA_DEMO_WARMUP:-4}"
xdotool key F4 || true
sleep "${CORVANTA_DEMO_SETTLE:-2}"
import -window root "$build/screenshot.png"
echo "Screenshot: $build/screenshot.png"
kill -TERM "$pid" 2>/dev/null || true
wait "$pid" || true
echo "Log: $XDG_STATE_HOME/Corvanta/Corvanta.log"
