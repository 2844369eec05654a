#!/usr/bin/env python3
"""Measures the drafts (-g) and the audit (-k with a gazetteer) on a real
tree written by others: Gramps' example tree, which Debian's gramps
package installs, exported to GEDCOM by Gramps itself.

    bench/gramps_example.py GAZETTEER [--binary PATH] [--workdir DIR] [--tree GED]

GAZETTEER is a GeoNames file (bench/real_gazetteer.py makes one of real
rows). The tree's own coordinates, recovered with -t, are the truth: the
tree without them is drafted, and each drafted block is compared with its
authors' coordinates. Then the tree's coordinates are audited as a
coordinate file. Prints the shares and the times.
"""

import argparse
import math
import os
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
EXAMPLE = Path("/usr/share/doc/gramps/example/gramps/example.gramps")


def exported(workdir):
    tree = workdir / "example.ged"
    if not tree.exists():
        subprocess.run(["gramps", "-y", "-C", "example", "-i", str(EXAMPLE), "-e", str(tree)], check=True,
                       capture_output=True, env={**os.environ, "GRAMPSHOME": tempfile.mkdtemp()})
    return tree


def degrees(value):
    return (-1 if value[0] in "SW" else 1) * float(value[1:])


def blocks(text):
    """Place text -> (latitude, longitude) of each block in a coordinate file."""
    found = {}
    lines = text.splitlines()
    for i, line in enumerate(lines):
        if not line.startswith("2 PLAC "):
            continue
        block = lines[i + 1:i + 6]
        latitude = next((l.split()[2] for l in block if " LATI " in l), None)
        longitude = next((l.split()[2] for l in block if " LONG " in l), None)
        if latitude and longitude:
            found[line[7:]] = (degrees(latitude), degrees(longitude))
    return found


def kilometres(a, b):
    north = math.radians(b[0] - a[0])
    east = math.radians(b[1] - a[1])
    h = math.sin(north / 2) ** 2 + math.cos(math.radians(a[0])) * math.cos(math.radians(b[0])) * math.sin(east / 2) ** 2
    return 2 * 6371 * math.asin(min(1, math.sqrt(h)))


def timed(command, **options):
    start = time.perf_counter()
    done = subprocess.run(command, capture_output=True, check=False, **options)
    return done, time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("gazetteer", type=Path)
    parser.add_argument("--binary", default=str(ROOT / "build" / "release" / "app" / "platsmarkeraren"))
    parser.add_argument("--workdir", type=Path, default=Path("/tmp/platsmarkeraren-gramps"))
    parser.add_argument("--tree", type=Path, help="a GEDCOM file instead of Gramps' example tree")
    options = parser.parse_args()
    work = options.workdir
    work.mkdir(parents=True, exist_ok=True)
    tree = options.tree or exported(work)
    empty = work / "empty.txt"
    empty.write_bytes(b"")

    recovered, _ = timed([options.binary, "-t", tree, empty])
    truth_file = work / "truth.txt"
    truth_file.write_bytes(recovered.stdout)
    truth = blocks(recovered.stdout.decode("utf-8", "replace"))
    bare = work / "bare.ged"
    text = tree.read_bytes().decode("utf-8", "replace")
    bare.write_text(re.sub(r"\n3 MAP\n4 LATI [^\n]*\n4 LONG [^\n]*", "", text), encoding="utf-8")

    draft, draft_seconds = timed([options.binary, "-g", bare, empty, options.gazetteer])
    if draft.returncode != 0:
        sys.exit(draft.stderr.decode())
    drafted = blocks(draft.stdout.decode("utf-8", "replace"))
    places = len(set(re.findall(r"^2 PLAC (.*)$", text, re.M)))
    notes = draft.stdout.decode("utf-8", "replace")
    undecided = len(re.findall(r"^# .*: flera orter", notes, re.M))
    only_divisions = len(re.findall(r"^# .*: ett land, ett län", notes, re.M))
    unknown = len(re.findall(r"^# .*: (ingen ort|namnet finns inte)", notes, re.M))
    near = far = 0
    farthest = []
    for place, where in truth.items():
        if place not in drafted:
            continue
        distance = kilometres(where, drafted[place])
        if distance <= 15:
            near += 1
        else:
            far += 1
            farthest.append((distance, place))
    known = len(truth)
    print(f"tree: {tree.name}, {places} distinct places, {known} with their authors' coordinates")
    print(f"-g: {len(drafted)} drafted, {undecided} undecided, {unknown} unknown, {only_divisions} only a division, "
          f"in {draft_seconds:.2f} s")
    print(f"of the {known} with coordinates: {near} drafted within 15 km ({100 * near / max(known, 1):.1f} %), "
          f"{far} farther ({100 * far / max(known, 1):.1f} %), {known - near - far} not drafted")
    for distance, place in sorted(farthest, reverse=True)[:10]:
        print(f"  {distance:.0f} km: {place}")

    audit, audit_seconds = timed([options.binary, "-k", tree, truth_file, options.gazetteer])
    lines = audit.stdout.decode("utf-8", "replace").splitlines()
    findings = [line for line in lines if " ligger " in line]
    print(f"-k with the gazetteer on the tree's own coordinates: {len(findings)} blocks far from their places, "
          f"in {audit_seconds:.2f} s; {lines[-1] if lines else 'nothing found'}")
    for line in findings:
        print("  " + line.split(": varning: ", 1)[1])


if __name__ == "__main__":
    main()
