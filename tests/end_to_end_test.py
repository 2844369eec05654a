"""The platsmarkeraren binary end to end: options, counts, texts, statuses,
files that cannot be opened, read or written, and the guard that keeps the
output from overwriting an input.

Usage: end_to_end_test.py BINARY EXAMPLES_DIR
With PLATSMARKERAREN_RUNNER set (say to "wine"), the binary runs through it.
"""

import os
import random
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

try:
    import resource
except ImportError:  # Windows
    resource = None

BINARY = ""
EXAMPLES = Path()
RUNNER = shlex.split(os.environ.get("PLATSMARKERAREN_RUNNER", ""))
SANITIZED = bool(os.environ.get("PLATSMARKERAREN_SANITIZED"))  # a sanitizer build
WINDOWS = bool(RUNNER) or os.name == "nt"
NL = b"\r\n" if WINDOWS else b"\n"  # standard error is a text stream

USAGE = (NL + b"usage: Platsmarkeraren |-r| <infil> <koordinatfil> <utfil>" + NL
         + b"Option -r riktar om output till stdout" + NL + NL)
VERSION = NL + b"v1.0 - 181227.0919 qv" + NL + NL

TREE = "2 PLAC Ås\n1 DEAT\n".encode()
COORDINATES = "2 PLAC Ås\na\nb\nc\nd\ne\nf\n".encode()
MERGED = "2 PLAC Ås\na\nb\nc\nd\ne\n1 DEAT\n".encode()


