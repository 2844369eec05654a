#!/usr/bin/env python3
"""Times whole runs of platsmarkeraren against a plain copy of the same
number of bytes and against an awk hash join, over several rounds, and
prints a Markdown table of medians and peak memory.

    bench/run_benchmark.py [--persons N] [--places N] [--rounds N]
    bench/run_benchmark.py --memory-check
    bench/run_benchmark.py --gazetteer [--rows N] [--rounds N]
    bench/run_benchmark.py --browser [--persons N] [--places N] [--rounds N]

The memory check merges a genealogy file of about 1 GiB and fails when the
peak resident memory passes three times the coordinate file plus 16 MiB.

The gazetteer benchmark drafts blocks (-g) for a tree of 2,000 place lines
from a generated GeoNames file of 12 million rows (about 1.4 GB, the size
of the world file) and times it against `wc -l` of the same file; then,
zipped as GeoNames offers it, against `unzip -p` of the archive to
/dev/null, and checks that the draft is the same.

The browser benchmark times the page's merge in the system's Chromium
(bench/browser_benchmark.mjs, with the browser tests' npm packages) against
the program held to one core, and against the same browser copying the
output's bytes as the page hands on its output.

Builds a Release binary with the 'bench' preset and generates its data
with bench/generate_data (deterministic), in --workdir. Every compared run
must produce the same bytes as the program, or the script fails.
"""

import argparse
import filecmp
import json
import os
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build" / "bench"

AWK_JOIN = r"""
NR == FNR {
  line[FNR] = $0; count = FNR
  if (index($0, "2 PLAC ") && !($0 in twin)) twin[$0] = FNR
  next
}
{
  print
  if (index($0, "2 PLAC ") && ($0 in twin))
    for (i = twin[$0] + 1; i <= twin[$0] + 5 && i <= count; i++) print line[i]
}
"""


def run(command, stdout=subprocess.DEVNULL):
    """Runs `command`; returns (seconds, peak resident KiB). GNU time reads
    the peak, since a child of this script would inherit the script's own."""
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "%M", *map(str, command)], stdout=stdout,
                          stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"failed ({done.returncode}): {' '.join(map(str, command))}: "
                 f"{done.stderr.decode()}")
    return seconds, int(done.stderr.decode().split()[-1])


