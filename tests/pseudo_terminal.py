"""A pseudo-terminal made by a test, for typing at the program as a person would."""

import os
import pty
import select
import subprocess
import termios
import time
import unittest

TIME_LIMIT = 60


class TerminalTestCase(unittest.TestCase):
    """Each test gets a fresh pseudo-terminal: the program runs on its slave side, the test
    types on its master side, and what the program shows collects in self.screen."""

    def setUp(self):
        self.master, self.slave = pty.openpty()
        self.addCleanup(os.close, self.master)
        self.addCleanup(os.close, self.slave)
        self.settings_before = termios.tcgetattr(self.slave)
        self.screen = b""

    def shown(self, text):
        """The form in which the screen and the markers looked for on it are compared."""
        return text

    def start(self, command, stdin=None, stdout=None, **options):
        """Starts command in a session of its own, its output on this terminal unless told.
        One that a failed subtest left running is stopped first, and the settings it held are
        undone: a terminal can be the controlling terminal of one session only."""
        if stop(getattr(self, "running", None)):
            termios.tcsetattr(self.slave, termios.TCSANOW, self.settings_before)
        run = self.running = subprocess.Popen(
            command,
            stdin=self.slave if stdin is None else stdin,
            stdout=self.slave if stdout is None else stdout,
            stderr=self.slave,
            start_new_session=True,
            **options,
        )
        self.addCleanup(stop, run)
        return run

    def read_screen_until(self, marker):
        deadline = time.monotonic() + TIME_LIMIT
        while self.shown(marker) not in self.shown(self.screen):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([self.master], [], [], remaining)[0]:
                self.fail(f"{marker!r} did not appear; the screen shows {self.screen!r}")
            self.screen += os.read(self.master, 4096)

    def read_rest_of_screen(self, quiet=0.2):
        """Adds to the screen whatever else the program wrote, once it has gone quiet."""
        while select.select([self.master], [], [], quiet)[0]:
            self.screen += os.read(self.master, 4096)

    def type(self, keys):
        os.write(self.master, keys)

    def paste(self, keys, piece=1024):
        """Types a long text a piece at a time, reading the screen between pieces: the echo
        of a text that nobody reads fills the terminal, and the program then stops reading."""
        for start in range(0, len(keys), piece):
            self.type(keys[start:start + piece])
            self.read_rest_of_screen(0.01)

    def assert_still_waiting(self, run, pause):
        time.sleep(pause)
        self.assertIsNone(run.poll(), "the program did not wait for a key")


def stop(run):
    """Kills run where it is still running, and says whether it was."""
    if run and run.poll() is None:
        run.kill()
        run.wait()
        return True
    return False