class Case(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.dir = Path(self._dir.name)
        self.tree = self.make("tree.ged", TREE)
        self.coordinates = self.make("coord.txt", COORDINATES)

    def tearDown(self):
        self._dir.cleanup()

    def make(self, name, content):
        path = self.dir / name
        path.write_bytes(content)
        return path

    def run_program(self, *args, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL):
        done = subprocess.run(RUNNER + [BINARY, *map(str, args)], cwd=self.dir, stdin=stdin,
                              stdout=stdout, stderr=subprocess.PIPE, timeout=60)
        return done.returncode, done.stdout, done.stderr

    def assert_usage(self, args, status):
        self.assertEqual(self.run_program(*args), (status, b"", USAGE), args)

    def assert_fails(self, args, *words, stdout=subprocess.PIPE):
        """One line on standard error that names what failed; status 1."""
        status, _, err = self.run_program(*args, stdout=stdout)
        self.assertEqual(status, 1, err)
        lines = err.decode().splitlines()
        self.assertEqual(len(lines), 1, err)
        self.assertTrue(lines[0].startswith("Platsmarkeraren: "), lines[0])
        for word in words:
            self.assertIn(word, lines[0])

    def assert_inputs_unchanged(self):
        self.assertEqual(self.tree.read_bytes(), TREE)
        self.assertEqual(self.coordinates.read_bytes(), COORDINATES)


class Texts(Case):
    def test_usage_and_version_texts(self):
        for args in (["-h"], ["-H", "a", "b"], ["-rh"], ["-hr"], ["-hv"], ["-h", "-v", "x"],
                     ["-lh"]):
            self.assert_usage(args, 0)
        for args in (["-v"], ["-V"], ["-vh"], ["-rv", "a", "b", "c"], ["-x", "-v"]):
            self.assertEqual(self.run_program(*args), (0, b"", VERSION), args)
        self.assertEqual(len(USAGE.replace(NL, b"\n")), 100)
        self.assertEqual(len(VERSION.replace(NL, b"\n")), 24)

    def test_wrong_counts_get_usage_and_touch_nothing(self):
        for args in ([], ["-r"], ["-r", "tree.ged", "coord.txt", "out"], ["tree.ged", "coord.txt"],
                     ["tree.ged", "coord.txt", "out", "-r"], ["-l", "tree.ged", "coord.txt", "out"],
                     ["-l", "tree.ged"]):
            self.assert_usage(args, 1)
        self.assertFalse((self.dir / "out").exists())


class Options(Case):
    def test_merge_to_file_and_to_standard_output(self):
        self.assertEqual(self.run_program("tree.ged", "coord.txt", "out"), (0, b"", b""))
        self.assertEqual((self.dir / "out").read_bytes(), MERGED)
        for redirect in (["-r"], ["-R"], ["-r", "-r"], ["-r-"], ["--", "-qr"]):
            self.assertEqual(self.run_program(*redirect, "tree.ged", "coord.txt"), (0, MERGED, b""))
        for skipped in (["-q"], ["-x"], ["-X"], ["--"]):
            self.make("out2", b"")
            self.assertEqual(self.run_program(*skipped, "tree.ged", "coord.txt", "out2"), (0, b"", b""))
            self.assertEqual((self.dir / "out2").read_bytes(), MERGED, skipped)
        self.assertEqual(self.run_program("-xr", "tree.ged", "coord.txt"), (0, MERGED, b""))
        self.assert_inputs_unchanged()

    def test_file_names_end_the_options(self):
        self.make("-", TREE)
        self.assertEqual(self.run_program("-", "coord.txt", "-r"), (0, b"", b""))
        self.assertEqual((self.dir / "-r").read_bytes(), MERGED)

    def test_empty_genealogy_file_gives_empty_output_file(self):
        self.make("empty.ged", b"")
        self.assertEqual(self.run_program("empty.ged", "coord.txt", "out")[0], 0)
        self.assertEqual((self.dir / "out").read_bytes(), b"")

    def test_output_file_is_emptied_first(self):
        self.make("out", b"old content that is longer than the merge\n" * 10)
        self.assertEqual(self.run_program("tree.ged", "coord.txt", "out")[0], 0)
        self.assertEqual((self.dir / "out").read_bytes(), MERGED)

    def test_list_places_without_coordinates(self):
        self.make("tree2.ged", "2 PLAC Ås\r\n2 PLAC Öja\r\n2 PLAC Öja\n2 PLAC Ödeshög\n".encode())
        self.assertEqual(self.run_program("-l", "tree2.ged", "coord.txt"),
                         (0, "2 PLAC Öja\r\n2 PLAC Ödeshög\n".encode(), b""))
        self.assertEqual(self.run_program("-Lr", "tree.ged", "coord.txt"), (0, b"", b""))

    def test_examples(self):
        status, out, _ = self.run_program(EXAMPLES / "slakt.ged", EXAMPLES / "koordinater.txt", "-")
        self.assertEqual(status, 0)
        expected = (EXAMPLES / "slakt-med-koordinater.ged").read_bytes()
        self.assertEqual((self.dir / "-").read_bytes(), expected)
        status, out, _ = self.run_program("-l", EXAMPLES / "slakt.ged", EXAMPLES / "koordinater.txt")
        self.assertEqual(out, "2 PLAC Ödeshög, Östergötlands län, Sverige\n"
                              "2 PLAC Håtuna, Uppsala län, Sverige\n".encode())


class Checks(Case):
    """-k, the merge's warning and -b, on the bundled examples."""

    def setUp(self):
        super().setUp()
        self.example_tree = (EXAMPLES / "slakt.ged").read_bytes()
        self.example_coordinates = (EXAMPLES / "koordinater.txt").read_bytes()
        self.merged = (EXAMPLES / "slakt-med-koordinater.ged").read_bytes()
        self.make("slakt.ged", self.example_tree)

    def test_clean_coordinate_file_passes_silently(self):
        self.make("k.txt", self.example_coordinates)
        self.assertEqual(self.run_program("-k", "slakt.ged", "k.txt"), (0, b"", b""))
        self.assertEqual(self.run_program("slakt.ged", "k.txt", "out")[0:3:2], (0, b""))

    def test_a_block_one_line_short_is_named_and_warned_of(self):
        lines = self.example_coordinates.splitlines(keepends=True)
        del lines[3]  # the first block's LATI
        self.make("k.txt", b"".join(lines))
        status, out, err = self.run_program("-k", "slakt.ged", "k.txt")
        self.assertEqual((status, err), (1, b""))
        self.assertIn(b"k.txt:3: fel: MAP utan b", out)
        self.assertIn("k.txt:6: fel: ortrad i blocket till ortraden på rad 1".encode(), out)
        # The merge writes what it is asked to, the next place line into each
        # Uppsala block, and says what it did.
        status, out, err = self.run_program("-r", "slakt.ged", "k.txt")
        self.assertEqual(status, 0)
        self.assertEqual(out.count(lines[5]),
                         self.example_tree.count(lines[5]) + self.example_tree.count(lines[0]))
        self.assertEqual(len(err.splitlines()), 1, err)
        self.assertTrue(err.startswith(b"Platsmarkeraren: varning: "), err)
        self.assertIn(b"-k slakt.ged k.txt", err)

    def test_keeping_existing_maps_makes_merging_again_change_nothing(self):
        self.make("k.txt", self.example_coordinates)
        self.make("merged.ged", self.merged)
        for option in ("-b", "-rB"):
            args = [option, "merged.ged", "k.txt"] + ([] if "r" in option else ["out"])
            status, out, err = self.run_program(*args)
            self.assertEqual((status, err), (0, b""))
            self.assertEqual(out if "r" in option else (self.dir / "out").read_bytes(), self.merged)
        # Without it every place gets a second MAP, and the merge warns.
        status, _, err = self.run_program("-r", "merged.ged", "k.txt")
        self.assertEqual(status, 0)
        self.assertIn(b"andra MAP", err)
        status, out, _ = self.run_program("-k", "merged.ged", "k.txt")
        self.assertEqual(status, 0)
        self.assertIn(b"merged.ged:", out)
        self.assertIn(b"-b", out)


class Drafts(Case):
    """-g on the bundled examples and gazetteer."""

    def setUp(self):
        super().setUp()
        self.make("slakt.ged", (EXAMPLES / "slakt.ged").read_bytes())
        self.make("k.txt", (EXAMPLES / "koordinater.txt").read_bytes())
        self.gazetteer = (EXAMPLES / "ortregister.txt").read_bytes()
        self.make("o.txt", self.gazetteer)

    def test_draft_appended_to_the_coordinate_file_and_merged(self):
        status, draft, err = self.run_program("-g", "slakt.ged", "k.txt", "o.txt")
        self.assertEqual((status, err), (0, b""))
        # Parishes from the built-in register: Håtuna as it lay in Uppsala län until 1971.
        self.assertTrue(draft.startswith("2 PLAC Ödeshög, Östergötlands län, Sverige\n3 NOTE Riksarkivet".encode()), draft)
        self.assertIn("2 PLAC Håtuna, Uppsala län, Sverige\n3 NOTE Riksarkivet 13906000: ".encode(), draft)
        self.assertEqual((self.dir / "o.txt").read_bytes(), self.gazetteer)
        if WINDOWS:
            return  # the program cannot tell standard output's file on Windows
        # Straight onto the end of a coordinate file that lacks its last line end.
        self.make("k.txt", (EXAMPLES / "koordinater.txt").read_bytes().rstrip(b"\n"))
        with open(self.dir / "k.txt", "ab") as coordinates:
            self.assertEqual(self.run_program("-G", "slakt.ged", "k.txt", "o.txt", stdout=coordinates)[0], 0)
        self.assertEqual((self.dir / "k.txt").read_bytes(), (EXAMPLES / "koordinater.txt").read_bytes() + draft)
        self.assertEqual(self.run_program("-l", "slakt.ged", "k.txt")[1], b"")

    def test_draft_from_the_parish_register_alone(self):
        self.make("socknar.ged", "0 HEAD\n1 CHAR UTF-8\n1 BIRT\n2 PLAC Rasbo sn, C\n1 DEAT\n2 PLAC Leksand (W)\n"
                                 "1 BURI\n2 PLAC Fors\n1 EVEN\n2 PLAC Chicago, Illinois, USA\n0 TRLR\n".encode())
        status, draft, err = self.run_program("-g", "socknar.ged", "k.txt")
        self.assertEqual((status, err), (0, b""))
        text = draft.decode()
        self.assertIn("2 PLAC Rasbo sn, C\n3 NOTE Riksarkivet 38041000: Rasbo församling, Uppsala län\n", text)
        self.assertIn("2 PLAC Leksand (W)\n3 NOTE Riksarkivet ", text)
        self.assertIn("# Fors: flera orter har namnet; välj en:\n", text)
        self.assertIn("#   Fors församling (P-län), Älvsborgs län: N58.18951 E12.20859 (Riksarkivet 158107000)\n", text)
        self.assertIn("#   Fors församling (Z-län), Jämtlands län: ", text)
        self.assertIn("# Chicago, Illinois, USA: ingen socken med namnet i sockenregistret; byar, gårdar och orter "
                      "utomlands behöver ett ortregister (GeoNames)\n", text)
        self.assertEqual(self.run_program("-k", "socknar.ged", "k.txt")[0], 0)

    def test_gazetteers_as_downloaded(self):
        """Zipped, with ZIP64 records too, gzipped or plain: the same drafts and audits."""
        import gzip
        import zipfile
        with zipfile.ZipFile(self.dir / "SE.zip", "w", zipfile.ZIP_DEFLATED) as archive:
            archive.writestr("readme.txt", "GeoNames\n")
            archive.writestr("SE.txt", self.gazetteer)
        with zipfile.ZipFile(self.dir / "SE64.zip", "w", zipfile.ZIP_STORED) as archive:
            with archive.open("SE.txt", "w", force_zip64=True) as entry:
                entry.write(self.gazetteer)
        self.make("SE.txt.gz", gzip.compress(self.gazetteer))
        plain = self.run_program("-g", "slakt.ged", "k.txt", "o.txt")
        self.make("fel.txt", (EXAMPLES / "koordinater.txt").read_bytes().replace(b"N60.5667", b"S60.5667"))
        audit = self.run_program("-k", "slakt.ged", "fel.txt", "o.txt")
        for name in ("SE.zip", "SE64.zip", "SE.txt.gz"):
            self.assertEqual(self.run_program("-g", "slakt.ged", "k.txt", name), plain, name)
            self.assertEqual(self.run_program("-k", "slakt.ged", "fel.txt", name), audit, name)
        if not WINDOWS:
            with open(self.dir / "SE.zip", "rb") as piped:
                self.assertEqual(self.run_program("-g", "slakt.ged", "k.txt", "/dev/stdin", stdin=piped), plain)
        self.assert_fails(["-g", "slakt.ged", "k.txt", "slakt.ged"], 'ortregister "slakt.ged"', "släktträd")
        self.make("trasig.zip", (self.dir / "SE.zip").read_bytes()[:300])
        self.assert_fails(["-g", "slakt.ged", "k.txt", "trasig.zip"], 'ortregister "trasig.zip"', "tar slut")

    def test_check_against_the_gazetteer(self):
        status, out, err = self.run_program("-k", "slakt.ged", "k.txt", "o.txt")
        self.assertEqual((status, err), (0, b""))
        self.assertEqual(out.decode(), "0 fel, 0 varningar; 1 block gick inte att pröva mot ortregistret: "
                                       "orten är okänd eller oavgjord\n")
        self.make("fel.txt", (EXAMPLES / "koordinater.txt").read_bytes().replace(b"N60.5667", b"S60.5667"))
        status, out, _ = self.run_program("-k", "slakt.ged", "fel.txt", "o.txt")
        self.assertEqual(status, 0)
        self.assertIn("fel.txt:10: varning: Älvkarleby, Uppsala län, Sverige ligger ".encode(), out)
        self.assertIn("med N i stället för S ligger blocket på orten".encode(), out)
        self.assert_fails(["-k", "slakt.ged", "k.txt", "saknas.txt"], 'ortregister "saknas.txt"')

    @unittest.skipIf(WINDOWS, "the program cannot tell standard output's file on Windows")
    def test_coordinates_recovered_from_a_merged_tree(self):
        self.make("merged.ged", (EXAMPLES / "slakt-med-koordinater.ged").read_bytes())
        self.make("ny.txt", b"")
        with open(self.dir / "ny.txt", "ab") as coordinates:
            self.assertEqual(self.run_program("-t", "merged.ged", "ny.txt", stdout=coordinates)[0], 0)
        recovered = (self.dir / "ny.txt").read_bytes()
        self.assertEqual(recovered.count(b"2 PLAC "), (EXAMPLES / "koordinater.txt").read_bytes().count(b"2 PLAC "))
        # Only warnings: the merged tree's places have their maps already.
        self.assertEqual(self.run_program("-k", "merged.ged", "ny.txt")[0], 0)
        self.assertEqual(self.run_program("-rb", "merged.ged", "ny.txt")[1], (self.dir / "merged.ged").read_bytes())
        self.assertEqual(self.run_program("-r", "slakt.ged", "ny.txt")[1].replace(b"3 NOTE Koordinaterna", b"")
                         .count(b"4 LATI"), (EXAMPLES / "slakt-med-koordinater.ged").read_bytes().count(b"4 LATI"))

    def test_hostile_gazetteers_and_trees(self):
        # No line end within 1 MiB: refused at once, not read into memory.
        if not WINDOWS:
            self.assert_fails(["-g", "slakt.ged", "k.txt", "/dev/zero"], 'ortregister "/dev/zero"', "ingen textfil")
        # A name that would command the terminal reaches it escaped.
        self.make("esc.txt", self.gazetteer.replace("\tDalarnas län\t".encode(), "\tDalarnas\x1b]0;x\x07\t".encode()))
        self.make("falun.ged", b"0 HEAD\n1 CHAR UTF-8\n1 BIRT\n2 PLAC Falun\n0 TRLR\n")
        status, draft, _ = self.run_program("-g", "falun.ged", "k.txt", "esc.txt")
        self.assertEqual(status, 0)
        self.assertNotIn(b"\x1b", draft)
        self.assertIn(b"\\x1b]0;x\\x07", draft)
        # An encoding the program does not read is named once.
        self.make("mac.ged", (EXAMPLES / "slakt.ged").read_bytes().replace(b"1 CHAR UTF-8", b"1 CHAR MACINTOSH"))
        status, _, err = self.run_program("-g", "mac.ged", "k.txt", "o.txt")
        self.assertEqual(status, 0)
        self.assertEqual(err.decode().splitlines(),
                         ['Platsmarkeraren: varning: infil "mac.ged" har teckenkodningen "MACINTOSH", som programmet '
                          'inte läser: ortnamn med andra tecken än A–Z jämförs som de står och hittas kanske inte'])

    def test_wrong_counts_and_gazetteers_that_cannot_be_used(self):
        self.assert_usage(["-g", "slakt.ged"], 1)
        self.assert_usage(["-rg", "slakt.ged", "k.txt", "o.txt", "x"], 1)
        self.assert_fails(["-g", "slakt.ged", "k.txt", "saknas.txt"], 'ortregister "saknas.txt"')
        self.make("fel.txt", self.gazetteer + b"1\tRasbo\n")
        self.assert_fails(["-g", "slakt.ged", "k.txt", "fel.txt"], 'ortregister "fel.txt"', "rad 39", "2 kolumner")
        self.make("komma.txt", self.gazetteer.replace(b"58.228\t", b"58,228\t"))
        status, out, err = self.run_program("-g", "slakt.ged", "k.txt", "komma.txt")
        self.assertEqual(status, 0)
        self.assertEqual(err.decode().splitlines(),
                         ['Platsmarkeraren: varning: 1 rad i ortregister "komma.txt" har koordinater som inte går '
                          'att läsa och hoppades över'])


class Failures(Case):
    def test_inputs_that_cannot_be_opened_leave_utfil_alone(self):
        self.assert_fails(["missing.ged", "coord.txt", "out"], "infil", "missing.ged")
        self.assert_fails(["tree.ged", "missing.txt", "out"], "koordinatfil", "missing.txt")
        self.assertFalse((self.dir / "out").exists())
        self.make("out", b"kept")
        self.assert_fails(["tree.ged", "missing.txt", "out"], "koordinatfil")
        self.assertEqual((self.dir / "out").read_bytes(), b"kept")
        self.assert_fails(["-l", "missing.ged", "coord.txt"], "infil", "missing.ged")
        self.assert_inputs_unchanged()

    def test_unwritable_utfil(self):
        self.assert_fails(["tree.ged", "coord.txt", "no/such/folder/out"], "utfil", "out")
        self.assert_inputs_unchanged()

    def test_folders_as_inputs(self):
        (self.dir / "folder").mkdir()
        self.assert_fails(["folder", "coord.txt", "out"], "infil", "folder")
        self.assert_fails(["tree.ged", "folder", "out"], "koordinatfil", "folder")
        self.assert_inputs_unchanged()

    def test_utfil_naming_an_input_is_refused(self):
        names = [("tree.ged", "infil"), ("./tree.ged", "infil"), ("coord.txt", "koordinatfil"),
                 (str(self.dir / "coord.txt"), "koordinatfil")]
        os.link(self.dir / "tree.ged", self.dir / "hard.ged")
        names.append(("hard.ged", "infil"))
        if not WINDOWS:
            os.symlink("coord.txt", self.dir / "soft.txt")
            names.append(("soft.txt", "koordinatfil"))
        for output, argument in names:
            self.assert_fails(["tree.ged", "coord.txt", output], argument, output)
            self.assert_inputs_unchanged()

    @unittest.skipIf(WINDOWS, "the program cannot tell standard output's file on Windows")
    def test_output_appended_to_the_genealogy_file_is_refused(self):
        for option in ("-r", "-l"):
            with open(self.tree, "ab") as tree:
                self.assert_fails([option, "tree.ged", "coord.txt"], "stdout", "infil", stdout=tree)
            self.assert_inputs_unchanged()
        # Appending the missing places to the coordinate file is the workflow.
        with open(self.coordinates, "ab") as coordinates:
            self.make("new.ged", "2 PLAC Öja\n".encode())
            self.assertEqual(self.run_program("-l", "new.ged", "coord.txt", stdout=coordinates)[0], 0)
        self.assertEqual(self.coordinates.read_bytes(), COORDINATES + "2 PLAC Öja\n".encode())

    @unittest.skipIf(WINDOWS, "no /dev/full on Windows")
    def test_full_disk_is_reported(self):
        self.assert_fails(["tree.ged", "coord.txt", "/dev/full"], "utfil", "/dev/full")
        with open("/dev/full", "wb") as full:
            self.assert_fails(["-r", "tree.ged", "coord.txt"], "stdout", stdout=full)
            self.make("none.txt", b"")
            self.assert_fails(["-l", "tree.ged", "none.txt"], "stdout", stdout=full)
        self.assert_inputs_unchanged()

    @unittest.skipIf(WINDOWS, "standard output cannot be closed from the test on Windows")
    def test_closed_standard_output_is_reported(self):
        closed = subprocess.run(["sh", "-c", 'exec "$@" >&-', "sh", BINARY, "-r", "tree.ged",
                                 "coord.txt"], cwd=self.dir, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(closed.returncode, 1)
        self.assertEqual(closed.stderr.decode(), "Platsmarkeraren: kan inte skriva till stdout: den är stängd\n")
        self.assert_inputs_unchanged()

    @unittest.skipIf(WINDOWS, "no named pipes in the POSIX sense on Windows")
    def test_coordinate_file_from_a_pipe(self):
        fifo = self.dir / "fifo"
        os.mkfifo(fifo)
        writer = subprocess.Popen(["sh", "-c", 'cat coord.txt > fifo'], cwd=self.dir)
        self.assertEqual(self.run_program("-r", "tree.ged", "fifo"), (0, MERGED, b""))
        writer.wait(timeout=60)
        # The genealogy file from a pipe too, as /dev/stdin.
        piped = subprocess.run(RUNNER + [BINARY, "-r", "/dev/stdin", "coord.txt"], cwd=self.dir,
                               input=TREE * 1000, capture_output=True, timeout=60)
        self.assertEqual((piped.returncode, piped.stdout), (0, MERGED * 1000))


class NothingLost(Case):
    """utfil is replaced only when complete; every failure is one clear line."""

    def assert_only_files(self, *names):
        self.assertEqual(sorted(p.name for p in self.dir.iterdir()), sorted(names))

    def test_utfil_is_kept_when_an_input_cannot_be_read(self):
        (self.dir / "folder").mkdir()
        self.make("keep.ged", b"old\n")
        self.assert_fails(["folder", "coord.txt", "keep.ged"], "infil", "folder")
        self.assertEqual((self.dir / "keep.ged").read_bytes(), b"old\n")
        self.assert_only_files("coord.txt", "folder", "keep.ged", "tree.ged")

    @unittest.skipIf(WINDOWS, "POSIX permissions and symbolic links")
    def test_utfil_keeps_its_permissions_and_links(self):
        self.make("real.ged", b"old\n").chmod(0o640)
        os.symlink("real.ged", self.dir / "link.ged")
        self.assertEqual(self.run_program("tree.ged", "coord.txt", "link.ged")[0], 0)
        self.assertTrue((self.dir / "link.ged").is_symlink())
        self.assertEqual((self.dir / "real.ged").read_bytes(), MERGED)
        self.assertEqual((self.dir / "real.ged").stat().st_mode & 0o777, 0o640)

    @unittest.skipIf(WINDOWS or not hasattr(os, "geteuid") or os.geteuid() != 0,
                     "needs root, to mount a small file system")
    def test_a_full_disk_leaves_utfil_as_it_was(self):
        disk = self.dir / "disk"
        disk.mkdir()
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", disk],
                          capture_output=True).returncode != 0:
            self.skipTest("this machine lets no file system be mounted")
        try:
            self.make("large.ged", TREE * 20_000)
            (disk / "keep.ged").write_bytes(b"old\n" * 10_000)
            self.assert_fails(["large.ged", "coord.txt", disk / "keep.ged"], "utfil", "keep.ged")
            self.assertEqual((disk / "keep.ged").read_bytes(), b"old\n" * 10_000)
            self.assertEqual([p.name for p in disk.iterdir()], ["keep.ged"])
        finally:
            subprocess.run(["umount", disk], check=True)

    @unittest.skipIf(WINDOWS or SANITIZED, "POSIX signals and named pipes, on a plain build: ThreadSanitizer "
                     "holds back a signal raised in its handler")
    def test_an_interrupted_run_leaves_utfil_as_it_was(self):
        os.mkfifo(self.dir / "tree.fifo")
        self.make("keep.ged", b"old\n")
        for sent in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            program = subprocess.Popen([BINARY, "tree.fifo", "coord.txt", "keep.ged"], cwd=self.dir,
                                       stderr=subprocess.DEVNULL)
            with open(self.dir / "tree.fifo", "wb") as tree:
                tree.write(TREE * 1000)
                tree.flush()
                deadline = time.monotonic() + 60
                while len(list(self.dir.iterdir())) < 5:  # the new file beside utfil
                    self.assertLess(time.monotonic(), deadline, "no new file beside utfil")
                    time.sleep(0.01)
                program.send_signal(sent)
                self.assertEqual(program.wait(timeout=60), -sent)
            self.assertEqual((self.dir / "keep.ged").read_bytes(), b"old\n")
            self.assert_only_files("coord.txt", "keep.ged", "tree.fifo", "tree.ged")

    @unittest.skipIf(WINDOWS, "no named pipes in the POSIX sense on Windows")
    def test_one_pipe_as_input_and_utfil_is_refused_at_once(self):
        os.mkfifo(self.dir / "fifo")
        self.assert_fails(["fifo", "coord.txt", "fifo"], "samma fil")

    def test_messages_stay_on_one_line(self):
        self.assert_fails(["tree.ged", "ny\nrad\x1b[2J.txt", "out"], "ny\\nrad\\x1b[2J.txt")

    def test_utf16_files_are_refused(self):
        example = (EXAMPLES / "slakt.ged").read_text(encoding="utf-8")
        saved = [example.encode(encoding) for encoding in ("utf-16", "utf-16-le", "utf-16-be")]
        saved += [b"\xfe\xff" + example.encode("utf-16-be"), "2 PLAC Ås\n".encode("utf-16-le"), b"0\0"]
        for utf16 in saved:
            self.make("utf16.ged", utf16)
            self.assert_fails(["utf16.ged", "coord.txt", "out"], "infil", "UTF-16", "UTF-8")
            self.assert_fails(["tree.ged", "utf16.ged", "out"], "koordinatfil", "UTF-16")
            self.assertFalse((self.dir / "out").exists())
            for mode in ("-r", "-l", "-k", "-t"):
                self.assert_fails([mode, "utf16.ged", "coord.txt"], "infil", "UTF-16")
                self.assert_fails([mode, "tree.ged", "utf16.ged"], "koordinatfil", "UTF-16")
            self.assert_fails(["-g", "utf16.ged", "coord.txt", "coord.txt"], "infil", "UTF-16")

    def test_a_zero_byte_first_is_carried_like_any_other(self):
        # Zero bytes, but not one beside every other byte: not UTF-16.
        self.make("zero.txt", b"\0002 PLAC A \n2 PLAC A \nB\n\0\n")
        self.make("zero.ged", b"2 PLAC A \n")
        self.assertEqual(self.run_program("-r", "zero.ged", "zero.txt")[:2], (0, b"2 PLAC A \nB\n\0\n"))
        self.make("zero-first.ged", b"\0002 PLAC A \n2 PLAC B\n")
        self.assertEqual(self.run_program("-r", "zero-first.ged", "zero.txt")[:2],
                         (0, b"\0002 PLAC A \n2 PLAC A \nB\n\0\n2 PLAC B\n"))
        self.assertEqual(self.run_program("-l", "zero-first.ged", "zero.txt"), (0, b"2 PLAC B\n", b""))
        status, out, err = self.run_program("-k", "zero-first.ged", "zero.txt")
        self.assertEqual((status, err), (1, b""))
        self.assertIn(b"zero.txt:3: fel: inte en GEDCOM-rad", out)
        self.assertEqual(self.run_program("-k", "zero-first.ged", "zero.txt")[1].count(b"UTF-16"), 0)

    @unittest.skipIf(WINDOWS, "the program cannot tell standard output's file on Windows")
    def test_byte_order_mark_and_a_missing_last_line_end_in_the_coordinate_file(self):
        self.make("bom.txt", b"\xef\xbb\xbf" + COORDINATES)
        self.assertEqual(self.run_program("-r", "tree.ged", "bom.txt"), (0, MERGED, b""))
        self.make("open.txt", COORDINATES.rstrip(b"\n"))
        self.make("new.ged", "2 PLAC Öja\n".encode())
        with open(self.dir / "open.txt", "ab") as coordinates:
            self.assertEqual(self.run_program("-l", "new.ged", "open.txt", stdout=coordinates)[0], 0)
        self.assertEqual((self.dir / "open.txt").read_bytes(), COORDINATES + "2 PLAC Öja\n".encode())

    def test_a_block_too_long_to_index_names_the_coordinate_file(self):
        self.make("long.txt", "2 PLAC Ås\n3 MAP\n4 LATI N1.0\n".encode() + b"4 NOTE " + b"x" * (65 << 20) + b"\n")
        self.assert_fails(["-r", "tree.ged", "long.txt"], 'koordinatfil "long.txt" har för långa rader')

    @unittest.skipIf(resource is None or RUNNER or SANITIZED, "POSIX resource limits, on a plain build")
    def test_running_out_of_memory_names_the_file(self):
        def little_memory():
            resource.setrlimit(resource.RLIMIT_AS, (1 << 29, 1 << 29))
        done = subprocess.run([BINARY, "-r", "tree.ged", "/dev/zero"], cwd=self.dir, capture_output=True,
                              preexec_fn=little_memory, timeout=60)
        self.assertEqual(done.returncode, 1)
        self.assertEqual(done.stderr.decode(), 'Platsmarkeraren: minnet tog slut medan koordinatfil '
                                               '"/dev/zero" lästes\n')

    @unittest.skipIf(resource is None or RUNNER or SANITIZED, "POSIX resource limits, on a plain build")
    def test_running_out_of_memory_in_the_gazetteer_names_it(self):
        def little_memory():
            resource.setrlimit(resource.RLIMIT_AS, (1 << 27, 1 << 27))
        row = "{}\tRasbo\tRasbo\t\t59.{:05d}\t17.5\tP\tPPL\tSE\t\t21\t\t\t\t0\t\t0\tEurope/Stockholm\t2024-01-15\n"
        self.make("many.txt", "".join(row.format(i, i) for i in range(400_000)).encode())
        self.make("rasbo.ged", b"0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 BIRT\n2 PLAC Rasbo\n")
        done = subprocess.run([BINARY, "-g", "rasbo.ged", "coord.txt", "many.txt"], cwd=self.dir, capture_output=True,
                              preexec_fn=little_memory, timeout=60)
        self.assertEqual(done.returncode, 1)
        self.assertEqual(done.stderr.decode(), 'Platsmarkeraren: minnet tog slut medan ortregister "many.txt" lästes\n')

    @unittest.skipIf(resource is None or RUNNER or SANITIZED or os.geteuid() != 0 or not shutil.which("setpriv"),
                     "needs root and a plain build, to run as another user whose process limit is reached")
    def test_a_run_without_threads_to_spare_merges_alone(self):
        def one_process():
            resource.setrlimit(resource.RLIMIT_NPROC, (1, 1))
        self.dir.chmod(0o755)
        binary = self.dir / "platsmarkeraren"
        shutil.copy(BINARY, binary)
        self.make("large.ged", TREE * 200_000).chmod(0o644)
        self.coordinates.chmod(0o644)
        done = subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", binary, "-r",
                               "large.ged", "coord.txt"], cwd=self.dir, capture_output=True,
                              preexec_fn=one_process, timeout=60)
        self.assertEqual((done.returncode, done.stderr), (0, b""))
        self.assertTrue(done.stdout == MERGED * 200_000)


