#!/usr/bin/env python3
"""Times the drafts (-g) and the check (-k) on input shaped to be slow or to
take memory, each against plain input of the same size, and fails when a
shaped input takes more than three times as long as its plain twin, or the
check more memory than its bound.

    bench/hostile_input.py [--binary PATH] [--workdir DIR] [--scale F]

Each case is written anew into the work folder; each run is timed five
times and the fastest kept, since the runs are short. Prints a Markdown
table of the times, ratios and peak memory.
"""

import argparse
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LIMIT = 3.0

HEADER = b"0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 BIRT\n"


def row(geonameid, name, code, latitude=59.9, longitude=17.6, admin1="21", alternates=""):
    """One GeoNames line of 19 columns."""
    columns = [str(geonameid), name, name, alternates, f"{latitude:.5f}", f"{longitude:.5f}", "P" if code.startswith("PPL") else "A",
               code, "SE", "", admin1, "", "", "", "0", "", "0", "Europe/Stockholm", "2024-01-15"]
    return "\t".join(columns) + "\n"


def tree_of(places):
    return HEADER + b"".join(b"2 PLAC " + place.encode() + b"\n" for place in places)


def case_many_alternate_names(scale):
    """A county row with many alternate names, against a village row with
    the same names."""
    names = ",".join(f"Namn{i}" for i in range(int(50_000 * scale)))
    tree = tree_of(["Rasbo, Uppsala län"])
    county = row(1, "Uppsala län", "ADM1", alternates=names)
    village = row(1, "Uppsala by", "PPL", alternates=names)
    return tree, county, village


def case_many_parts(scale):
    """Places of thousands of comma-separated parts beside thousands of
    county rows, against places of one part."""
    counties = "".join(row(100 + i, f"Län{i}", "ADM1", admin1=str(i)) for i in range(int(4_000 * scale)))
    parts = ", ".join(f"Del{i}" for i in range(int(10_000 * scale)))
    shaped = tree_of([f"Ort{i}, {parts}" for i in range(10)])
    plain = tree_of([f"Ort{i}" + " " * len(parts) for i in range(10)])
    return (shaped, counties), (plain, counties)


def case_many_counties(scale):
    """Many county rows, against as many village rows."""
    count = int(100_000 * scale)
    tree = tree_of(["Rasbo, Uppsala län"])
    counties = "".join(row(i, f"Län{i}", "ADM1", admin1=str(i)) for i in range(count))
    villages = "".join(row(i, f"Län{i}", "PPL") for i in range(count))
    return tree, counties, villages


