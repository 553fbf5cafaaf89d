#!/usr/bin/env bash
# Measures the resident program's idle CPU from outside: the program runs on a virtual display
# with the sample applications and the given settings (default: a hot corner), and its
# user+system time is read from /proc over a quiet period after start-up and, for comparison,
# while the pointer moves. Usage: bench/idle-cost.sh [build] [seconds] [settings JSON]
set -euo pipefail
build=${1:-build}
seconds=${2:-20}
corner='{"hotCorner":"topLeft"}'
settings=${3:-$corner}
home=$(mktemp -d /tmp/corvanta-idle-XXXXXX)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/config/Corvanta"
# As QSettings writes it: quoted, so the commas of the JSON do not split it into a list.
printf '[General]\ncom.corvanta.settings="@ByteArray(%s)"\n' "${settings//\"/\\\"}" > "$home/config/Corvanta/Corvanta.conf"
xvfb-run -a -s "-screen 0 1440x900x24" bash -c "
  set -euo pipefail
  HOME=$home XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
    CORVANTA_APPLICATION_DIRS=$build/sample-apps CORVANTA_SYSLOG=0 QT_QPA_PLATFORM=xcb $build/corvanta 2>/dev/null &
  pid=\$!
  until grep -q '应用扫描完成' $home/state/Corvanta/Corvanta.log 2>/dev/null; do sleep 0.2; done
  sleep 3
  hz=\$(getconf CLK_TCK)
  a=\$(awk '{print \$14 + \$15}' /proc/\$pid/stat); sleep $seconds; b=\$(awk '{print \$14 + \$15}' /proc/\$pid/stat)
  echo \"idle: \$((b - a)) ticks of 1/\$hz s in $seconds s = \$(awk -v t=\$((b - a)) -v hz=\$hz -v s=$seconds 'BEGIN{printf \"%.3f\", 100 * t / hz / s}') % of a core\"
  a=\$(awk '{print \$14 + \$15}' /proc/\$pid/stat)
  end=\$((SECONDS + 10)); x=300
  while ((SECONDS < end)); do xdotool mousemove \$x 400; x=\$(( (x + 7) % 1000 + 200 )); sleep 0.01; done
  b=\$(awk '{print \$14 + \$15}' /proc/\$pid/stat)
  echo \"pointer moving (about 100 moves/s): \$((b - a)) ticks of 1/\$hz s in 10 s = \$(awk -v t=\$((b - a)) -v hz=\$hz 'BEGIN{printf \"%.3f\", 100 * t / hz / 10}') % of a core\"
  kill \$pid
  grep -E 'Setting up hot corner|Pinch gesture|触控角监听' $home/state/Corvanta/Corvanta.log | sed 's/^.*\] //' || true
"
