#!/usr/bin/env bash
# Runs the program on the virtual display as a person starts it by hand: it shows its splash, asks
# the one-time pinch question (answered "暂不启用" with its Esc key, as a person would) and opens the
# grid by itself; the script then saves a screenshot of the grid and quits.
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

# Only what this run writes to the log counts (the demo home keeps the log of earlier runs).
log="$XDG_STATE_HOME/Corvanta/Corvanta.log"
log_start=$(stat -c %s "$log" 2>/dev/null || echo 0)
logged() {
  [[ -f "$log" ]] || return 1
  # A log set aside at start begins anew.
  (($(stat -c %s "$log") >= log_start)) || log_start=0
  tail -c +$((log_start + 1)) "$log" | grep -qF -- "$1"
}
# Waits up to $2 seconds for the line $1 in this run's log.
wait_for_log() {
  local text=$1 seconds=$2
  for _ in $(seq $((seconds * 10))); do
    logged "$text" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

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

shown="Tilehall shown — isVisible=true"
asked="阶段150：询问是否启用四指捏合"
# The question comes once per user (this demo home keeps the answer); either it or the grid comes
# after the splash.
for _ in $(seq 300); do
  if logged "$shown" || logged "$asked" || ! kill -0 "$pid" 2>/dev/null; then
    break
  fi
  sleep 0.1
done
if logged "$asked" && ! logged "$shown"; then
  # Its key: Esc is "暂不启用". Pressed until the answer is logged, since the dialog takes the
  # keyboard only once it is on screen.
  for _ in $(seq 20); do
    logged "阶段150：用户选择" && break
    xdotool key Escape || echo "xdotool could not press Esc" >&2
    wait_for_log "阶段150：用户选择" 1 && break
  done
fi
if ! wait_for_log "$shown" 20; then
  status=0
  kill -0 "$pid" 2>/dev/null || { wait "$pid" || status=$?; }
  echo "corvanta did not show the grid (still running: $(kill -0 "$pid" 2>/dev/null && echo yes || echo "no, exit status $status"))" >&2
  exit 1
fi
# The opening transition and the first icons.
sleep "${CORVANTA_DEMO_SETTLE:-2}"
rm -f "$shot"
import -window root "$shot"
stop_program
wait "$pid" 2>/dev/null || true
trap - EXIT

echo "Screenshot: $shot (the grid of the sample applications)"
if [[ -f "$log" ]]; then
  echo "Log: $log"
else
  echo "Log: $log (not written by this run)"
fi
launches="${CORVANTA_LAUNCH_LOG:-$XDG_STATE_HOME/Corvanta/sample-launches.log}"
if [[ -f "$launches" ]]; then
  echo "Sample launches: $launches"
fi
