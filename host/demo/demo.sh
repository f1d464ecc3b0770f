#!/usr/bin/env bash
# Renders the demo chart through every look of the bundle, for both transfer
# curves, with ofx-render, and lays the results out in out/contact-sheet.png,
# with a close-up of each look's skin ramp and hue sweep in
# out/skin-and-sweep.png.
#   host/demo/demo.sh BUILD_DIR
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
RENDER="$BUILD/host/ofx-render/ofx-render"
DEMO="$BUILD/host/demo/zelk-demo"
BUNDLE="$BUILD/bundle/ZELK-Look-Lib.ofx.bundle"
OUT="${ZELK_DEMO_OUT:-$ROOT/out}"  # tests point it elsewhere
WORK="$OUT/demo"

for f in "$RENDER" "$DEMO"; do
    [ -x "$f" ] || { echo "demo: $f is not built" >&2; exit 1; }
done
[ -d "$BUNDLE" ] || { echo "demo: no bundle at $BUNDLE" >&2; exit 1; }
mkdir -p "$WORK"

tiles=()
for curve in tevo4 tevo3; do
    case $curve in
    tevo4) option="Tevo4/QXR4"; looks_dir="$BUNDLE/Contents/Resources/looks_bin_tevo4" ;;
    tevo3) option="Tevo3/QXR3"; looks_dir="$BUNDLE/Contents/Resources/looks_bin_tevo" ;;
    esac
    mkdir -p "$WORK/$curve"
    chart="$WORK/chart-$curve.exr"
    "$DEMO" chart "$curve" "$chart"
    tiles+=(--heading "I/O Space $option" "Log input=$chart")

    # The plug-in offers the looks in byte order of their file names.
    mapfile -t looks < <(cd "$looks_dir" && LC_ALL=C ls -1 | sed -n 's/\.cube\.bin$//p' | LC_ALL=C sort)
    if [ ${#looks[@]} -eq 0 ]; then
        echo "demo: no looks in $looks_dir" >&2
        exit 1
    fi
    for look in "${looks[@]}"; do
        result="$WORK/$curve/$look.exr"
        "$RENDER" --bundle "$BUNDLE" --set "printStock=$look" --set "colorSpaceTransform=$option" \
            --depth half -y "$chart" "$result"
        tiles+=("$look=$result")
    done
done

# Each sheet is written beside its final name and renamed into place.
sheet() {
    local name=$1
    shift
    "$DEMO" sheet "$OUT/$name.tmp.png" "$@" "${tiles[@]}"
    mv -f "$OUT/$name.tmp.png" "$OUT/$name"
    echo "$OUT/$name"
}
sheet contact-sheet.png --title "ZELK Look Library: every look on a test chart" --columns 5 --tile 256
sheet skin-and-sweep.png --title "ZELK Look Library: skin ramp and hue sweep, close up" \
    --columns 3 --tile 512 --skin-and-sweep
