#!/usr/bin/env bash
# Sets up, builds and runs Corvanta on the bundled sample applications. With no X display it runs
# under a virtual one, opens the overlay with the hot key and saves a screenshot to build/screenshot.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" build
build="$root/build"
# A home of its own, so the demo never touches the user's real layout, settings or log.
demo="$build/demo-home"
mkdir -p "$demo"
export XDG_DATA_HOME="$demo/data" XDG_STATE_HOME="$demo/state" XDG_CONFIG_HOME="$demo/config" XDG_CACHE_HOME="$demo/cache"
export CORVANTA_APPLICATION_DIRS="$build/sample-apps:$build/sample-apps/Utilities"
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$build/corvanta" "$@"
fi
exec xvfb-run -a -s "-screen 0 1440x900x24" bash "$root/scripts/demo-under-xvfb.sh" "$build" "$@"
