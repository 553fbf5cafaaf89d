#!/usr/bin/env bash
# Builds with clang, AddressSanitizer and UndefinedBehaviorSanitizer, runs every test once more,
# then gives each fuzz target a short run. Any sanitizer report fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
export CC=clang CXX=clang++
bash "$root/scripts/build.sh" build-sanitize -DCORVANTA_SANITIZE=ON -DCORVANTA_FUZZ=ON -DCORVANTA_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$root/build-sanitize"
# The end-to-end tests run on their own afterwards: under the sanitizers it is several times slower,
# and beside seven other test programs its drags and shutdowns would be timed against a starved CPU.
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 -E '^x11'
ctest --output-on-failure --timeout 600 -R '^x11'
shopt -s nullglob
for target in fuzz/fuzz_*; do
  [[ -f "$target" && -x "$target" ]] || continue # skip the build folders beside the programs
  name=$(basename "$target")
  corpus="$root/fuzz/corpus/${name#fuzz_}"
  args=(-max_total_time=15 -rss_limit_mb=2048)
  echo "Fuzzing $name"
  # New inputs go to a scratch folder; the seed folder in the tree is only read.
  found=$(mktemp -d)
  if [[ -d "$corpus" ]]; then "$target" "${args[@]}" "$found" "$corpus"; else "$target" "${args[@]}" "$found"; fi
  rm -rf "$found"
done
