#!/usr/bin/env bash
# Ends starts by hand with SIGTERM at moments spread over their first three seconds, with a cold
# and with a warm icon cache, and checks every end: the process gone within 0.5 s of the signal,
# status 0, and the layout file whole, still holding every application. Prints one line a start
# and exits 1 when any of them failed. Runs itself on a virtual display when there is none.
# With "successor" the starts are successor starts (hidden, ready), each ended at a moment counted
# from its "瓦厅保持隐藏待命" line (the icon back-fill still running), over a cold and a part-filled
# icon cache; Qt's complaint of a pool thread waiting on a gone owner also counts as a failure.
# Usage: sigterm-during-start.sh BUILD-DIR [APPLICATIONS (300)] [MOMENTS (20)] [successor]
set -euo pipefail
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s '-screen 0 1440x900x24' "$0" "$@"
fi
build=$(cd "${1:?usage: $0 BUILD-DIR [APPLICATIONS] [MOMENTS]}" && pwd)
count=${2:-300}
moments=${3:-20}
successor=$([[ "${4:-}" == successor ]] && echo 1 || echo 0)
program="$build/corvanta"
limit_ms=500

# The applications take a while to make; they are kept in the build tree for the next run.
apps="$build/sigterm-apps-$count"
if [[ ! -f "$apps/.corvanta-sample-apps" ]]; then
  echo "making $count applications in $apps"
  ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$build/tools/corvanta_sample_apps" "$apps" "$count" >/dev/null
fi

