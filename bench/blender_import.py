#!/usr/bin/env python3
"""Blender importing big files: the VLMImport add-on against Blender's own importer of the format.

Every measurement runs in a fresh Blender process under /usr/bin/time -v; the import time is
taken inside Blender around the operator, the peak memory is the process's maximum RSS. For the
add-on the time is split into reading (vlmimport.load), hand-over to numpy and mesh building.

    python3 bench/blender_import.py [--addon-dir build/blender] [--bench-dir /tmp/vlmbench]
        [--formats obj,ply,dxf] [--who addon,blender] [--results FILE]

Results are kept in --results (JSON, default BENCH_DIR/blender_import.json): a run that is
already there is not repeated (--force repeats it), so Blender's own slow importers are
measured once. The files come from the shared benchmark kit's gen.py (--kit, default
../shared/bench beside the repository), written if missing.
"""
import argparse
import json
import os
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FILES = {"obj": "big.obj", "ply": "big_le.ply", "dxf": "big.dxf"}
GEN_KEYS = {"obj": "obj", "ply": "ply_le", "dxf": "dxf"}
PEER_NAMES = {"obj": "wm.obj_import", "ply": "import_mesh.ply", "dxf": "import_scene.dxf"}


# ---------------------------------------------------------------- inside Blender
def inner(args):
    import bpy

    def counts():
        meshes = [o.data for o in bpy.data.objects if o.type == 'MESH']
        return {"objects": len(bpy.data.objects),
                "vertices": sum(len(m.vertices) for m in meshes),
                "faces": sum(len(m.polygons) for m in meshes)}

    for o in list(bpy.data.objects):
        bpy.data.objects.remove(o)
    result = {}
    if args.who == "blender":
        if args.format == "dxf":
            import addon_utils
            addon_utils.enable("io_import_dxf", default_set=True)
        op = {"obj": bpy.ops.wm.obj_import, "ply": bpy.ops.import_mesh.ply,
              "dxf": bpy.ops.import_scene.dxf}[args.format]
        start = time.perf_counter()
        op(filepath=args.file)
        result["total_s"] = time.perf_counter() - start
    else:
        sys.path.insert(0, args.addon_dir)
        import io_import_vlmimport as addon
        addon.register()
        start = time.perf_counter()
        outcome = bpy.ops.import_scene.vlmimport(
            filepath=args.file, directory=os.path.dirname(args.file),
            files=[{"name": os.path.basename(args.file)}])
        result["total_s"] = time.perf_counter() - start
        if outcome != {'FINISHED'}:
            raise SystemExit("add-on import failed: %s" % outcome)
        result.update(addon.TIMINGS)
    result.update(counts())
    print("RESULT " + json.dumps(result), flush=True)


# ---------------------------------------------------------------- driver
def measure(blender, who, fmt, path, addon_dir):
    cmd = ["/usr/bin/time", "-v", blender, "-b", "--factory-startup", "--python-exit-code", "1",
           "--python", os.path.abspath(__file__), "--",
           "--inner", "--who", who, "--format", fmt, "--file", path, "--addon-dir", addon_dir]
    # Blender's embedded Python looks for its library through the python3 found in PATH; the
    # folder of the interpreter running this script (a venv or pyenv) is kept out of it.
    own = os.path.dirname(sys.executable)
    env = dict(os.environ, PATH=os.pathsep.join(
        p for p in os.environ.get("PATH", "").split(os.pathsep) if p and p != own))
    proc = subprocess.run(cmd, capture_output=True, text=True, env=env)
    found = re.search(r"^RESULT (.*)$", proc.stdout, re.M)
    rss = re.search(r"Maximum resident set size \(kbytes\): (\d+)", proc.stderr)
    if proc.returncode != 0 or not found or not rss:
        raise SystemExit("%s %s failed (exit %d):\n%s\n%s" % (
            who, fmt, proc.returncode, proc.stdout[-3000:], proc.stderr[-3000:]))
    result = json.loads(found.group(1))
    result["max_rss_mb"] = int(rss.group(1)) / 1024.0
    result["date"] = time.strftime("%Y-%m-%d")
    return result


