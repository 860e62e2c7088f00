"""The dialogue as a user sees it on standard output and standard error, byte for byte."""

import errno
import os
import select
import subprocess
import tempfile
import time
import unittest

import program

WORKED_EXAMPLE = (
    "Please input the number of elements: Please input 3 integers: \n"
    "************** Result **************\n"
    "The input array is: 3 1 2 \n"
    "The sorted array is: 1 2 3 \n"
    "The number of inversions is 2.\n"
    "\n"
    "Press ENTER to return."
)

# (what is typed, the values read, the total)
GOOD_INPUTS = [
    (b"0\n", [], 0),
    (b"1\n42\n", [42], 0),
    (b"3 3 1 2", [3, 1, 2], 2),
    (b"2\n5 -7 9\n", [5, -7], 1),
    (b"5\n5 4 3 2 1\n", [5, 4, 3, 2, 1], 10),
    (b"3\n2 1 1\n", [2, 1, 1], 2),
    (b"2\n2147483647 -2147483648\n", [2147483647, -2147483648], 1),
    (b"4\r\n+5\t007\r\n-0\v\f-000000000000000000000000000012\r\n", [5, 7, 0, -12], 5),
    (b"  \n\n 2\n\n\n1\n\n0", [1, 0], 1),
    (b"\xef\xbb\xbf3 3 1 2", [3, 1, 2], 2),  # a UTF-8 byte order mark is passed over
]

UTF_16 = "the input is UTF-16 text, but it must be plain text (ASCII or UTF-8)."

# Characters not visible on their own, each byte as \xNN: a no-break space (Zs), the line
# separator (Zl), a zero-width space (Cf), a soft hyphen, a variation selector and a tag
# (default-ignorable), and a combining mark at the start of the word (after a letter it shows).
INVISIBLE = ["\u00a0", "\u2028", "\u200b", "\u00ad", "\ufe0f", "\U000e0041"]

# A file of many lines, ten values a line, CR LF line ends and tabs, with a bad word in it.
MANY_LINES = b"1000\r\n" + b"".join(
    b"\t".join(b"%d" % (10 * line + value) for value in range(10)) + b"\r\n" for line in range(100))
MANY_LINES = MANY_LINES.replace(b"\t523\t", b"\t52x3\t")

