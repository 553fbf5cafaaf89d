#!/usr/bin/env bash
# Configures and builds into the folder given (default: build), and makes the sample applications
# again when one of them has gone. Extra arguments go to cmake.
# CORVANTA_JOBS caps the parallel compiles (default: one per core); ccache is used when installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build}
shift || true
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build "$root/$dir" --parallel "${CORVANTA_JOBS:-$(nproc)}"
# The build makes the sample applications only when their marker is missing or the tool changed;
# a bundle deleted since is brought back here: the marker lists every bundle.
samples="$root/$dir/sample-apps"
marker="$samples/.corvanta-sample-apps"
if [[ -f "$marker" ]]; then
  while IFS= read -r bundle; do
    if [[ "$bundle" == *.app && ! -f "$samples/$bundle/Contents/Info.plist" ]]; then
      echo "Sample application missing ($bundle): making the sample applications again"
      ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$root/$dir/tools/corvanta_sample_apps" "$samples"
      break
    fi
  done <"$marker"
fi
