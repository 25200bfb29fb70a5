#!/usr/bin/env python3
"""Import benchmark: our importers (vlmhost --stats) against peer importers.

Generates one file per format with vlmgen (once; kept in the data folder), warms the
page cache, runs ours and every peer that reads the format RUNS times, interleaved, and
prints a table of median load seconds, MB/s and peak RSS, our median as a ratio of each
peer's, and whether each target is met. A missed target is reported, not an error: the
exit status is 0 unless the programs cannot be found or a file cannot be generated.

    bench/run.py [--build DIR] [--data DIR] [--runs N] [--scale X] [--formats obj,3ds]
                 [--baseline DIR] [--busy] [--cpus LIST]
                 [--tunables glibc.malloc.hugetlb=1] [--report FILE] [--raw FILE]

--baseline runs another build's vlmhost beside ours ("base"); --busy keeps one processor
busy with `yes` throughout, as a user's other work would; --cpus runs every program under
`taskset -c LIST`.

Standard library only (Debian's python3-minimal is enough).
"""
import argparse
import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# key -> (file extension, default size in MB)
FORMATS = {
    "obj": (".obj", 100), "obj_lf": (".obj", 100), "ply_ascii": (".ply", 200),
    "ply_le": (".ply", 100), "ply_be": (".ply", 100), "3ds": (".3ds", 75),
    "dxf": (".dxf", 100), "inc": (".inc", 100),
}

# program -> (binary in BUILD/bin, extra arguments before the file, formats it reads)
PROGRAMS = {
    "ours": ("vlmhost", ["--stats"], list(FORMATS)),
    "tinyobj": ("peer_tinyobj", [], ["obj", "obj_lf"]),
    "assimp": ("peer_assimp", [], ["obj", "obj_lf", "ply_ascii", "ply_le", "ply_be", "3ds",
                                   "dxf"]),
    "lib3ds": ("peer_lib3ds", [], ["3ds"]),
    "scan-ff": ("peer_scanff", [], ["dxf", "inc"]),
    "read": ("peer_scanff", ["--read"], ["3ds"]),
}
# Programs that bound a reader rather than read the format: no peak memory to compare.
BOUNDS = {"read", "base"}

# (format, peer, highest ratio of our median load time to the peer's)
TIME_TARGETS = [
    ("obj", "tinyobj", 0.45), ("obj", "assimp", 0.45), ("obj_lf", "tinyobj", 0.45),
    ("ply_le", "assimp", 0.4), ("ply_be", "assimp", 0.4), ("ply_ascii", "assimp", 0.65),
    ("3ds", "assimp", 0.1), ("3ds", "lib3ds", 0.5), ("3ds", "read", 1.3),
    ("dxf", "assimp", 0.45), ("dxf", "scan-ff", 1.0), ("inc", "scan-ff", 1.0),
]
MAX_RSS_TIMES_FILE = 2.0
# Ours against another build of ours (same run).
BASELINE_LIMIT = 1.15


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build-bench"),
                   help="build folder holding bin/vlmhost, bin/vlmgen and bin/peer_*")
    p.add_argument("--data", help="folder for the generated files (default BUILD/data)")
    p.add_argument("--runs", type=int, default=int(os.environ.get("RUNS", "5")))
    p.add_argument("--scale", type=float, default=float(os.environ.get("MB_SCALE", "1")),
                   help="multiplies every file size (0.05 for a quick try)")
    p.add_argument("--formats", default=os.environ.get("FORMATS", ""),
                   help="comma-separated format keys (default: all)")
    p.add_argument("--peers", default=os.environ.get("PEERS", ""),
                   help="comma-separated program names to run besides ours (default: all)")
    p.add_argument("--tunables", default=os.environ.get("BENCH_TUNABLES", ""),
                   help="GLIBC_TUNABLES for every program alike (default: none for any)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--baseline", help="another build folder whose vlmhost runs as \"base\"")
    p.add_argument("--busy", action="store_true",
                   help="keep one processor busy (yes > /dev/null) while measuring")
    p.add_argument("--cpus", help="run every program under taskset -c CPUS")
    p.add_argument("--report", help="also write the report here (default BUILD/bench-report.md)")
    p.add_argument("--raw", help="write one line per run (TSV) here")
    a = p.parse_args()
    a.data = a.data or os.path.join(a.build, "data")
    a.report = a.report or os.path.join(a.build, "bench-report.md")
    a.formats = [f for f in a.formats.split(",") if f] or list(FORMATS)
    unknown = [f for f in a.formats if f not in FORMATS]
    if unknown:
        p.error("unknown format(s): %s; known: %s" % (",".join(unknown), ",".join(FORMATS)))
    a.peers = [x for x in a.peers.split(",") if x]
    if a.runs < 1:
        p.error("--runs must be at least 1")
    return a