# (what is typed, the one error line): the word's place where it is not at the terminal, the
# line where the input ended early.
BAD_INPUTS = [
    (b"", "expected the number of elements, but the input ended on line 1."),
    (b" \n\t\n", "expected the number of elements, but the input ended on line 2."),
    (b"abc\n", 'expected the number of elements as a whole number, found "abc" on line 1, column 1.'),
    (b"3.0 1 2 3", 'expected the number of elements as a whole number, found "3.0" on line 1, '
     'column 1.'),
    (b"\n\n  +\n", 'expected the number of elements as a whole number, found "+" on line 3, '
     'column 3.'),
    (b"-1\n", 'the number of elements must be from 0 to 2147483647, found "-1" on line 1, column 1.'),
    (b"-12\n1 2 3 4 5 6 7 8 9 10\n", 'the number of elements must be from 0 to 2147483647, '
     'found "-12" on line 1, column 1.'),
    (b"2147483648\n", 'the number of elements must be from 0 to 2147483647, found "2147483648" on '
     'line 1, column 1.'),
    (b"99999999999999999999 1", 'the number of elements must be from 0 to 2147483647, '
     'found "99999999999999999999" on line 1, column 1.'),
    (b"3\n1 2", "expected 3 integers, but the input ended after 2, on line 2."),
    (b"3\n", "expected 3 integers, but the input ended after 0, on line 1."),
    (b"3\r\n1 2\r\n\r\n", "expected 3 integers, but the input ended after 2, on line 3."),
    (b"3\n1 2.5 3\n", 'expected integer 2 of 3 as a whole number, found "2.5" on line 2, column 3.'),
    (b"2\n12abc 1\n", 'expected integer 1 of 2 as a whole number, found "12abc" on line 2, '
     'column 1.'),
    (b"2\n1 +-2\n", 'expected integer 2 of 2 as a whole number, found "+-2" on line 2, column 3.'),
    (b"2\n1\r- 2\n", 'expected integer 2 of 2 as a whole number, found "-" on line 2, column 3.'),
    (b"2\n1 2147483648\n", 'integer 2 of 2 must be from -2147483648 to 2147483647, '
     'found "2147483648" on line 2, column 3.'),
    (b"2\n1 -2147483649\n", 'integer 2 of 2 must be from -2147483648 to 2147483647, '
     'found "-2147483649" on line 2, column 3.'),
    (b"1\n\x01\"\\\xff\n", 'expected integer 1 of 1 as a whole number, found "\\x01\\x22\\x5C\\xFF" '
     'on line 2, column 1.'),
    (MANY_LINES, 'expected integer 524 of 1000 as a whole number, found "52x3" on line 54, '
     'column 13.'),
    # Well-formed UTF-8 shows as it is, unless it could move the cursor or reorder the line:
    # C1 controls, bidirectional formatting, overlong forms and surrogates stay escaped.
    ("1 ５".encode(), 'expected integer 1 of 1 as a whole number, found "５" on line 1, column 3.'),
    ("2 −2 1".encode(), 'expected integer 1 of 2 as a whole number, found "−2" on line 1, column 3.'),
    ("é ñ\t1 x".encode(), 'expected the number of elements as a whole number, found "é" on line 1, '
     'column 1.'),
    (b"1 \xc2\x85\xe2\x80\xae\xe2\x81\xa9\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xe2\x82",
     'expected integer 1 of 1 as a whole number, found "\\xC2\\x85\\xE2\\x80\\xAE\\xE2\\x81\\xA9'
     '\\xC0\\xAF\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80\\xE2\\x82" on line 1, column 3.'),
    (b"1 " + b"7" * 40, 'integer 1 of 1 must be from -2147483648 to 2147483647, found "'
     + "7" * 32 + '..." on line 1, column 3.'),
    # A quoted word is cut where a character begins, never inside it.
    ("1 ".encode() + "５".encode() * 11, 'expected integer 1 of 1 as a whole number, found "'
     + "５" * 10 + '..." on line 1, column 3.'),
    ("1 ".encode() + b"x" * 31 + "é".encode(), 'expected integer 1 of 1 as a whole number, found "'
     + "x" * 31 + '..." on line 1, column 3.'),
    *((f"1 1{c}2".encode(), 'expected integer 1 of 1 as a whole number, found "1'
       + "".join(f"\\x{byte:02X}" for byte in c.encode()) + '2" on line 1, column 3.')
      for c in INVISIBLE),
    ("1 \u03015".encode(), 'expected integer 1 of 1 as a whole number, found "\\xCC\\x815" on '
     'line 1, column 3.'),
    ("1 \u09035".encode(), 'expected integer 1 of 1 as a whole number, found "\u09035" on line 1, '
     'column 3.'),  # a spacing mark takes a column of its own
    ("1 e\u0301".encode(), 'expected integer 1 of 1 as a whole number, found "e\u0301" on line 1, '
     'column 3.'),
    # A word ends at 1 MiB however long it goes on, digits or not.
    (b"\0" * (3 << 20), 'expected the number of elements as a whole number, found "'
     + "\\x00" * 32 + '..." on line 1, column 1.'),
    (b"1 " + b"0" * (3 << 20), 'integer 1 of 1 must be from -2147483648 to 2147483647, found "'
     + "0" * 32 + '..." on line 1, column 3.'),
    # UTF-16, with a byte order mark or without one, either byte order.
    (b"\xff\xfe3\x00 \x001\x00", UTF_16),
    (b"\xfe\xff\x003\x00 \x001", UTF_16),
    ("3 3 1 2".encode("utf-16-le"), UTF_16),
    ("-1".encode("utf-16-be"), UTF_16),
    ("\r\n3".encode("utf-16-le"), UTF_16),
    (b"\xef\xbb3 1", 'expected the number of elements as a whole number, found "\\xEF\\xBB3" on '
     'line 1, column 1.'),
    (b"\xef\xbb\xbf\t3 1\n3x", 'expected integer 2 of 3 as a whole number, found "3x" on line 2, '
     'column 1.'),  # counted from after a UTF-8 byte order mark
    # On Windows a Ctrl+Z ends the input, as the console and text-mode files have it.
    (b"3 1 2 \x1a 9", "expected 3 integers, but the input ended after 2, on line 1." if program.WINDOWS
     else 'expected integer 3 of 3 as a whole number, found "\\x1A" on line 1, column 7.'),
]


