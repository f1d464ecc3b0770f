"""Frames per second of a graded EXR sequence: ofx-render with a bundled look,
oiiotool applying the same look exported to .cube, and a plain oiiotool read
and write with the same compression (the I/O floor), run in turns in one run,
with each run's peak memory. Run through bench/sequence/run.sh."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np
import OpenImageIO as oiio

FLAVOURS = {
    # name: (sample type, compression as oiiotool names it)
    "float-zip": ("float", "zip"),
    "half-piz": ("half", "piz"),
    "half-dwaa": ("half", "dwaa:45"),
}
FIRST_FRAME = 1001


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--ofx-render", required=True)
    parser.add_argument("--zelk-lut", required=True)
    parser.add_argument("--bundle", required=True)
    parser.add_argument("--oiiotool", required=True)
    parser.add_argument("--work", required=True, help="folder for the frames and outputs")
    parser.add_argument("--frames", type=int, default=10)
    parser.add_argument("--width", type=int, default=3840)
    parser.add_argument("--height", type=int, default=2160)
    parser.add_argument("--look", default="Film Print")
    parser.add_argument("--repeat", type=int, default=1, help="runs of each command; best kept")
    parser.add_argument("--flavours", default=",".join(FLAVOURS))
    return parser.parse_args()


def plate(width, height, index):
    """A log-encoded plate: soft gradients, a moving highlight and film grain."""
    rng = np.random.default_rng(1000 + index)
    y, x = np.mgrid[0:height, 0:width].astype(np.float32)
    u, v = x / width, y / height
    image = np.empty((height, width, 3), np.float32)
    for c, (sx, sy) in enumerate([(0.35, 0.10), (0.31, 0.14), (0.28, 0.17)]):
        image[..., c] = 0.25 + sx * u + sy * v
    cx, cy = 0.3 + 0.04 * index, 0.5
    glow = np.exp(-(((u - cx) * width / 400) ** 2 + ((v - cy) * height / 400) ** 2))
    image += glow[..., None] * np.array([0.20, 0.14, 0.10], np.float32)
    image += rng.normal(0.0, 0.004, image.shape).astype(np.float32)
    return image


def make_frames(args, flavour, folder):
    """The flavour's frames, written by OpenImageIO; kept while they match."""
    sample, compression = FLAVOURS[flavour]
    stamp = os.path.join(folder, "made")
    wanted = f"{args.frames} {args.width}x{args.height} {sample} {compression}\n"
    if os.path.exists(stamp) and open(stamp).read() == wanted:
        return
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    print(f"making {args.frames} frames of {flavour} in {folder}", flush=True)
    for i in range(args.frames):
        path = os.path.join(folder, f"plate.{FIRST_FRAME + i:04d}.exr")
        header = oiio.ImageSpec(args.width, args.height, 3,
                                oiio.FLOAT if sample == "float" else oiio.HALF)
        header.attribute("compression", compression)
        out = oiio.ImageOutput.create(path)
        if not out or not out.open(path, header) or not out.write_image(plate(args.width, args.height, i)):
            sys.exit(f"cannot write {path}: {oiio.geterror()}")
        out.close()
    with open(stamp, "w") as f:
        f.write(wanted)


def peak_kb(pid):
    """The process's peak resident memory so far (VmHWM), 0 once it has exited."""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def run_measured(command, out_folder):
    """Runs `command` into an empty `out_folder`: wall seconds, CPU seconds and peak KB.

    The peak is read from /proc while the command runs: the rusage of a child
    started from this (large) Python process would count this process's
    memory from before the child's exec."""
    shutil.rmtree(out_folder, ignore_errors=True)
    os.makedirs(out_folder)
    with tempfile.TemporaryFile() as errors:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=errors)
        peak = 0
        while True:
            pid, status, usage = os.wait4(process.pid, os.WNOHANG)
            if pid:
                break
            peak = max(peak, peak_kb(process.pid))
            time.sleep(0.01)
        seconds = time.perf_counter() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        if process.returncode != 0:
            errors.seek(0)
            sys.exit(f"failed: {' '.join(command)}\n{errors.read().decode(errors='replace')}")
    return seconds, usage.ru_utime + usage.ru_stime, peak