def log(text):
    print(text, file=sys.stderr, flush=True)


# ---------------------------------------------------------------- data files
def file_stamp(path):
    st = os.stat(path)
    return "%d:%d" % (st.st_size, st.st_mtime_ns)


def generate(args, vlmgen):
    """Writes each file unless the manifest says it is already there with the same size,
    seed and generator; returns {format: manifest entry}."""
    os.makedirs(args.data, exist_ok=True)
    manifest_path = os.path.join(args.data, "manifest.json")
    try:
        with open(manifest_path) as f:
            manifest = json.load(f)
    except (OSError, ValueError):
        manifest = {}
    stamp = file_stamp(vlmgen)
    for fmt in args.formats:
        ext, mb = FORMATS[fmt]
        mb = round(mb * args.scale, 3)
        path = os.path.join(args.data, "bench_%s%s" % (fmt, ext))
        entry = manifest.get(fmt, {})
        wanted = {"mb": mb, "seed": args.seed, "vlmgen": stamp}
        if (all(entry.get(k) == v for k, v in wanted.items()) and os.path.exists(path)
                and os.path.getsize(path) == entry.get("bytes")):
            continue
        log("generating %s (%s MB)" % (path, mb))
        out = subprocess.run([vlmgen, "--format", fmt, "--mb", str(mb), "--seed",
                              str(args.seed), path], check=True, capture_output=True, text=True)
        entry = dict(wanted, path=path, **{k: int(v) for k, v in key_values(out.stdout).items()})
        manifest[fmt] = entry
        with open(manifest_path, "w") as f:
            json.dump(manifest, f, indent=1, sort_keys=True)
    return manifest


def warm(path):
    with open(path, "rb", buffering=0) as f:
        while f.read(1 << 24):
            pass


# ---------------------------------------------------------------- running
def key_values(text):
    return dict(re.findall(r"([A-Za-z_]+)=(\S+)", text))


GNU_TIME = "/usr/bin/time"


def run_once(argv, env):
    """Runs argv; returns (status, stdout, stderr tail, peak RSS in KiB).

    The peak RSS comes from GNU time when it is there: a child forked by this (larger)
    Python process starts with the parent's resident pages counted, which would put a
    floor of the driver's own size under every program's peak."""
    out_read, out_write = os.pipe()
    with tempfile.TemporaryFile() as err, tempfile.NamedTemporaryFile("r") as rss_file:
        timed = os.access(GNU_TIME, os.X_OK)
        if timed:
            argv = [GNU_TIME, "-f", "%M", "-o", rss_file.name] + argv
        actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
                   (os.POSIX_SPAWN_DUP2, out_write, 1),
                   (os.POSIX_SPAWN_DUP2, err.fileno(), 2),
                   (os.POSIX_SPAWN_CLOSE, out_read)]
        pid = os.posix_spawn(argv[0], argv, env, file_actions=actions)
        os.close(out_write)
        chunks = []
        while True:
            chunk = os.read(out_read, 65536)
            if not chunk:
                break
            chunks.append(chunk)
        os.close(out_read)
        _, status, usage = os.wait4(pid, 0)
        err.seek(0)
        tail = err.read()[-400:].decode(errors="replace").strip()
        peak = usage.ru_maxrss
        if timed:
            lines = rss_file.read().split()
            peak = int(lines[-1]) if lines and lines[-1].isdigit() else 0
    code = os.waitstatus_to_exitcode(status)
    return code, b"".join(chunks).decode(errors="replace"), tail, peak


def program_env(args):
    env = dict(os.environ)
    env.pop("GLIBC_TUNABLES", None)
    if args.tunables:
        env["GLIBC_TUNABLES"] = args.tunables
    # vlmhost keeps the dialog's settings here, away from the user's own.
    env["XDG_CONFIG_HOME"] = os.path.join(args.build, "bench-config")
    return env


def add_variants(args):
    """The programs of this run: PROGRAMS, with another build of ours as the baseline."""
    if args.baseline:
        PROGRAMS["base"] = (os.path.join(os.path.abspath(args.baseline), "bin", "vlmhost"),
                            ["--stats"], list(FORMATS))


def binary_path(args, binary):
    return binary if os.path.isabs(binary) else os.path.join(args.build, "bin", binary)