def case_one_latitude(scale):
    """Rows of one name strung along the equator, against the same number
    along a meridian."""
    count = int(20_000 * scale)
    tree = tree_of(["Berga"])
    along_parallel = "".join(row(i, "Berga", "PPL", 0.0, -179.9 + i * 359.8 / count) for i in range(count))
    along_meridian = "".join(row(i, "Berga", "PPL", -89.9 + i * 179.8 / count, 17.0) for i in range(count))
    # A cluster in one spot, rows a few metres apart.
    cluster = "".join(row(i, "Berga", "PPL", 60.0 + (i % 100) * 0.00001, 17.0 + (i // 100) * 0.00001)
                      for i in range(count))
    return tree, along_parallel, along_meridian, cluster


def case_one_name_of_many_rows(scale):
    """One name of 200,000 rows spread over the world, against 1,000 names
    of 200 rows each: as many rows found either way."""
    count = int(200_000 * scale)
    where = [(-80 + (i // 500) * 0.4, -170 + (i % 500) * 0.68) for i in range(count)]
    one_name = "".join(row(i, "Berga", "PPL", *where[i]) for i in range(count))
    many_names = "".join(row(i, f"Berga{i % 1000}", "PPL", *where[i]) for i in range(count))
    return (tree_of(["Berga"]), one_name), (tree_of([f"Berga{i}" for i in range(1000)]), many_names)


def timed(binary, args, work, statuses=(0,)):
    best = None
    peak = 0
    for _ in range(5):
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-f", "%M", binary, *args], cwd=work, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, check=False)
        seconds = time.perf_counter() - start
        if done.returncode not in statuses:
            sys.exit(f"{binary} {' '.join(args)} ended with {done.returncode}: {done.stderr.decode()[-300:]}")
        best = seconds if best is None else min(best, seconds)
        peak = max(peak, int(done.stderr.decode().strip().splitlines()[-1]))
    return best, peak / 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", default=str(ROOT / "build" / "release" / "app" / "platsmarkeraren"))
    parser.add_argument("--workdir", type=Path, default=Path("/tmp/platsmarkeraren-hostile"))
    parser.add_argument("--scale", type=float, default=1.0)
    options = parser.parse_args()
    options.binary = str(Path(options.binary).resolve())
    work = options.workdir
    work.mkdir(parents=True, exist_ok=True)
    (work / "empty.txt").write_bytes(b"")

    pairs = []  # (what, shaped (tree, gazetteer), plain (tree, gazetteer))
    tree, county, village = case_many_alternate_names(options.scale)
    pairs.append(("a county row of 50,000 names", (tree, county), (tree, village)))
    shaped, plain = case_many_parts(options.scale)
    pairs.append(("10 places of 10,000 parts, 4,000 counties", shaped, plain))
    tree, counties, villages = case_many_counties(options.scale)
    pairs.append(("100,000 county rows", (tree, counties), (tree, villages)))
    tree, parallel, meridian, cluster = case_one_latitude(options.scale)
    pairs.append(("20,000 rows of one name along a parallel", (tree, parallel), (tree, meridian)))
    pairs.append(("20,000 rows of one name within 10 m", (tree, cluster), (tree, meridian)))
    shaped, plain = case_one_name_of_many_rows(options.scale)
    pairs.append(("one name of 200,000 rows, against 1,000 names of 200", shaped, plain))

    failed = False
    print("| input (-g) | shaped: s | plain: s | ratio | shaped: MiB | plain: MiB |")
    print("|---|---:|---:|---:|---:|---:|")
    for what, (shaped_tree, shaped_rows), (plain_tree, plain_rows) in pairs:
        results = []
        for name, (tree_bytes, rows) in (("shaped", (shaped_tree, shaped_rows)), ("plain", (plain_tree, plain_rows))):
            (work / f"{name}.ged").write_bytes(tree_bytes)
            (work / f"{name}.txt").write_text(rows, encoding="utf-8")
            results.append(timed(options.binary, ["-g", f"{name}.ged", "empty.txt", f"{name}.txt"], work))
        ratio = results[0][0] / results[1][0]
        failed |= ratio > LIMIT
        print(f"| {what} | {results[0][0]:.3f} | {results[1][0]:.3f} | {ratio:.2f} | {results[0][1]:.1f} | {results[1][1]:.1f} |")

    # The check writes its findings as it finds them: a finding on every
    # line of a large coordinate file needs no memory for each.
    blocks = int(1_000_000 * options.scale)
    faulty = b"".join(b"2 PLAC P%d\n3 MAP\n4 LATI 60.5\n4 LONG 17.5\n3 NOTE x\n3 NOTE y\n" % i for i in range(blocks))
    (work / "faulty.txt").write_bytes(faulty)
    (work / "tree.ged").write_bytes(HEADER)
    seconds, peak = timed(options.binary, ["-k", "tree.ged", "faulty.txt"], work, statuses=(1,))
    allowed = 7 * len(faulty) / 2**20 + 16
    failed |= peak > allowed
    print(f"\n-k on a coordinate file of {len(faulty) / 2**20:.1f} MiB with two findings in every block: "
          f"{seconds:.3f} s, {peak:.1f} MiB (bound {allowed:.1f} MiB: seven times the file and 16 MiB)")
    if failed:
        print(f"FAILED: a ratio above {LIMIT}, or memory above its bound", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
