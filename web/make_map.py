#!/usr/bin/env python3
"""Makes web/map_data.js, the land, coastlines and country borders the
page draws its places over, from Natural Earth's 1:50m country boundaries
(public domain) as the npm package world-atlas carries them (TopoJSON,
ISC licence).

    web/make_map.py [--workdir DIR]

The arcs are kept at a hundredth of a degree (about a kilometre), without
the points that lie within two hundredths of the line past them, each
point as the difference from the one before, so that the whole fits in a
few hundred KiB of the page. An arc that two countries share is a border;
one that only one country has is a coast.
"""

import argparse
import json
import subprocess
import tarfile
from collections import Counter
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PACKAGE = "world-atlas@2.0.2"


def topology(workdir):
    folder = workdir / "world-atlas"
    if not folder.exists():
        tarball = subprocess.run(["npm", "pack", PACKAGE, "--silent"], cwd=workdir, check=True, capture_output=True,
                                 text=True).stdout.strip().splitlines()[-1]
        folder.mkdir()
        with tarfile.open(workdir / tarball) as archive:
            archive.extractall(folder, filter="data")
    return json.loads((folder / "package" / "countries-50m.json").read_text())


def arcs_in_degrees(topo):
    """Each arc as its points in hundredths of a degree, repeats left out."""
    scale = topo["transform"]["scale"]
    translate = topo["transform"]["translate"]
    arcs = []
    for arc in topo["arcs"]:
        x = y = 0
        points = []
        for dx, dy in arc:
            x += dx
            y += dy
            point = (round((x * scale[0] + translate[0]) * 100), round((y * scale[1] + translate[1]) * 100))
            if not points or points[-1] != point:
                points.append(point)
        arcs.append(simplified(points))
    return arcs


def simplified(points, tolerance=2):
    """The points without those within `tolerance` of the line between the
    points kept around them (Douglas and Peucker); the ends are kept, so
    that arcs still meet."""
    if len(points) < 3:
        return points
    keep = [False] * len(points)
    keep[0] = keep[-1] = True
    stack = [(0, len(points) - 1)]
    while stack:
        first, last = stack.pop()
        (x0, y0), (x1, y1) = points[first], points[last]
        length = ((x1 - x0) ** 2 + (y1 - y0) ** 2) ** 0.5
        farthest, distance = None, tolerance
        for i in range(first + 1, last):
            x, y = points[i]
            d = (abs((x1 - x0) * (y0 - y) - (x0 - x) * (y1 - y0)) / length if length
                 else ((x - x0) ** 2 + (y - y0) ** 2) ** 0.5)
            if d > distance:
                farthest, distance = i, d
        if farthest is not None:
            keep[farthest] = True
            stack += [(first, farthest), (farthest, last)]
    return [point for point, kept in zip(points, keep) if kept]


def rings_of(topo):
    rings = []
    for geometry in topo["objects"]["countries"]["geometries"]:
        polygons = geometry["arcs"] if geometry["type"] == "MultiPolygon" else [geometry["arcs"]]
        for polygon in polygons:
            rings.extend(polygon)
    return rings


def encoded(points):
    """The points of an arc as numbers: the first, then each difference."""
    numbers = []
    previous = (0, 0)
    for point in points:
        numbers += [point[0] - previous[0], point[1] - previous[1]]
        previous = point
    return ",".join(map(str, numbers))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--workdir", type=Path, default=Path("/tmp/platsmarkeraren-map"))
    options = parser.parse_args()
    options.workdir.mkdir(parents=True, exist_ok=True)
    topo = topology(options.workdir)
    arcs = arcs_in_degrees(topo)
    rings = rings_of(topo)
    uses = Counter(index if index >= 0 else ~index for ring in rings for index in ring)
    borders = sorted(index for index, count in uses.items() if count > 1)
    data = {"arcs": ";".join(encoded(points) for points in arcs), "rings": rings, "borders": borders}
    text = ("// Land, coasts and country borders for the picture of the places: Natural Earth's 1:50m\n"
            "// country boundaries (public domain, naturalearthdata.com), from the npm package\n"
            f"// {PACKAGE} (ISC licence). Made by web/make_map.py; not to be edited by hand.\n"
            f"const kWorld = {json.dumps(data, separators=(',', ':'))};\n")
    (ROOT / "web" / "map_data.js").write_text(text)
    print(f"web/map_data.js: {len(text) / 1024:.0f} KiB, {len(arcs)} arcs, {len(rings)} rings")


if __name__ == "__main__":
    main()
