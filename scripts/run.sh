#!/usr/bin/env bash
# Sets up, builds and runs Corvanta on the bundled sample applications. With no X display it runs
# under a virtual one, opens the overlay with the hot key and saves a screenshot to build/screenshot.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" build
build="$root/build"
samples="$build/sample-apps"
if [[ ! -f "$samples/.corvanta-sample-apps" ]]; then
  echo "The sample applications were not generated into $samples" >&2
  exit 1
fi
# A home of its own, so the demo never touches the user's real layout, settings or log.
demo="$build/demo-home"
mkdir -p "$demo/runtime"
chmod 700 "$demo/runtime"
export XDG_DATA_HOME="$demo/data" XDG_STATE_HOME="$demo/state" XDG_CONFIG_HOME="$demo/config"
export XDG_CACHE_HOME="$demo/cache" XDG_RUNTIME_DIR="$demo/runtime"
export CORVANTA_APPLICATION_DIRS="$samples:$samples/Utilities"
# Launching a sample only appends a line here.
export CORVANTA_LAUNCH_LOG="$XDG_STATE_HOME/Corvanta/sample-launches.log"
echo "Sample applications: $samples (launches are recorded in $CORVANTA_LAUNCH_LOG)"
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$build/corvanta" "$@"
fi
exec xvfb-run -a -s "-screen 0 1440x900x24" bash "$root/scripts/demo-under-xvfb.sh" "$build" "$@"
