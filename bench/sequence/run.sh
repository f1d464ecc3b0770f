#!/usr/bin/env bash
# The sequence benchmark: bench/sequence/run.sh [BUILD_DIR] [OPTION...]
# (BUILD_DIR default build/release, built; options: sequence_bench.py --help).
# Installs oiiotool (the OpenImageIO wheel) into build/venv when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
[ $# -gt 0 ] && shift
for tool in host/ofx-render/ofx-render looks/zelk-lut; do
    [ -x "$build/$tool" ] || { echo "$build/$tool is missing: build first (./build.sh build)" >&2; exit 1; }
done
"$root/build.sh" venv openimageio >/dev/null
venv=$root/build/venv
# The wheel's oiiotool itself, not the Python script that starts it (whose
# start-up and memory would count as oiiotool's).
oiiotool=$("$venv/bin/python3" -c 'import OpenImageIO, os
print(os.path.join(os.path.dirname(OpenImageIO.__file__), "bin", "oiiotool"))')
exec "$venv/bin/python3" "$root/bench/sequence/sequence_bench.py" \
    --ofx-render "$build/host/ofx-render/ofx-render" \
    --zelk-lut "$build/looks/zelk-lut" \
    --bundle "$build/bundle/ZELK-Look-Lib.ofx.bundle" \
    --oiiotool "$oiiotool" \
    --work "${ZELK_BENCH_WORK:-$build/bench/sequence-frames}" "$@"