work=$(mktemp -d /tmp/corvanta-sigterm-XXXXXX)
pid=
cleanup() {
  if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Each start gets a home of its own (the program writes only below these folders).
use_home() {
  home=$1
  export HOME=$home XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state XDG_CONFIG_HOME=$home/config
  export XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/runtime
  export CORVANTA_APPLICATION_DIRS=$apps CORVANTA_SYSLOG=0 CORVANTA_LAUNCH_LOG=$home/launches.log QT_QPA_PLATFORM=xcb
  unset QUORLA_SUCCESSION
  mkdir -p "$home/runtime" && chmod 700 "$home/runtime"
  log="$home/state/Corvanta/Corvanta.log"
  layout="$home/data/Corvanta/layout.json"
}

wait_for_log() { # text, seconds
  for _ in $(seq $(($2 * 200))); do
    grep -qF -- "$1" "$log" 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.005
  done
  return 1
}

# Sends SIGTERM and waits for the end: sets `status` and `took_ms` (from the signal to the end).
terminate_and_wait() {
  local start end
  start=$(date +%s%N)
  kill -TERM "$pid"
  for _ in $(seq 500); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.002
  done
  end=$(date +%s%N)
  took_ms=$(((end - start) / 1000000))
  if kill -0 "$pid" 2>/dev/null; then
    # Not gone after a second: left to run a while longer, then ended by force.
    sleep 4
    kill -KILL "$pid" 2>/dev/null || true
  fi
  status=0
  wait "$pid" || status=$?
  pid=
}

# The applications the layout file holds (its current scene), or "broken".
layout_apps() {
  python3 - "$1" <<'PY' 2>/dev/null || echo broken
import json, sys
store = json.load(open(sys.argv[1], encoding="utf-8"))
scene = next(s for s in store["scenes"] if s["id"] == store["currentSceneID"])
urls = set()
def walk(node):
    if isinstance(node, dict):
        if "bundleIdentifier" in node and "url" in node:
            urls.add(node["url"])
        for value in node.values():
            walk(value)
    elif isinstance(node, list):
        for value in node:
            walk(value)
walk(scene["layout"])
print(len(urls))
PY
}

# The seed home: the pinch question answered (a start by hand then goes straight to the grid), a
# layout holding every application, and the icon cache as full as the program keeps it.
seed=$work/seed
use_home "$seed"
mkdir -p "$XDG_CONFIG_HOME/Corvanta"
printf '[General]\ncom.corvanta.didAskFourFingerPinchTakeover=true\n' >"$XDG_CONFIG_HOME/Corvanta/Corvanta.conf"
echo "preparing: a first start scans the applications and saves the layout"
"$program" >/dev/null 2>&1 &
pid=$!
wait_for_log "Tilehall shown — isVisible=true" 60 || { echo "the first start never showed the grid"; exit 1; }
terminate_and_wait
echo "preparing: a second start fills the icon cache"
"$program" >/dev/null 2>&1 &
pid=$!
wait_for_log "阶段49：图标磁盘缓存回填" 60 || echo "(no back-fill seen: the icon cache was already full)"
wait_for_log "Tilehall shown — isVisible=true" 60 || true
terminate_and_wait
expected=$(layout_apps "$layout")
# Bundles whose names start with a dot are hidden, and the program passes over them.
visible=$(find "$apps" -maxdepth 1 -name '*.app' ! -name '.*' | wc -l)
if [[ "$expected" != "$visible" ]]; then
  echo "the prepared layout holds $expected applications, not $visible"
  exit 1
fi
icon_cache=$(find "$seed" -type d -name IconCache | head -1)
echo "prepared: $expected applications in the layout, $(find "$icon_cache" -name '*.png' | wc -l) icons on disk"
rm -f "$log"

# Every start's log is kept for a look at the slow or failed ones.
logs="$build/sigterm-during-start-logs"
rm -rf "$logs" && mkdir -p "$logs"
failures=0
printf '%-5s %-6s %8s %7s %10s  %s\n' cache moment status end layout "the program's last step before the signal"
caches=(cold warm)
((successor)) && caches=(cold part)
for cache in "${caches[@]}"; do
  for ((i = 0; i < moments; ++i)); do
    # Spread evenly over the first three seconds, the first one early in the start; a successor's
    # over the 300 ms after it is ready, the first one at once.
    if ((successor)); then moment_ms=$((300 * i / moments)); else moment_ms=$(((3000 * i + 1500) / moments)); fi
    trial=$work/trial
    rm -rf "$trial"
    cp -a "$seed" "$trial"
    use_home "$trial"
    icons=$(find "$trial" -type d -name IconCache | head -1)
    [[ "$cache" == cold ]] && rm -rf "$icons"
    # Part-filled: every other icon goes, so the start finds some and fetches the rest.
    [[ "$cache" == part ]] && find "$icons" -name '*.png' | sort | awk 'NR % 2' | xargs -r -d '\n' rm -f
    ((successor)) && export QUORLA_SUCCESSION=1
    "$program" >"$work/output" 2>&1 &
    pid=$!
    if ((successor)) && ! wait_for_log "瓦厅保持隐藏待命" 60; then
      echo "$cache: a successor start never reported itself ready"
      failures=$((failures + 1))
      terminate_and_wait
      continue
    fi
    sleep "$((moment_ms / 1000)).$(printf '%03d' $((moment_ms % 1000)))"
    terminate_and_wait
    apps_now=$(layout_apps "$layout")
    cp "$log" "$logs/$cache-${moment_ms}ms.log" 2>/dev/null || true
    step=$(grep -B1 -F "收到终止信号" "$log" 2>/dev/null | head -1 | sed -E 's/^\[[^]]*\] \[[A-Z]+\] \[[^]]*\] //' | cut -c1-60 || true)
    [[ -n "$step" ]] || step="(signal before the first log line)"
    verdict=ok
    if ((status != 0 || took_ms > limit_ms)) || [[ "$apps_now" != "$expected" ]] || grep -q "mutex lock failure" "$work/output"; then
      verdict=FAILED
      failures=$((failures + 1))
    fi
    printf '%-5s %4dms %8s %5dms %10s  %s %s\n' "$cache" "$moment_ms" "$status" "$took_ms" "$apps_now" "$step" \
      "$([[ $verdict == ok ]] || echo '<- FAILED')"
  done
done
echo "$failures of $((2 * moments)) starts failed (their logs: $logs)"
((failures == 0))