class Platform(Case):
    """What must hold alike on Linux and on Windows."""

    def test_swedish_file_names(self):
        self.make("släkt.ged", TREE)
        self.make("koordinater för Öja.txt", COORDINATES)
        self.assertEqual(self.run_program("släkt.ged", "koordinater för Öja.txt", "ut å.ged")[0], 0)
        self.assertEqual((self.dir / "ut å.ged").read_bytes(), MERGED)

    def test_line_ends_are_kept_as_bytes(self):
        crlf_tree = TREE.replace(b"\n", b"\r\n")
        crlf_coordinates = COORDINATES.replace(b"\n", b"\r\n")
        crlf_merged = MERGED.replace(b"\n", b"\r\n")
        self.make("crlf.ged", crlf_tree)
        self.make("crlf.txt", crlf_coordinates)
        for tree, coordinates, expected in (("crlf.ged", "coord.txt", crlf_merged),
                                            ("crlf.ged", "crlf.txt", crlf_merged),
                                            ("tree.ged", "crlf.txt", MERGED)):
            self.assertEqual(self.run_program("-r", tree, coordinates), (0, expected, b""))
            self.assertEqual(self.run_program(tree, coordinates, "out")[0], 0)
            self.assertEqual((self.dir / "out").read_bytes(), expected)

    def test_cr_and_lf_cr_files_merge_as_lf_files_do(self):
        def ending(text, end):
            return text.replace(b"\n", end)
        for tree_end, coordinate_end in ((b"\r", b"\n\r"), (b"\n\r", b"\r"), (b"\r", b"\r\n")):
            self.make("tree-x.ged", ending(TREE, tree_end))
            self.make("coord-x.txt", ending(COORDINATES, coordinate_end))
            expected = ending(MERGED, tree_end)
            self.assertEqual(self.run_program("-r", "tree-x.ged", "coord-x.txt"), (0, expected, b""))
            self.assertEqual(self.run_program("tree-x.ged", "coord-x.txt", "out")[0], 0)
            self.assertEqual((self.dir / "out").read_bytes(), expected)
        # Listed for appending: a CR-only place takes the coordinate file's line end.
        self.make("tree-x.ged", "2 PLAC Ås\r2 PLAC Öja\r".encode())
        self.assertEqual(self.run_program("-l", "tree-x.ged", "coord.txt"), (0, "2 PLAC Öja\n".encode(), b""))
        self.assertEqual(self.run_program("-l", "tree-x.ged", "coord-x.txt"),
                         (0, "2 PLAC Öja\r\n".encode(), b""))

    def test_messages_are_utf8(self):
        _, _, err = self.run_program("saknas.ged", "coord.txt", "out")
        self.assertIn("kan inte öppna infil", err.decode("utf-8"))

    @unittest.skipUnless(WINDOWS, "the shell expands wildcards on POSIX systems")
    def test_wildcards_are_expanded(self):
        self.assertEqual(self.run_program("-r", "tr*.ged", "coord.*"), (0, MERGED, b""))

    @unittest.skipUnless(WINDOWS, "file names differ in case and separator on POSIX systems")
    def test_same_file_under_a_windows_spelling_is_refused(self):
        for output in ("TREE.GED", ".\\tree.ged", "Coord.Txt"):
            self.assert_fails(["tree.ged", "coord.txt", output], "samma fil")
            self.assert_inputs_unchanged()