def table(results, formats):
    lines = ["| format | importer | time s | read s | numpy s | build s | max RSS MB | objects "
             "| faces |", "|---|---|---:|---:|---:|---:|---:|---:|---:|"]
    for fmt in formats:
        for who in ("blender", "addon"):
            r = results.get("%s/%s" % (who, fmt))
            if not r:
                continue
            name = "VLMImport add-on" if who == "addon" else "Blender " + PEER_NAMES[fmt]
            part = lambda key: "%.2f" % r[key] if key in r else ""
            lines.append("| %s | %s | %.2f | %s | %s | %s | %.0f | %d | %d |" % (
                fmt, name, r["total_s"], part("load_s"), part("numpy_s"), part("build_s"),
                r["max_rss_mb"], r["objects"], r["faces"]))
        a, b = results.get("addon/" + fmt), results.get("blender/" + fmt)
        if a and b:
            lines.append("| %s | add-on / Blender | %.3f | | | | %.2f | | |" % (
                fmt, a["total_s"] / b["total_s"], a["max_rss_mb"] / b["max_rss_mb"]))
    return "\n".join(lines)


def main():
    if "--" in sys.argv:  # started by Blender
        parser = argparse.ArgumentParser()
        parser.add_argument("--inner", action="store_true")
        parser.add_argument("--who", choices=("addon", "blender"))
        parser.add_argument("--format", choices=tuple(FILES))
        parser.add_argument("--file")
        parser.add_argument("--addon-dir")
        inner(parser.parse_args(sys.argv[sys.argv.index("--") + 1:]))
        return
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--blender", default=os.environ.get("BLENDER", "blender"))
    parser.add_argument("--addon-dir", default=os.path.join(ROOT, "build", "blender"))
    parser.add_argument("--bench-dir", default=os.environ.get("BENCH_DIR", "/tmp/vlmbench"))
    parser.add_argument("--kit", default=os.path.join(os.path.dirname(ROOT), "shared", "bench"),
                        help="the shared benchmark kit, whose gen.py writes the files")
    parser.add_argument("--formats", default="obj,ply,dxf")
    parser.add_argument("--who", default="addon,blender")
    parser.add_argument("--results")
    parser.add_argument("--force", action="store_true")
    parser.add_argument("--runs", type=int, default=3,
                        help="runs of the add-on per format; the median run is kept")
    args = parser.parse_args()
    formats = args.formats.split(",")
    results_path = args.results or os.path.join(args.bench_dir, "blender_import.json")
    results = {}
    if os.path.exists(results_path):
        with open(results_path) as f:
            results = json.load(f)
    missing = [GEN_KEYS[f] for f in formats
               if not os.path.exists(os.path.join(args.bench_dir, FILES[f]))]
    if missing:
        subprocess.run([sys.executable, os.path.join(args.kit, "gen.py"), "--formats", ",".join(missing),
                        args.bench_dir], check=True)
    for fmt in formats:
        for who in args.who.split(","):
            key = "%s/%s" % (who, fmt)
            if key in results and not args.force:
                continue
            print("measuring", key, "...", file=sys.stderr, flush=True)
            runs = sorted((measure(args.blender, who, fmt, os.path.join(args.bench_dir, FILES[fmt]),
                                   os.path.abspath(args.addon_dir))
                           for _ in range(args.runs if who == "addon" else 1)),
                          key=lambda r: r["total_s"])
            results[key] = dict(runs[len(runs) // 2], runs_total_s=[r["total_s"] for r in runs])
            with open(results_path, "w") as f:
                json.dump(results, f, indent=1)
    print(table(results, formats))


if __name__ == "__main__":
    main()
