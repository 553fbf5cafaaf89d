#!/usr/bin/env bash
# Configures and builds into the folder given (default: build). Extra arguments go to cmake.
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