def programs_for(fmt, args):
    names = []
    for name, (binary, _, fmts) in PROGRAMS.items():
        ours = name in ("ours", "base")
        if fmt not in fmts or (not ours and args.peers and name not in args.peers):
            continue
        if not os.access(binary_path(args, binary), os.X_OK):
            if ours:
                sys.exit("bench: %s not built in %s" % (binary, args.build))
            log("bench: %s not built (its package is missing?), skipped" % binary)
            continue
        names.append(name)
    return names


def measure(args, manifest):
    """Returns {(format, program): [run, ...]} with run = dict(ok, load_s, rss_kb, kv, err)."""
    env = program_env(args)
    prefix = [shutil.which("taskset") or "/usr/bin/taskset", "-c", args.cpus] if args.cpus else []
    results = {}
    raw = open(args.raw, "w") if args.raw else None
    busy = subprocess.Popen(["yes"], stdout=subprocess.DEVNULL) if args.busy else None
    for fmt in args.formats:
        path = manifest[fmt]["path"]
        names = programs_for(fmt, args)
        warm(path)
        for r in range(args.runs):
            order = names[r % len(names):] + names[:r % len(names)]  # rotate: no fixed slot
            for name in order:
                binary, extra, _ = PROGRAMS[name]
                argv = prefix + [binary_path(args, binary)] + extra + [path]
                code, out, err, rss = run_once(argv, env)
                kv = key_values(out)
                ok = code == 0 and "load_s" in kv
                run = {"ok": ok, "load_s": float(kv["load_s"]) if ok else None, "rss_kb": rss,
                       "kv": kv, "err": err if not ok else ""}
                results.setdefault((fmt, name), []).append(run)
                log("  %-9s %-8s run %d: %s" % (fmt, name, r + 1,
                                                out.strip() if ok else "FAILED " + err))
                if raw:
                    raw.write("%s\t%s\t%d\t%s\t%d\t%s\n" % (fmt, name, r + 1, run["load_s"],
                                                            rss, out.strip()))
    if raw:
        raw.close()
    if busy:
        busy.kill()
        busy.wait()
    return results


# ---------------------------------------------------------------- report
def summary(runs):
    good = [r for r in runs if r["ok"]]
    if not good:
        return None
    return {"load_s": statistics.median(r["load_s"] for r in good),
            "rss_mb": statistics.median(r["rss_kb"] for r in good) / 1024.0,
            "kv": good[-1]["kv"], "failed": len(runs) - len(good)}


def command_line(argv):
    try:
        return subprocess.run(argv, capture_output=True, text=True).stdout
    except OSError:
        return ""


def machine(args):
    model = re.search(r"Model name:\s*(.+)", command_line(["lscpu"]))
    mem = re.search(r"MemTotal:\s*(\d+)", open("/proc/meminfo").read())
    compiler = "?"
    try:
        cache = open(os.path.join(args.build, "CMakeCache.txt")).read()
        cxx = re.search(r"CMAKE_CXX_COMPILER:\w+=(.+)", cache).group(1).strip()
        btype = re.search(r"CMAKE_BUILD_TYPE:\w+=(.*)", cache).group(1).strip()
        compiler = "%s, %s build" % (command_line([cxx, "--version"]).splitlines()[0], btype)
    except (OSError, AttributeError, IndexError):
        pass
    return ("%s, %d cores, %.0f GiB RAM, Linux %s; %s" % (
        model.group(1).strip() if model else platform.processor() or "?", os.cpu_count(),
        int(mem.group(1)) / 1048576 if mem else 0, platform.release(), compiler))


def cell(value, fmt):
    return fmt % value if value is not None else "-"


def counts_note(fmt, name, s, manifest):
    kv = s["kv"]
    if name == "ours":
        expected = manifest[fmt]
        if (int(kv.get("verts", -1)), int(kv.get("faces", -1))) != (expected["verts"],
                                                                     expected["faces"]):
            return "%s / %s (expected %d / %d)" % (kv.get("verts"), kv.get("faces"),
                                                   expected["verts"], expected["faces"])
    if "numbers" in kv:
        return "%s numbers" % kv["numbers"]
    if "bytes" in kv:
        return "%s bytes" % kv["bytes"]
    return "%s / %s" % (kv.get("verts", "?"), kv.get("faces", "?"))


def timing_table(args, manifest, sums):
    lines = ["| format | MB | program | median s | MB/s | peak RSS MB | verts / faces | "
             "ours / this |", "|---|---:|---|---:|---:|---:|---|---:|"]
    for fmt in args.formats:
        mb = manifest[fmt]["bytes"] / 1e6
        ours = sums.get((fmt, "ours"))
        for name in PROGRAMS:
            if (fmt, name) not in sums:
                continue
            s = sums[(fmt, name)]
            if s is None:
                lines.append("| %s | %.1f | %s | FAILED | | | | |" % (fmt, mb, name))
                continue
            ratio = ours["load_s"] / s["load_s"] if ours and s["load_s"] > 0 else None
            lines.append("| %s | %.1f | %s | %.3f | %.0f | %.0f | %s | %s |" % (
                fmt, mb, name, s["load_s"], mb / s["load_s"] if s["load_s"] > 0 else 0,
                s["rss_mb"], counts_note(fmt, name, s, manifest), cell(ratio, "%.2f")))
    return lines


