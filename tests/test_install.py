"""Installing: cmake --install puts the program in bin/, its man page (compressed) in
share/man/man1/ and its copyright file and changelog in share/doc/inversions/, and nothing
else, as README lists them; and the man page renders without a warning."""

import gzip
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest
from unittest import mock

import program

MAN_PAGE = pathlib.Path(os.environ["INVERSIONS_MAN_PAGE"])
SOURCE = pathlib.Path(__file__).resolve().parents[1]
FILES = {"bin/inversions", "share/man/man1/inversions.1.gz", "share/doc/inversions/copyright",
         "share/doc/inversions/changelog.gz"}


def install(prefix):
    subprocess.run(
        [os.environ["INVERSIONS_CMAKE"], "--install", os.environ["INVERSIONS_BUILD_DIR"],
         "--prefix", prefix],
        check=True, capture_output=True, timeout=120,
    )


def files_under(prefix):
    return {str(path.relative_to(prefix)) for path in pathlib.Path(prefix).rglob("*")
            if not path.is_dir()}


class Install(unittest.TestCase):
    def test_install_puts_program_and_man_page_in_place(self):
        with tempfile.TemporaryDirectory() as prefix:
            install(prefix)
            self.assertEqual(files_under(prefix), FILES)
            installed = pathlib.Path(prefix, "bin", "inversions")
            self.assertTrue(os.access(installed, os.X_OK), f"{installed} is not executable")
            manual = pathlib.Path(prefix, "share", "man", "man1", "inversions.1.gz")
            self.assertEqual(gzip.decompress(manual.read_bytes()), MAN_PAGE.read_bytes())
            copyright_file = pathlib.Path(prefix, "share", "doc", "inversions", "copyright")
            self.assertIn("Permission is hereby granted", copyright_file.read_text())

            with mock.patch.dict(os.environ, INVERSIONS_PROGRAM=str(installed)):
                run = program.run(b"3 3 1 2\n")
            self.assertEqual(run.returncode, 0)
            self.assertIn(b"The number of inversions is 2.", run.stdout)

    @unittest.skipIf(program.WINDOWS or shutil.which("make") is None, "needs make and a Linux build")
    def test_uninstall_removes_what_install_put_under_the_same_prefix(self):
        """Two installs, removed in either order: each uninstall takes its own prefix's files and
        the program's folder of documents, leaves the shared folders and the other prefix alone,
        and says so in one line where nothing is left to remove. The installs are cmake's, as
        make install's own are after its build: a make here would build the folder under test
        again, with the flags of the make that runs these tests."""
        outer_make = ("MAKEFLAGS", "MFLAGS", "MAKELEVEL")
        clean = {name: value for name, value in os.environ.items() if name not in outer_make}

        def uninstall(prefix):
            return subprocess.run(
                ["make", "-s", "-C", str(SOURCE), "uninstall", f"PREFIX={prefix}"],
                capture_output=True, text=True, check=False, timeout=60, env=clean)
        for order in ((0, 1), (1, 0)):
            with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
                prefixes = (a, b)
                for prefix in prefixes:
                    install(prefix)
                first, second = (prefixes[i] for i in order)
                self.assertEqual(uninstall(first).returncode, 0)
                self.assertEqual((files_under(first), files_under(second)), (set(), FILES))
                self.assertEqual(uninstall(second).returncode, 0)
                self.assertEqual(files_under(second), set())
                self.assertFalse(pathlib.Path(second, "share/doc/inversions").exists())
                self.assertTrue(pathlib.Path(second, "share/man/man1").is_dir())
                again = uninstall(second)
                self.assertEqual((again.returncode, again.stdout),
                                 (0, f"inversions is not installed under {second}.\n"))

    def test_man_page_renders_without_warnings(self):
        groff = shutil.which("groff")
        if not groff:
            self.skipTest("groff is not installed")
        rendered = subprocess.run(
            [groff, "-man", "-ww", "-Tutf8", str(MAN_PAGE)],
            capture_output=True, check=False, timeout=60,
        )
        self.assertEqual(rendered.stderr.decode(), "")
        self.assertEqual(rendered.returncode, 0)
        page = re.sub(r".\x08", "", rendered.stdout.decode())  # bold and underline overstrikes
        for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "EXIT STATUS", "EXAMPLES"):
            self.assertIn(f"\n{section}\n", page)


if __name__ == "__main__":
    unittest.main(verbosity=2)