class HostileInput(Case):
    """Whatever the files hold, the tree comes through whole."""

    def test_line_of_64_mib_holding_the_marker(self):
        huge = b"2 PLAC " + b"x" * (64 << 20) + b"\n"
        self.make("huge.ged", TREE + huge + TREE)
        self.make("huge-coord.txt", COORDINATES + b"2 PLAC x\n")
        self.assertEqual(self.run_program("huge.ged", "huge-coord.txt", "out")[0], 0)
        self.assertTrue((self.dir / "out").read_bytes() == MERGED + huge + MERGED)

    def test_random_binary_bytes(self):
        noise = random.Random(2026).randbytes(1 << 20)
        place = "\n2 PLAC Ås\n".encode()
        tree = noise[:1000] + place + noise[1000:] + place + noise[:10]
        self.make("noise.ged", tree)
        block = b"a\nb\nc\nd\ne\n"
        self.assertEqual(self.run_program("noise.ged", "coord.txt", "out")[0], 0)
        self.assertTrue((self.dir / "out").read_bytes() == tree.replace(place, place + block))
        self.make("noise.txt", noise)
        self.assertEqual(self.run_program("noise.ged", "noise.txt", "out")[0], 0)
        self.assertTrue((self.dir / "out").read_bytes() == tree)

    def test_genealogy_file_without_newline(self):
        for tree in ("2 PLAC Ås".encode(), b"x" * (3 << 20)):
            self.make("flat.ged", tree)
            self.assertEqual(self.run_program("-r", "flat.ged", "coord.txt"), (0, tree, b""))
        # The twin is the coordinate file's last line: nothing follows it.
        self.make("flat.ged", "2 PLAC Ås".encode())
        self.make("last.txt", "0 HEAD\n2 PLAC Ås".encode())
        self.assertEqual(self.run_program("-r", "flat.ged", "last.txt"), (0, "2 PLAC Ås".encode(), b""))


