"""The public inversion-count cases: each input, with its count put first, must give the
expected total and the values in ascending order."""

import os
import pathlib
import re
import unittest

import program

CASES = pathlib.Path(os.environ.get("INVERSIONS_CONFORMANCE", ""))


class Conformance(unittest.TestCase):
    def test_every_case_gives_its_total(self):
        inputs = sorted(CASES.glob("*.in")) if CASES.is_dir() else []
        if not inputs:
            self.skipTest(f"conformance cases not found at {CASES}")
        for case in inputs:
            with self.subTest(case=case.name):
                values = [int(line) for line in case.read_text().split()]
                expected_total = int(case.with_suffix(".out").read_text())
                run = program.run(f"{len(values)}\n".encode() + case.read_bytes())
                self.assertEqual((run.returncode, run.stderr), (0, b""))
                output = run.stdout.decode()
                total = re.search(r"The number of inversions is (\d+)\.", output)
                self.assertIsNotNone(total, output[-300:])
                self.assertEqual(int(total.group(1)), expected_total)
                sorted_line = re.search(r"The sorted array is: (.*)", output).group(1)
                self.assertEqual([int(v) for v in sorted_line.split()], sorted(values))


if __name__ == "__main__":
    unittest.main(verbosity=2)
