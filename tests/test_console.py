"""The Windows console key wait, run under Wine. Wine's console takes its keys from the
program's standard input when that is a terminal, so a pseudo-terminal made by the test stands
in for the console window."""

import os
import pty
import re
import select
import subprocess
import time
import tty
import unittest

import program

TIME_LIMIT = 60

# Wine draws the console with cursor-control sequences, spaces among them, so the screen is
# compared as its text with escape sequences and white space taken out.
ESCAPE_SEQUENCE = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]")


def visible(text):
    return re.sub(rb"\s", b"", ESCAPE_SEQUENCE.sub(b"", text))


@unittest.skipUnless(os.environ.get("INVERSIONS_LAUNCHER"), "needs Wine to start the program")
class ConsoleWait(unittest.TestCase):
    def setUp(self):
        self.master, self.slave = pty.openpty()
        self.addCleanup(os.close, self.master)
        self.addCleanup(os.close, self.slave)
        # Raw, so that Enter reaches the console as a line end rather than as Ctrl+J.
        tty.setraw(self.slave)
        self.screen = b""

    def start(self, command):
        run = subprocess.Popen(
            command, stdin=self.slave, stdout=self.slave, stderr=self.slave,
            start_new_session=True,
        )
        self.addCleanup(stop, run)
        return run

    def read_screen_until(self, marker):
        deadline = time.monotonic() + TIME_LIMIT
        while visible(marker) not in visible(self.screen):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([self.master], [], [], remaining)[0]:
                self.fail(f"{marker!r} did not appear; the screen shows {visible(self.screen)!r}")
            self.screen += os.read(self.master, 4096)

    def type(self, keys):
        os.write(self.master, keys)

    def assert_still_waiting(self, run):
        time.sleep(1)
        self.assertIsNone(run.poll(), "the program did not wait for a key")

    def test_prompts_come_before_each_read_and_any_key_ends_the_wait(self):
        # The console echoes the typed count and values while the program reads them, and
        # not the key that ends the wait.
        for name, key in (("letter", b"x"), ("Up arrow", b"\x1b[A")):
            with self.subTest(key=name):
                self.screen = b""
                run = self.start(program.command())
                self.read_screen_until(b"Please input the number of elements: ")
                self.type(b"3\r")
                self.read_screen_until(b"elements: 3")
                self.read_screen_until(b"Please input 3 integers: ")
                self.type(b"3 1 2\r")
                self.read_screen_until(b"integers: 3 1 2")
                self.read_screen_until(b"The number of inversions is 2.")
                self.read_screen_until(program.FINAL_PROMPT.encode())
                self.assert_still_waiting(run)
                self.type(key)
                self.assertEqual(run.wait(timeout=TIME_LIMIT), 0)
                after_prompt = visible(self.screen).split(visible(program.FINAL_PROMPT.encode()))
                self.assertNotIn(b"x", after_prompt[-1], "the key was echoed")

    def test_the_console_input_mode_is_restored_after_the_wait(self):
        probe = os.environ["INVERSIONS_CONSOLE_MODE_PROBE"]
        launcher = program.command()[:-1]
        run = self.start(launcher + [probe])
        self.read_screen_until(b"mode before: ")
        self.assert_still_waiting(run)
        self.type(b"x")
        self.assertEqual(run.wait(timeout=TIME_LIMIT), 0)
        self.read_screen_until(b"mode after: ")
        modes = re.findall(rb"mode(before|after):(\d+)", visible(self.screen))
        self.assertEqual([name for name, _ in modes], [b"before", b"after"])
        before, after = (int(mode) for _, mode in modes)
        self.assertNotEqual(before, 0, "the console started with every input mode off")
        self.assertEqual(after, before)


def stop(run):
    if run.poll() is None:
        run.kill()
        run.wait()


if __name__ == "__main__":
    unittest.main(verbosity=2)