def build():
    for command in (["cmake", "--preset", "bench"], ["cmake", "--build", "--preset", "bench"]):
        subprocess.run(command, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


def generate(work, persons, places):
    tree = work / f"tree-{persons}-{places}.ged"
    coordinates = work / f"coordinates-{places}.txt"
    decoys = work / f"coordinates-{places}-x10.txt"
    generator = BUILD / "bench" / "generate_data"
    if not tree.exists():
        subprocess.run([generator, persons, places, "0", tree, coordinates], check=True)
        subprocess.run([generator, persons, places, "9", work / "unused.ged", decoys], check=True)
        (work / "unused.ged").unlink()
    return tree, coordinates, decoys


def rewrite(paths):
    """Writes each file anew under its name. On the development machine a
    file read soon after it was written reads much faster than one written
    long ago, and the copy reads the output the program wrote a moment
    before: its inputs are made as fresh."""
    for path in paths:
        fresh = path.with_name(path.name + ".new")
        shutil.copyfile(path, fresh)
        os.replace(fresh, path)


def allowed_kib(coordinates):
    return (3 * coordinates.stat().st_size + (16 << 20)) // 1024


def memory_check(work):
    persons = "2500000"  # about 1 GiB of genealogy file
    tree, coordinates, _ = generate(work, persons, "20000")
    _, peak = run([BUILD / "app" / "platsmarkeraren", "-r", tree, coordinates])
    print(f"memory check: {tree.stat().st_size / (1 << 30):.2f} GiB genealogy file, peak "
          f"{peak / 1024:.1f} MiB, allowed {allowed_kib(coordinates) / 1024:.1f} MiB")
    tree.unlink()
    if peak > allowed_kib(coordinates):
        sys.exit("memory check failed")


def gazetteer_benchmark(work, rows, rounds):
    gazetteer, tree, empty = work / "gazetteer.txt", work / "gazetteer-tree.ged", work / "empty.txt"
    subprocess.run([BUILD / "bench" / "generate_gazetteer", str(rows), gazetteer, tree], check=True)
    empty.write_bytes(b"")
    program = [BUILD / "app" / "platsmarkeraren", "-g", tree, empty, gazetteer]
    times = {"wc": [], "draft": []}
    peak = 0
    for _ in range(rounds):
        times["wc"].append(run(["wc", "-l", gazetteer])[0])
        seconds, kib = run(program)
        times["draft"].append(seconds)
        peak = max(peak, kib)
    wc, draft = statistics.median(times["wc"]), statistics.median(times["draft"])
    plain_draft = subprocess.run(program, check=True, stdout=subprocess.PIPE).stdout
    archive = work / "gazetteer.zip"
    archive.unlink(missing_ok=True)
    subprocess.run(["zip", "-q", "-j", archive, gazetteer], check=True)
    zipped = [BUILD / "app" / "platsmarkeraren", "-g", tree, empty, archive]
    if subprocess.run(zipped, check=True, stdout=subprocess.PIPE).stdout != plain_draft:
        sys.exit("the draft from the zipped gazetteer differs from the plain one")
    times.update({"unzip": [], "zipped": []})
    zipped_peak = 0
    for _ in range(rounds):
        times["unzip"].append(run(["sh", "-c", f"unzip -p '{archive}' > /dev/null"])[0])
        seconds, kib = run(zipped)
        times["zipped"].append(seconds)
        zipped_peak = max(zipped_peak, kib)
    unzip, from_zip = statistics.median(times["unzip"]), statistics.median(times["zipped"])
    print(f"{rows:,} rows, {gazetteer.stat().st_size / 1e9:.2f} GB, zipped {archive.stat().st_size / 1e9:.2f} GB; "
          f"median of {rounds} rounds\n")
    print("| run | s | × wc -l or unzip -p | peak memory (MiB) |\n|---|---:|---:|---:|")
    print(f"| wc -l | {wc:.3f} | 1.00 | |")
    print(f"| platsmarkeraren -g (2,000 place lines) | {draft:.3f} | {draft / wc:.2f} | {peak / 1024:.1f} |")
    print(f"| unzip -p > /dev/null | {unzip:.3f} | 1.00 | |")
    print(f"| platsmarkeraren -g, the zip | {from_zip:.3f} | {from_zip / unzip:.2f} | {zipped_peak / 1024:.1f} |")
    print(f"\n-g / wc -l {draft / wc:.2f} (target at most 3), -g {draft:.2f} s (target under 30); "
          f"the zip's -g / unzip -p {from_zip / unzip:.2f} (target at most 1.3)")
    gazetteer.unlink()
    archive.unlink()


def browser_benchmark(work, persons, places, rounds):
    subprocess.run(["cmake", "--preset", "web"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "web"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    tree, coordinates, _ = generate(work, persons, places)
    merged = work / "out-one-core.ged"
    # The page has one thread; so has the program here.
    program = ["taskset", "-c", "0", BUILD / "app" / "platsmarkeraren", tree, coordinates, merged]
    native = []
    for _ in range(rounds):
        merged.unlink(missing_ok=True)
        native.append(run(program)[0])
    done = subprocess.run(["node", ROOT / "bench" / "browser_benchmark.mjs", tree, coordinates, merged, str(rounds)],
                          check=True, stdout=subprocess.PIPE)
    browser = json.loads(done.stdout.decode().splitlines()[-1])
    one_core = statistics.median(native)
    mib = 1 << 20
    print(f"genealogy file {tree.stat().st_size / mib:.0f} MiB, output {merged.stat().st_size / mib:.0f} MiB; "
          f"median of {rounds} rounds\n")
    print("| run | s | × program on one core |\n|---|---:|---:|")
    print(f"| platsmarkeraren on one core (taskset -c 0), new file | {one_core:.3f} | 1.00 |")
    print(f"| Chromium: copy of the output bytes, as the page hands on its output | {browser['copy']:.3f} | "
          f"{browser['copy'] / one_core:.2f} |")
    print(f"| Chromium: the page's merge, to the finished download | {browser['merge']:.3f} | "
          f"{browser['merge'] / one_core:.2f} |")
    print(f"\npage / program on one core {browser['merge'] / one_core:.2f} (target at most 3), "
          f"page / browser copy {browser['merge'] / browser['copy']:.2f}, "
          f"peak memory of the tab {browser['tabPeakMiB']:.0f} MiB")
    merged.unlink()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--persons", type=int, default=400_000)
    parser.add_argument("--places", type=int, default=20_000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--workdir", type=Path, default=Path("/tmp/platsmarkeraren-bench"))
    parser.add_argument("--memory-check", action="store_true")
    parser.add_argument("--gazetteer", action="store_true")
    parser.add_argument("--rows", type=int, default=12_000_000)
    parser.add_argument("--browser", action="store_true")
    args = parser.parse_args()

    args.workdir.mkdir(parents=True, exist_ok=True)
    build()
    if args.memory_check:
        memory_check(args.workdir)
        return
    if args.gazetteer:
        gazetteer_benchmark(args.workdir, args.rows, args.rounds)
        return
    if args.browser:
        browser_benchmark(args.workdir, str(args.persons), str(args.places), args.rounds)
        return
    tree, coordinates, decoys = generate(args.workdir, str(args.persons), str(args.places))
    program = BUILD / "app" / "platsmarkeraren"
    out = {name: args.workdir / f"out-{name}.ged" for name in ("program", "copy", "awk", "x10", "keep", "check")}
    run([program, tree, coordinates, out["program"]])  # the bytes the copy copies

    runs = {
        "copy": lambda: run(["dd", f"if={out['program']}", f"of={out['copy']}", "bs=1M",
                             "status=none"]),
        "program": lambda: run([program, tree, coordinates, out["program"]]),
        "x10": lambda: run([program, tree, decoys, out["x10"]]),
        "keep": lambda: run([program, "-b", tree, coordinates, out["keep"]]),
        "check": lambda: run([program, "-k", tree, coordinates], stdout=out["check"].open("wb")),
        "awk": lambda: run(["mawk", AWK_JOIN, coordinates, tree], stdout=out["awk"].open("wb")),
    }
    # Each run writes its output twice a round: into a new file, and over the
    # file the run before left, as a user who merges again does. Emptying an
    # old file costs this file system about as much as the copy itself.
    kinds = ("new file", "over old output")
    times = {(name, kind): [] for name in runs for kind in kinds}
    memory = {name: 0 for name in runs}
    for _ in range(args.rounds):
        rewrite((tree, coordinates, decoys))
        for kind in kinds:
            for name, timed in runs.items():
                if kind == "new file":
                    out[name].unlink(missing_ok=True)
                seconds, peak = timed()
                times[name, kind].append(seconds)
                memory[name] = max(memory[name], peak)
    for name in ("copy", "awk", "x10", "keep"):
        if not filecmp.cmp(out["program"], out[name], shallow=False):
            sys.exit(f"{name} did not produce the program's bytes")

    median = {key: statistics.median(values) for key, values in times.items()}
    labels = {
        "copy": "plain copy of the output bytes (dd bs=1M)",
        "program": "platsmarkeraren",
        "x10": "platsmarkeraren, coordinate file ten times as large",
        "awk": "awk hash join (mawk)",
        "keep": "platsmarkeraren -b (keeping existing maps)",
        "check": "platsmarkeraren -k (the check; writes no tree)",
    }
    mib = 1 << 20
    print(f"{args.persons:,} persons, {args.places:,} places: genealogy file "
          f"{tree.stat().st_size / mib:.0f} MiB, output {out['program'].stat().st_size / mib:.0f} MiB, "
          f"coordinate files {coordinates.stat().st_size / mib:.1f} and "
          f"{decoys.stat().st_size / mib:.1f} MiB; median of {args.rounds} rounds\n")
    print("| run | new file: s | × copy | over old output: s | × copy | peak memory (MiB) |")
    print("|---|---:|---:|---:|---:|---:|")
    for name in ("copy", "program", "x10", "keep", "check", "awk"):
        cells = " | ".join(f"{median[name, kind]:.3f} | {median[name, kind] / median['copy', kind]:.2f}"
                           for kind in kinds)
        print(f"| {labels[name]} | {cells} | {memory[name] / 1024:.1f} |")
    print()
    for kind in kinds:
        ratio = lambda a, b: median[a, kind] / median[b, kind]
        print(f"{kind}: program / copy {ratio('program', 'copy'):.2f} (target at most 1.5), "
              f"awk / program {ratio('awk', 'program'):.1f} (target at least 20), "
              f"ten-times file / program {ratio('x10', 'program'):.2f} (target at most 1.3), "
              f"-b / copy {ratio('keep', 'copy'):.2f} (target at most 1.5), "
              f"-k / program {ratio('check', 'program'):.2f} (target at most 2)")
    print(f"peak memory: {memory['program'] / 1024:.1f} MiB of {allowed_kib(coordinates) / 1024:.1f} "
          f"allowed, {memory['x10'] / 1024:.1f} MiB of {allowed_kib(decoys) / 1024:.1f} allowed with "
          f"the larger file")


if __name__ == "__main__":
    main()