def max_difference(a, b):
    x = oiio.ImageBuf(a).get_pixels(oiio.FLOAT)
    y = oiio.ImageBuf(b).get_pixels(oiio.FLOAT)
    return float(np.max(np.abs(x - y)))


def main():
    args = parse_args()
    flavours = args.flavours.split(",")
    for f in flavours:
        if f not in FLAVOURS:
            sys.exit(f"unknown flavour {f} (known: {', '.join(FLAVOURS)})")
    os.makedirs(args.work, exist_ok=True)
    cube = os.path.join(args.work, "look.cube")
    subprocess.run([args.zelk_lut, "export", args.bundle, args.look, cube, "--curve", "tevo4", "-y"],
                   check=True, stdout=subprocess.DEVNULL)

    last = FIRST_FRAME + args.frames - 1
    frames = f"{FIRST_FRAME}-{last}"
    results = {}
    print(f"{os.cpu_count()} cores; load average before: {os.getloadavg()[0]:.2f}", flush=True)
    for flavour in flavours:
        folder = os.path.join(args.work, "frames", flavour)
        make_frames(args, flavour, folder)
        compression = FLAVOURS[flavour][1]
        source = os.path.join(folder, "plate.#.exr")
        outs = {t: os.path.join(args.work, "out", flavour, t) for t in ("plain", "graded", "ofx")}
        commands = {
            "plain": [args.oiiotool, "--frames", frames, source, "--compression", compression,
                      "-o", os.path.join(outs["plain"], "plate.#.exr")],
            "graded": [args.oiiotool, "--frames", frames, source, "--ociofiletransform", cube,
                       "--compression", compression, "-o", os.path.join(outs["graded"], "plate.#.exr")],
            "ofx": [args.ofx_render, "-q", "--bundle", args.bundle, "--set", f"printStock={args.look}",
                    os.path.join(folder, "plate.####.exr"),
                    os.path.join(outs["ofx"], "plate.####.exr")],
        }
        for _ in range(args.repeat):
            # In turns, so a change in the machine's load touches each alike.
            for tool, command in commands.items():
                measured = run_measured(command, outs[tool])
                best = results.get((flavour, tool))
                if best is None or measured[0] < best[0]:
                    results[(flavour, tool)] = measured
        first = f"plate.{FIRST_FRAME:04d}.exr"
        results[(flavour, "difference")] = max_difference(os.path.join(outs["ofx"], first),
                                                          os.path.join(outs["graded"], first))
    load_after = os.getloadavg()[0]
    report(args, flavours, results, load_after)


def report(args, flavours, results, load_after):
    names = {"plain": "oiiotool read + write (floor)",
             "graded": "oiiotool --ociofiletransform",
             "ofx": f"ofx-render \"{args.look}\""}
    print(f"\n{args.frames} frames of {args.width} x {args.height}, best of {args.repeat}; "
          f"load average after: {load_after:.2f}\n")
    print(f"{'flavour':<10} {'command':<32} {'seconds':>8} {'frames/s':>9} {'peak MB':>8} "
          f"{'CPU s/frame':>12} {'cores busy':>11}")
    for flavour in flavours:
        for tool in ("plain", "graded", "ofx"):
            seconds, cpu, peak = results[(flavour, tool)]
            print(f"{flavour:<10} {names[tool]:<32} {seconds:8.2f} {args.frames / seconds:9.2f} "
                  f"{peak / 1024:8.0f} {cpu / args.frames:12.2f} {cpu / seconds:11.2f}")
    print()
    print(f"{'flavour':<10} {'vs oiiotool graded':>19} {'vs floor time':>14} {'max difference':>15}")
    for flavour in flavours:
        plain, graded, ofx = (results[(flavour, t)][0] for t in ("plain", "graded", "ofx"))
        print(f"{flavour:<10} {graded / ofx:18.2f}x {ofx / plain:13.2f}x "
              f"{results[(flavour, 'difference')]:15.2e}")
    print("\nvs oiiotool graded: ofx-render's frames per second over oiiotool's (target >= 2);"
          "\nvs floor time: ofx-render's time over the plain read and write (target <= 1.2);"
          "\nmax difference: first frame, ofx-render against oiiotool's .cube (interpolation);"
          "\nCPU s/frame: user and system time per frame; cores busy: CPU time over wall time")


if __name__ == "__main__":
    main()
