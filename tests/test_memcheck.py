"""The program under valgrind's memcheck: no invalid access, no use of uninitialised memory
and no leak of any kind, on complete runs and on runs that end in an error."""

import os
import pathlib
import random
import unittest

import program

MEMCHECK_FAILED = 99

# (name, what is typed, the program's own exit status)
RUNS = [
    ("worked example", b"3\n3 1 2\n", 0),
    ("no values", b"0\n", 0),
    ("a thousand values", b"1000\n" + " ".join(
        str(random.Random(5).randint(-100, 100)) for _ in range(1000)).encode(), 0),
    ("a count that is not a number", b"abc\n", 1),
    ("a value that is not a whole number", b"3\n1 2.5 3\n", 1),
    ("input that ends early", b"5\n1 2\n", 1),
    ("a word that goes on past the longest word", b"\0" * (2 << 20), 1),
]


class Memcheck(unittest.TestCase):
    def test_runs_are_clean(self):
        valgrind = [
            os.environ["INVERSIONS_VALGRIND"], "--quiet", "--error-exitcode=99",
            "--leak-check=full", "--show-leak-kinds=all", "--errors-for-leak-kinds=all",
            f"--suppressions={pathlib.Path(__file__).with_name('memcheck.supp')}",
        ]
        for name, typed, status in RUNS:
            with self.subTest(run=name):
                run = program.run(typed, under=valgrind)
                report = run.stderr.decode(errors="replace")
                self.assertNotEqual(run.returncode, MEMCHECK_FAILED, report)
                self.assertEqual(run.returncode, status, report)


if __name__ == "__main__":
    unittest.main(verbosity=2)
