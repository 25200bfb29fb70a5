#!/usr/bin/env python3
"""Folder conversion: vlmhost --export-each against a shell loop over vlmhost --export and
against a loop over Assimp's `assimp export`, every input to .glb.

Two folders: SMALL files (the bundled samples, copied round-robin under numbered names) and LARGE files written by vlmgen (the formats in turn, LARGE_MB
each). Each way runs RUNS times per folder, the order rotated; medians are reported with
the inputs each way converted (Assimp reads no POV-Ray include files).

    bench/convert_folder.py --build build [--small 1000] [--large 10] [--large-mb 20]
"""
import argparse
import itertools
import os
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FORMATS = ("obj", "dxf", "3ds", "inc", "ply")
TIMEOUT = 10
GENERATED = ("obj", "ply_le", "3ds", "dxf", "inc", "ply_ascii", "obj_lf", "ply_be")


def sources():
    """The small inputs: the bundled samples of the five formats."""
    folder = os.path.join(ROOT, "examples")
    return [os.path.join(folder, name) for name in sorted(os.listdir(folder))
            if name.rsplit(".", 1)[-1].lower() in FORMATS]


def make_small(folder, count):
    os.makedirs(folder, exist_ok=True)
    if len(os.listdir(folder)) == count:
        return
    for i, source in zip(range(count), itertools.cycle(sources())):
        shutil.copyfile(source, os.path.join(folder, "%04d_%s" % (i, os.path.basename(source))))


def make_large(folder, count, mb, vlmgen):
    os.makedirs(folder, exist_ok=True)
    for i, key in zip(range(count), itertools.cycle(GENERATED)):
        ext = key.split("_")[0]
        out = os.path.join(folder, "%02d_%s.%s" % (i, key, ext))
        if not os.path.exists(out):
            subprocess.run([vlmgen, "--format", key, "--mb", str(mb), out], check=True,
                           stdout=subprocess.DEVNULL)


def outputs(folder):
    return len([n for n in os.listdir(folder) if n.endswith(".glb")]) if os.path.isdir(folder) else 0


def each(vlmhost, inputs, out):
    subprocess.run([vlmhost, "--quiet", "--export-each", out, "--to", "glb", inputs],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def loop(command, inputs, out):
    """One program run per input, as a shell loop would; a run past TIMEOUT seconds (a
    damaged file that a reader never finishes) is stopped and counts as not converted."""
    os.makedirs(out, exist_ok=True)
    for name in sorted(os.listdir(inputs)):
        target = os.path.join(out, name.rsplit(".", 1)[0] + ".glb")
        try:
            subprocess.run(command(os.path.join(inputs, name), target), timeout=TIMEOUT,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            pass


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build"))
    p.add_argument("--data", help="folder for the inputs (default BUILD/folder-bench)")
    p.add_argument("--small", type=int, default=1000)
    p.add_argument("--large", type=int, default=10)
    p.add_argument("--large-mb", type=float, default=20)
    p.add_argument("--runs", type=int, default=3)
    args = p.parse_args()
    vlmhost = os.path.join(args.build, "bin", "vlmhost")
    vlmgen = os.path.join(args.build, "bin", "vlmgen")
    assimp = shutil.which("assimp")
    data = args.data or os.path.join(args.build, "folder-bench")
    small, large = os.path.join(data, "small"), os.path.join(data, "large")
    make_small(small, args.small)
    make_large(large, args.large, args.large_mb, vlmgen)

    ways = {
        "vlmhost --export-each": lambda i, o: each(vlmhost, i, o),
        "loop: vlmhost --export": lambda i, o: loop(
            lambda f, t: [vlmhost, "--quiet", "--export", t, f], i, o),
    }
    if assimp:
        ways["loop: assimp export"] = lambda i, o: loop(
            lambda f, t: [assimp, "export", f, t], i, o)
    else:
        print("assimp not found (Debian assimp-utils): its loop is left out", file=sys.stderr)

    print("| inputs | way | seconds (median of %d) | .glb written |" % args.runs)
    print("|---|---|---:|---:|")
    for label, inputs in (("%d small" % args.small, small),
                          ("%d large, %g MB each" % (args.large, args.large_mb), large)):
        times = {way: [] for way in ways}
        written = {}
        order = list(ways)
        for run in range(args.runs):
            for way in order[run % len(order):] + order[:run % len(order)]:
                out = os.path.join(data, "out")
                shutil.rmtree(out, ignore_errors=True)
                start = time.perf_counter()
                ways[way](inputs, out)
                times[way].append(time.perf_counter() - start)
                written[way] = outputs(out)
        for way in ways:
            print("| %s | %s | %.2f | %d |" % (label, way, statistics.median(times[way]),
                                               written[way]))
    print("\n%d processors; vlmhost --export-each runs that many imports at once." %
          len(os.sched_getaffinity(0)))


if __name__ == "__main__":
    main()
