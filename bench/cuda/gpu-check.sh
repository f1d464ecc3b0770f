#!/usr/bin/env bash
# The CUDA device checks (tests labelled gpu and the CUDA benchmarks) for a GPU
# machine that has the NVIDIA driver but not the project's build dependencies.
#
#   bench/cuda/gpu-check.sh pack   on the build machine: builds the CUDA tests,
#                                  benchmarks and bundle into build/gpu-pack
#   bench/cuda/gpu-check.sh run    on the GPU machine, with build/gpu-pack copied
#                                  along: runs the tests, then the benchmarks;
#                                  logs go to $OUT (else build/gpu-pack/results)
#
# ZELK_CUDA_ARCHITECTURES picks the device code of the pack (default: the
# project's list, which has machine code up to sm_90 and PTX for later GPUs).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
pack=$root/build/gpu-pack

do_pack() {
    local build=$root/build/gpu-check
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DZELK_ENABLE_CUDA=ON -DZELK_BUILD_TESTS=ON -DZELK_BUILD_BENCH=ON \
        -DZELK_CUDA_ARCHITECTURES="${ZELK_CUDA_ARCHITECTURES:-75-real;80-real;86-real;89-real;90}"
    cmake --build "$build" -j"${JOBS:-2}" \
        --target cuda_gpu_test cuda_kernel_bench cuda_render_bench zelk_bundle
    rm -rf "$pack"
    mkdir -p "$pack/lib"
    cp "$build/tests/cuda/cuda_gpu_test" "$build/bench/cuda/cuda_kernel_bench" \
        "$build/bench/cuda/cuda_render_bench" "$pack/"
    cp -r "$build/bundle/ZELK-Look-Lib.ofx.bundle" "$pack/"
    # Libraries of this machine that a bare GPU machine may not have.
    local bin lib
    for bin in "$pack"/cuda_*; do
        ldd "$bin" | awk '/=> \// {print $3}' | while read -r lib; do
            case "$(basename "$lib")" in
                libc.so*|libm.so*|libstdc++.so*|libgcc_s.so*|ld-linux*) ;;
                *) cp -Ln "$lib" "$pack/lib/" ;;
            esac
        done
    done
    du -sh "$pack"
}

do_run() {
    local out=${OUT:-$pack/results} status=0
    mkdir -p "$out"
    export LD_LIBRARY_PATH="$pack/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    export ZELK_CUDA_TEST_BUNDLE="$pack/ZELK-Look-Lib.ofx.bundle"
    export ZELK_BENCH_BUNDLE="$pack/ZELK-Look-Lib.ofx.bundle"
    (nvidia-smi -L || true) 2>&1 | tee "$out/device.txt"
    "$pack/cuda_gpu_test" --gtest_output="xml:$out/cuda_gpu_test.xml" 2>&1 |
        tee "$out/cuda_gpu_test.log" || status=1
    local bench
    for bench in cuda_kernel_bench cuda_render_bench; do
        "$pack/$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
            --benchmark_out="$out/$bench.json" 2>&1 | tee "$out/$bench.log" || status=1
    done
    return $status
}

case "${1:-}" in
    pack) do_pack ;;
    run) do_run ;;
    *) echo "usage: $0 pack|run" >&2; exit 2 ;;
esac
