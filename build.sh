#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine (run as root):
#   ./build.sh demo    build everything, render the bundled looks into out/
#   ./build.sh test    build everything and run every test
#   ./build.sh build   build only (PRESET=dev|release|asan|tsan|fuzz, default release)
#   ./build.sh fuzz    build the fuzz targets and fuzz each reader for FUZZ_SECONDS (60)
#   ./build.sh venv [PACKAGE...]  make build/venv with the tests' Python packages and these
set -euo pipefail
cd "$(dirname "$0")"

PRESET=${PRESET:-release}
PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev clang-format pkg-config libgtest-dev
          libgmock-dev libbenchmark-dev libopenexr-dev libtiff-dev libpng-dev libdeflate-dev ocl-icd-opencl-dev
          opencl-c-headers pocl-opencl-icd libopencolorio-dev python3-venv)
# Python packages in a venv of our own: the tests' independent readers,
# openjd-cli for the job template's tests, and ziglang, the compiler of the
# bundled plug-in (cmake/PortablePlugin.cmake finds it here).
VENV=build/venv
PY_PACKAGES=(opencolorio openjd-cli ziglang==0.17.1)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# True when the venv holds NAME, or NAME==VERSION in exactly that version.
venv_has() {
    local shown
    shown=$("$VENV/bin/python3" -m pip show "${1%%==*}" 2>/dev/null) || return 1
    [[ $1 != *==* ]] || grep -qx "Version: ${1#*==}" <<<"$shown"
}

install_venv() {
    [ -x "$VENV/bin/python3" ] || python3 -m venv "$VENV"
    local missing=()
    for p in "${PY_PACKAGES[@]}" "$@"; do
        venv_has "$p" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing into $VENV: ${missing[*]}"
        "$VENV/bin/python3" -m pip install -q "${missing[@]}"
    fi
}

find_cuda() {
    # The CUDA toolkit is optional; use it when it is installed but not on PATH.
    if ! command -v nvcc >/dev/null && [ -x /usr/local/cuda/bin/nvcc ]; then
        export PATH="/usr/local/cuda/bin:$PATH"
    fi
}

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

cmd=${1:-test}
install_missing
install_venv
find_cuda
case "$cmd" in
build)
    build "$PRESET"
    ;;
test)
    build "$PRESET"
    ctest --preset "$PRESET" -j"$(nproc)"
    ;;
demo)
    build "$PRESET"
    ./host/demo/demo.sh "build/$PRESET"
    ;;
venv)
    shift
    install_venv "$@"
    ;;
fuzz)
    build fuzz
    ./looks/fuzz.sh build/fuzz "${FUZZ_SECONDS:-60}"
    ;;
*)
    echo "usage: $0 demo|test|build|fuzz|venv" >&2
    exit 2
    ;;
esac
