#!/usr/bin/env python3
"""Prints line and branch coverage per folder of src/ from gcovr's JSON summary.

    tools/coverage_table.py build-coverage/coverage.json
"""
import json
import sys
from collections import defaultdict


def percent(covered, total):
    return f"{100.0 * covered / total:5.1f} %" if total else "    -  "


def main(path):
    with open(path, encoding="utf-8") as f:
        summary = json.load(f)
    folders = defaultdict(lambda: [0, 0, 0, 0])
    for entry in summary["files"]:
        parts = entry["filename"].split("/")
        folder = "/".join(parts[:2]) if parts[0] == "src" and len(parts) > 2 else parts[0]
        counts = folders[folder]
        counts[0] += entry["line_covered"]
        counts[1] += entry["line_total"]
        counts[2] += entry["branch_covered"]
        counts[3] += entry["branch_total"]
    print(f"{'folder':<16} {'lines':>15} {'':>7}  {'branches':>15} {'':>7}")
    total = [0, 0, 0, 0]
    for folder in sorted(folders):
        lc, lt, bc, bt = folders[folder]
        total = [a + b for a, b in zip(total, folders[folder])]
        print(f"{folder:<16} {lc:>7}/{lt:<7} {percent(lc, lt)}  {bc:>7}/{bt:<7} {percent(bc, bt)}")
    lc, lt, bc, bt = total
    print(f"{'all of src/':<16} {lc:>7}/{lt:<7} {percent(lc, lt)}  {bc:>7}/{bt:<7} {percent(bc, bt)}")


if __name__ == "__main__":
    main(sys.argv[1])