class Archives(Case):
    """A GEDZIP archive (.gdz) as infil: every mode reads its gedcom.ged, and
    the merge into utfil writes an archive whose other entries are as they
    were."""

    MEDIA = bytes(range(256)) * 4000

    def make_gdz(self, name, tree, extra_entries=()):
        path = self.dir / name
        with zipfile.ZipFile(path, "w") as archive:
            photo = zipfile.ZipInfo("media/foto.jpg", date_time=(2020, 5, 17, 12, 30, 0))
            photo.external_attr = 0o640 << 16
            photo.comment = b"ett foto"
            archive.writestr(photo, self.MEDIA, compress_type=zipfile.ZIP_STORED)
            archive.writestr(zipfile.ZipInfo("gedcom.ged", date_time=(2024, 1, 2, 3, 4, 6)), tree,
                             compress_type=zipfile.ZIP_DEFLATED)
            for entry, content in extra_entries:
                archive.writestr(zipfile.ZipInfo(entry, date_time=(2021, 1, 1, 0, 0, 0)), content,
                                 compress_type=zipfile.ZIP_DEFLATED)
        return path

    def example_tree(self):
        return b"\xef\xbb\xbf" + (EXAMPLES / "slakt.ged").read_bytes()

    def test_every_mode_reads_the_archives_tree(self):
        hostile = [("../utanför.txt", b"ett namn"), ("/etc/platsmarkeraren", b"ett namn till"),
                   ("kontroll\x1b[2J.txt", b"och ett")]
        self.make_gdz("träd.gdz", self.example_tree(), hostile)
        self.make("träd.ged", self.example_tree())
        shutil.copy(EXAMPLES / "koordinater.txt", self.dir / "k.txt")
        before = sorted(p.name for p in self.dir.iterdir())
        status, _, err = self.run_program("träd.gdz", "k.txt", "ut.gdz")
        self.assertEqual((status, err), (0, b""))
        old, new = zipfile.ZipFile(self.dir / "träd.gdz"), zipfile.ZipFile(self.dir / "ut.gdz")
        self.assertIsNone(new.testzip())
        self.assertEqual([i.filename for i in new.infolist()], [i.filename for i in old.infolist()])
        for was, now in zip(old.infolist(), new.infolist()):
            self.assertEqual((now.date_time, now.external_attr, now.comment),
                             (was.date_time, was.external_attr, was.comment), now.filename)
            if now.filename != "gedcom.ged":
                self.assertEqual(new.read(now), old.read(was))
        # The archive's tree is merged as the same tree merged plain.
        _, plain, _ = self.run_program("-r", "träd.ged", "k.txt")
        self.assertTrue(new.read("gedcom.ged") == plain)
        for mode in ["-r", "-l", "-g", "-t"]:
            self.assertEqual(self.run_program(mode, "träd.gdz", "k.txt"), self.run_program(mode, "träd.ged", "k.txt"),
                             mode)
        # An entry's name is a name, never a path written to.
        self.assertEqual(sorted(p.name for p in self.dir.iterdir()), sorted(before + ["ut.gdz"]))

    def test_findings_name_the_line_within_the_archive(self):
        self.make_gdz("m.gdz", b"0 HEAD\n0 @I1@ INDI\n1 BIRT\n2 PLAC Qwerty\n3 MAP\n4 LATI 59.5\n4 LONG E17.5\n")
        self.make("tom.txt", b"")
        status, out, _ = self.run_program("-k", "m.gdz", "tom.txt")
        self.assertEqual(status, 0)
        self.assertIn(b"m.gdz:gedcom.ged:6: varning: LATI", out)

    def test_a_damaged_tree_leaves_utfil_as_it_was(self):
        self.make_gdz("träd.gdz", self.example_tree())
        archive = bytearray((self.dir / "träd.gdz").read_bytes())
        data = archive.index(b"gedcom.ged", len(self.MEDIA)) + len(b"gedcom.ged")
        archive[data + 200] ^= 0x55
        self.make("skadad.gdz", bytes(archive))
        shutil.copy(EXAMPLES / "koordinater.txt", self.dir / "k.txt")
        self.make("ut.gdz", b"kept")
        for args in (["skadad.gdz", "k.txt", "ut.gdz"], ["-l", "skadad.gdz", "k.txt"]):
            self.assert_fails(args, 'infil "skadad.gdz"', "gedcom.ged i arkivet är skadat")
        self.assertEqual((self.dir / "ut.gdz").read_bytes(), b"kept")

    def test_another_zip_is_carried_through_as_lines(self):
        # A fixed time: the entry's time and date are bytes of the file, and
        # a CR among them would make it a file of CR lines.
        with zipfile.ZipFile(self.dir / "annat.zip", "w") as archive:
            archive.writestr(zipfile.ZipInfo("a.txt", date_time=(2024, 1, 2, 3, 4, 6)), b"\n" + TREE,
                             compress_type=zipfile.ZIP_STORED)
        content = (self.dir / "annat.zip").read_bytes()
        status, out, err = self.run_program("-r", "annat.zip", "coord.txt")
        self.assertEqual(status, 0)
        self.assertTrue(out == content.replace(TREE, MERGED))
        self.assertIn("men är inget GEDZIP-arkiv".encode(), err)

    @unittest.skipIf(WINDOWS, "a pipe as infil")
    def test_an_archive_through_a_pipe(self):
        self.make_gdz("träd.gdz", self.example_tree())
        shutil.copy(EXAMPLES / "koordinater.txt", self.dir / "k.txt")
        self.run_program("träd.gdz", "k.txt", "från-fil.gdz")
        with open(self.dir / "träd.gdz", "rb") as archive:
            status, _, err = self.run_program("/dev/stdin", "k.txt", "från-rör.gdz", stdin=archive)
        self.assertEqual((status, err), (0, b""))
        self.assertEqual((self.dir / "från-rör.gdz").read_bytes(), (self.dir / "från-fil.gdz").read_bytes())

    @unittest.skipIf(resource is None or RUNNER or SANITIZED, "POSIX resource limits, on a plain build")
    def test_large_media_are_copied_in_bounded_memory(self):
        def little_memory():
            resource.setrlimit(resource.RLIMIT_AS, (1 << 28, 1 << 28))
        with zipfile.ZipFile(self.dir / "stor.gdz", "w") as archive:
            archive.writestr("gedcom.ged", TREE)
            with archive.open("media/film.mp4", "w", force_zip64=True) as film:
                for _ in range(40):
                    film.write(self.MEDIA * 10)
        done = subprocess.run([BINARY, "stor.gdz", "coord.txt", "ut.gdz"], cwd=self.dir, capture_output=True,
                              preexec_fn=little_memory, timeout=120)
        self.assertEqual((done.returncode, done.stderr), (0, b""))
        new = zipfile.ZipFile(self.dir / "ut.gdz")
        self.assertEqual(new.read("gedcom.ged"), MERGED)
        self.assertEqual(new.getinfo("media/film.mp4").file_size, len(self.MEDIA) * 400)
        self.assertIsNone(new.testzip())


if __name__ == "__main__":
    BINARY = str(Path(sys.argv[1]).resolve())
    EXAMPLES = Path(sys.argv[2]).resolve()
    unittest.main(argv=sys.argv[:1], verbosity=2)
