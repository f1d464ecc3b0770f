#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, the `fuzz` preset) into BUILD_DIR when
# needed and runs each for SECONDS on a seed corpus.
#
#   looks/fuzz.sh BUILD_DIR SECONDS
#
# Seeds: the committed .cube texts in looks/fuzz/seeds/cube and a few small
# .cube.bin files made here. What the fuzzers find grows BUILD_DIR/corpus/*;
# a crash leaves its input as BUILD_DIR/crash-* and fails the script.
# Exit 77 (a skip for CTest) when clang or libFuzzer is missing, 1 when CI is set.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build=$(mkdir -p "$1" && cd "$1" && pwd)
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)

# Without clang the fuzzers are skipped, except in CI, which installs it.
skip() {
  if [ -n "${CI:-}" ]; then
    echo "fuzz.sh: $1 (CI is set: a failure, not a skip)"
    exit 1
  fi
  echo "fuzz.sh: $1: fuzz targets skipped"
  exit 77
}
if ! command -v clang++ >/dev/null 2>&1; then
  skip "clang++ not found"
fi
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer - -o "$build/.libfuzzer-check" >/dev/null 2>&1; then
  skip "clang++ cannot link libFuzzer (libclang-rt missing?)"
fi
rm -f "$build/.libfuzzer-check"

if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$source_dir" && cmake --preset fuzz -B "$build" >/dev/null)
fi
cmake --build "$build" --target zelk_fuzzers -j2 >/dev/null

# Little-endian helpers for the binary seeds.
u64() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x\\x%02x\\x%02x\\x%02x\\x%02x' \
  $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)) 0 0 0 0)"; }
zero='\x00\x00\x00\x00'
one='\x00\x00\x80\x3f'
bin_seeds="$build/seeds/cubebin"
mkdir -p "$bin_seeds"
{
  u64 8
  for r in "$zero" "$one"; do for g in "$zero" "$one"; do for b in "$zero" "$one"; do
    printf "$r$g$b"
  done; done; done
} >"$bin_seeds/identity2.cube.bin"
head -c 60 "$bin_seeds/identity2.cube.bin" >"$bin_seeds/truncated.cube.bin"
{ u64 0; } >"$bin_seeds/empty.cube.bin"
{ u64 9; head -c 108 /dev/zero; } >"$bin_seeds/notcube.cube.bin"

run() {
  local target=$1 seeds=$2 max_len=$3
  local exe="$build/looks/$target"
  mkdir -p "$build/corpus/$target"
  echo "fuzz.sh: $target for ${seconds}s"
  (cd "$build" && "$exe" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "$build/corpus/$target" "$seeds" 2>&1 | tail -n 4)
  return "${PIPESTATUS[0]}"
}

status=0
run fuzz_cube_text "$source_dir/looks/fuzz/seeds/cube" 16384 || status=1
run fuzz_cube_bin "$bin_seeds" 4096 || status=1
run fuzz_plugin_reader "$bin_seeds" 4096 || status=1
exit $status