class Dialogue(unittest.TestCase):
    def test_worked_example(self):
        for typed in (b"3\n3 1 2\n", b"3 3 1 2\n", b"3\n3\n1\n2\n"):
            with self.subTest(typed=typed):
                run = program.run(typed)
                self.assertEqual(run.stdout, program.text(WORKED_EXAMPLE))
                self.assertEqual(run.stderr, b"")
                self.assertEqual(run.returncode, 0)

    def test_good_inputs(self):
        for typed, values, total in GOOD_INPUTS:
            with self.subTest(typed=typed):
                run = program.run(typed)
                expected = program.result(len(values), values, sorted(values), total)
                self.assertEqual(run.stdout, expected)
                self.assertEqual((run.returncode, run.stderr), (0, b""))

    def test_bad_inputs_give_one_error_line_and_no_result(self):
        for typed, message in BAD_INPUTS:
            with self.subTest(typed=typed):
                run = program.run(typed)
                self.assertEqual(run.stderr, program.text(f"Error: {message}\n"))
                self.assertEqual(run.returncode, 1)
                self.assertNotIn(b"Result", run.stdout)
                self.assertTrue(run.stdout.endswith(program.text("\n" + program.FINAL_PROMPT)))

    def test_storage_that_cannot_be_obtained(self):
        if program.WINDOWS:
            self.skipTest("an address-space limit cannot be put on a program under Wine")
        for count in (2147483647, 300000000):
            with self.subTest(count=count):
                run = program.run(f"{count}\n1 2 3\n".encode(), limit_memory=512 << 20)
                self.assertEqual(
                    run.stderr, f"Error: cannot obtain storage for {count} integers.\n".encode()
                )
                self.assertEqual(run.returncode, 1)
                self.assertEqual(
                    run.stdout, program.text("Please input the number of elements: \n"
                                             + program.FINAL_PROMPT)
                )

    @unittest.skipIf(program.WINDOWS, "needs POSIX file descriptors")
    def test_input_that_cannot_be_read(self):
        unreadable = {
            "a directory": ({"stdin": os.open("/", os.O_RDONLY)}, errno.EISDIR),
            "a closed descriptor": ({"stdin": None, "preexec_fn": lambda: os.close(0)},
                                    errno.EBADF),
        }
        for name, (options, error) in unreadable.items():
            with self.subTest(input=name):
                run = subprocess.run(program.command(), timeout=60,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     start_new_session=True, check=False, **options)
                message = f"Error: cannot read the input: {os.strerror(error)}.\n"
                self.assertEqual(run.stderr.decode(), message)
                self.assertEqual(run.returncode, 1)
                self.assertTrue(run.stdout.endswith(program.text("\n" + program.FINAL_PROMPT)))
                if isinstance(options["stdin"], int):
                    os.close(options["stdin"])

    def test_a_file_is_left_just_after_the_last_character_used(self):
        # (the file, what the next reader of it finds)
        files = [
            (b"3 3 1 2\nREST\n", b"\nREST\n"),
            (b"2\n1 x2 3\n", b" 3\n"),
            (b"2\n1 99999999999\tnext", b"\tnext"),
            (b"3\n1 2", b""),
            (b"3\r\n3\r\n1\r\n2 REST" + b"\r\n" * 200 + b"MORE", b" REST" + b"\r\n" * 200 + b"MORE"),
            (b"3 1 2\x1aREST", b"\x1aREST" if program.WINDOWS else b""),
            (b"\xff\xfe3\x003\x00", b"3\x003\x00"),
            (b"2 " + b"7" * (1 << 20) + b"REST", b"REST"),  # where the longest word ends
        ]
        for contents, rest in files:
            with self.subTest(contents=contents), tempfile.TemporaryFile() as shared:
                shared.write(contents)
                shared.seek(0)
                subprocess.run(program.command(), stdin=shared, capture_output=True,
                               timeout=60, check=False, **program.without_terminal())
                self.assertEqual(shared.read(), rest)

    @unittest.skipIf(program.SANITIZED or program.COVERAGE or os.environ.get("INVERSIONS_LAUNCHER"),
                     "needs the plain program, run without an emulator")
    def test_a_small_stack_and_any_address_space_limit(self):
        """Every address-space limit, from where the loader first reaches main (below it, it
        fails with status 127) until the run succeeds: the whole result or one error line."""
        for count in (1, 100000):
            typed, expected = descending(count)
            run = program.run(typed, limit_stack=32 << 10)
            self.assertEqual((run.returncode, run.stdout, run.stderr), (0, expected, b""))
        reached_main = False
        for limit in range(1 << 20, 64 << 20, 32 << 10):
            with self.subTest(limit=limit):
                run = program.run(b"3 3 1 2\n", limit_memory=limit)
                if run.returncode == 127 and not reached_main:
                    self.assertEqual(run.stdout, b"")  # the loader's failure, before main
                    continue
                reached_main = True
                self.assertIn(run.returncode, (0, 1), run.stderr)
                if run.returncode == 0:
                    self.assertEqual(run.stdout, program.text(WORKED_EXAMPLE))
                    break
                self.assertRegex(run.stderr, rb"\AError: [^\n]*\.\n\Z")

    @unittest.skipIf(program.WINDOWS, "needs POSIX pipes and devices")
    def test_endless_and_non_blocking_input_and_output(self):
        """/dev/zero; non-blocking pipes, as some parents leave them: input that comes late,
        and output and errors read slowly."""
        with open("/dev/zero", "rb") as zeros:
            run = subprocess.run(program.command(), stdin=zeros, capture_output=True,
                                 timeout=10, check=False, **program.without_terminal())
        prefix = b'Error: expected the number of elements as a whole number, found "\\x00'
        self.assertEqual((run.returncode, run.stderr[:len(prefix)]), (1, prefix))

        read_end, write_end = os.pipe()
        os.set_blocking(read_end, False)
        with subprocess.Popen(program.command(), stdin=read_end, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, **program.without_terminal()) as run:
            os.close(read_end)
            time.sleep(0.3)
            os.write(write_end, b"3 3 1 2\n")
            os.close(write_end)
            output, errors = run.communicate(timeout=60)
        self.assertEqual((run.returncode, output, errors), (0, program.text(WORKED_EXAMPLE), b""))

        typed, expected = descending(100000)
        read_end, write_end = os.pipe()
        os.set_blocking(write_end, False)
        with subprocess.Popen(program.command(), stdin=subprocess.PIPE, stdout=write_end,
                              stderr=write_end, **program.without_terminal()) as run:
            os.close(write_end)
            run.stdin.write(typed)
            run.stdin.close()
            output = b""
            while chunk := os.read(read_end, 4096):
                output += chunk
                time.sleep(0.0002)
            os.close(read_end)
        self.assertEqual((run.wait(timeout=60), output), (0, expected))

    @unittest.skipIf(os.name == "nt", "select() takes no pipes on Windows")
    def test_each_prompt_comes_before_the_read_it_asks_for(self):
        """Typed a line at a time, each line is taken as it arrives and answered at once."""
        with subprocess.Popen(
            program.command(),
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            **program.without_terminal(),
        ) as run:
            seen = read_until(run.stdout, b"elements: ")
            self.assertEqual(seen, b"Please input the number of elements: ")
            run.stdin.write(b"3\n")
            run.stdin.flush()
            self.assertEqual(read_until(run.stdout, b"integers: "), b"Please input 3 integers: ")
            run.stdin.write(b"3 1 2\n")
            run.stdin.flush()
            self.assertIn(b"Press ENTER", read_until(run.stdout, b"Press ENTER"))
            run.stdin.close()
            self.assertEqual(run.wait(timeout=60), 0)


def descending(count):
    """count values in descending order as typed, and the whole output they give."""
    values = list(range(count, 0, -1))
    return (f"{count} {' '.join(map(str, values))}".encode(),
            program.result(count, values, values[::-1], count * (count - 1) // 2))


def read_until(stream, marker, time_limit=60):
    """Reads what the program has written until marker appears, without asking for more."""
    seen = b""
    deadline = time.monotonic() + time_limit
    while marker not in seen:
        remaining = deadline - time.monotonic()
        if remaining <= 0 or not select.select([stream], [], [], remaining)[0]:
            raise AssertionError(f"{marker!r} did not appear; the program wrote {seen!r}")
        chunk = stream.read1(4096)
        if not chunk:
            raise AssertionError(f"output ended before {marker!r}; the program wrote {seen!r}")
        seen += chunk
    return seen.replace(b"\r", b"")


if __name__ == "__main__":
    unittest.main(verbosity=2)
