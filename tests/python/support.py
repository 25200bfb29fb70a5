"""Where the Python tests find the built package, vlmhost, vlmgen and the data."""

import json
import os
import subprocess
import sys

BUILD = os.environ["VLM_BUILD_DIR"]
EXAMPLES = os.environ["VLM_EXAMPLES_DIR"]
TEST_DATA = os.environ["VLM_TEST_DATA_DIR"]
VLMHOST = os.path.join(BUILD, "bin", "vlmhost")
VLMGEN = os.path.join(BUILD, "bin", "vlmgen")
sys.path.insert(0, os.path.join(BUILD, "python"))

FORMATS = ("obj", "dxf", "3ds", "inc", "ply")


def samples():
    """Every sample of examples/."""
    return sorted(os.path.join(EXAMPLES, f) for f in os.listdir(EXAMPLES)
                  if f.rsplit(".", 1)[-1] in FORMATS)


def golden_inputs():
    """Every input of the golden scenes, with the vlmhost arguments it is imported with."""
    found = []
    for fmt in FORMATS:
        folder = os.path.join(TEST_DATA, fmt)
        for name in sorted(os.listdir(folder)):
            if not name.endswith("." + fmt):
                continue
            path = os.path.join(folder, name)
            args_file = path.rsplit(".", 1)[0] + ".args"
            args = open(args_file).read().split() if os.path.exists(args_file) else []
            found.append((path, args))
    return found


def vlmhost_json(path, *args):
    """vlmhost's report of importing `path`, with the geometry."""
    run = subprocess.run([VLMHOST, "--json", "--geometry", "--quiet", *args, path],
                         capture_output=True, check=False)
    return json.loads(run.stdout)


def generate(fmt, mb, out):
    subprocess.run([VLMGEN, "--format", fmt, "--mb", str(mb), out], check=True,
                   capture_output=True)