def status(value, limit):
    if value is None:
        return "n/a"
    return "met" if value <= limit else "NOT MET"


def target_table(args, manifest, sums):
    lines = ["| format | target | ours | reference | ratio | limit | status |",
             "|---|---|---:|---:|---:|---:|---|"]
    # On one processor the earlier build had no second one to gain from: no slower than it.
    one_processor = args.cpus is not None and re.fullmatch(r"\d+", args.cpus) is not None
    variants = [(fmt, "base", 1.0 if one_processor else BASELINE_LIMIT) for fmt in FORMATS]
    for fmt, peer, limit in TIME_TARGETS + variants:
        if fmt not in args.formats or (fmt, peer) not in sums:
            continue
        ours, other = sums.get((fmt, "ours")), sums[(fmt, peer)]
        ratio = ours["load_s"] / other["load_s"] if ours and other else None
        lines.append("| %s | time vs %s | %s s | %s s | %s | %.2f | %s |" % (
            fmt, peer, cell(ours and ours["load_s"], "%.3f"), cell(other and other["load_s"],
            "%.3f"), cell(ratio, "%.2f"), limit, status(ratio, limit)))
    for fmt in args.formats:
        ours = sums.get((fmt, "ours"))
        peers = [(s["rss_mb"], name) for (f, name), s in sums.items()
                 if f == fmt and name != "ours" and name not in BOUNDS and s is not None]
        if peers:
            low, name = min(peers)
            ratio = ours["rss_mb"] / low if ours else None
            lines.append("| %s | peak RSS vs lowest peer (%s) | %s MB | %.0f MB | %s | 1.00 | %s |"
                         % (fmt, name, cell(ours and ours["rss_mb"], "%.0f"), low,
                            cell(ratio, "%.2f"), status(ratio, 1.0)))
        file_mb = manifest[fmt]["bytes"] / 1048576.0
        ratio = ours["rss_mb"] / file_mb if ours else None
        lines.append("| %s | peak RSS vs file size | %s MB | %.0f MB | %s | %.2f | %s |" % (
            fmt, cell(ours and ours["rss_mb"], "%.0f"), file_mb, cell(ratio, "%.2f"),
            MAX_RSS_TIMES_FILE, status(ratio, MAX_RSS_TIMES_FILE)))
    return lines


def report(args, manifest, results, started, load_before):
    sums = {key: summary(runs) for key, runs in results.items()}
    failures = ["- %s %s: %d of %d runs failed: %s" % (f, n, sum(not r["ok"] for r in runs),
                len(runs), next(r["err"] for r in runs if not r["ok"]))
                for (f, n), runs in results.items() if any(not r["ok"] for r in runs)]
    head = [
        "Machine: %s" % machine(args),
        "Run: %s; runs per program and file: %d, interleaved; medians; load average %s before, "
        "%s after;%s%s "
        "GLIBC_TUNABLES: %s; peak RSS from %s" % (
            started, args.runs, load_before, "%.2f" % os.getloadavg()[0],
            " one processor kept busy;" if args.busy else "",
            " every program on processors %s;" % args.cpus if args.cpus else "",
            args.tunables or "none", "GNU time" if os.access(GNU_TIME, os.X_OK) else
            "wait4 (includes the driver's own size: install the time package)"),
        "",
    ]
    text = "\n".join(head + timing_table(args, manifest, sums) + [""] +
                     target_table(args, manifest, sums) + ([""] + failures if failures else []))
    print(text)
    with open(args.report, "w") as f:
        f.write(text + "\n")
    log("\nreport written to %s" % args.report)


def main():
    args = parse_args()
    add_variants(args)
    vlmgen = os.path.join(args.build, "bin", "vlmgen")
    if not os.access(vlmgen, os.X_OK):
        sys.exit("bench: %s not found; build first (bench/make-bench.sh)" % vlmgen)
    manifest = generate(args, vlmgen)
    started = time.strftime("%Y-%m-%d %H:%M")
    load_before = "%.2f" % os.getloadavg()[0]
    results = measure(args, manifest)
    report(args, manifest, results, started, load_before)


if __name__ == "__main__":
    main()
