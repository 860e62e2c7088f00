"""The final key wait on a real terminal: a pseudo-terminal made by the test, which the program
takes as its controlling terminal."""

import fcntl
import os
import pathlib
import random
import resource
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

import program
import pseudo_terminal

TIME_LIMIT = pseudo_terminal.TIME_LIMIT

# Keys as a terminal sends them, each to end the wait at once and leave nothing behind.
KEYS = {
    "Enter": b"\r",
    "letter": b"x",
    "Ctrl+C": b"\x03",
    "Escape": b"\x1b",
    "Up arrow": b"\x1b[A",
    "Up arrow, application mode": b"\x1bOA",
    "F1": b"\x1bOP",
    "F1 on the Linux console": b"\x1b[[A",
    "F5": b"\x1b[15~",
    "Ctrl+Delete": b"\x1b[3;5~",
    "Alt+x": b"\x1bx",
    "e acute": "é".encode(),
    "euro sign": "€".encode(),
    "pasted text, of which only the first key is taken": b"abc\rdef",
}


@unittest.skipUnless(sys.platform.startswith("linux"), "needs a Linux pseudo-terminal")
class KeyWait(pseudo_terminal.TerminalTestCase):
    def start(self, stdin=None, command=None, ignored=(), **options):
        """Starts the program (or command) with this terminal as its controlling terminal, and
        the signals named ignored, as its parent may leave them."""
        slave = self.slave

        def take_terminal():
            fcntl.ioctl(slave, termios.TIOCSCTTY, 0)
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
            for number in ignored:
                signal.signal(number, signal.SIG_IGN)

        return super().start(
            command or program.command(), stdin=stdin, preexec_fn=take_terminal,
            pass_fds=(slave,), **options
        )

    def wait_for_key_mode(self, run):
        """Waits until the program has switched the signal keys off for its key wait (its line
        editing leaves them on)."""
        deadline = time.monotonic() + TIME_LIMIT
        while termios.tcgetattr(self.slave)[3] & termios.ISIG:
            self.assertIsNone(run.poll(), "the program ended before it waited for a key")
            self.assertLess(time.monotonic(), deadline, "key mode was never taken")
            self.read_rest_of_screen(0.01)  # a long result does not fit the terminal unread

    def type_example_and_reach_the_wait(self, run=None):
        self.screen = b""
        run = run or self.start()
        self.read_screen_until(b"elements: ")
        self.type(b"3\n")
        self.read_screen_until(b"integers: ")
        self.type(b"3 1 2\n")
        self.read_screen_until(program.FINAL_PROMPT.encode())
        self.wait_for_key_mode(run)
        return run

    def left_unread(self):
        """What is still waiting to be read on the terminal: a line end typed now completes
        the line, and the line holds whatever the program left."""
        self.type(b"\n")
        if not select.select([self.slave], [], [], TIME_LIMIT)[0]:
            self.fail("the terminal gave back no line")
        return os.read(self.slave, 4096).removesuffix(b"\n")

    def test_a_key_ends_the_wait_unechoed_and_the_terminal_is_restored(self):
        run = self.type_example_and_reach_the_wait()
        self.assert_still_waiting(run, 0.3)
        self.type(b"x")
        self.assertEqual(run.wait(timeout=TIME_LIMIT), 0)
        self.read_rest_of_screen()
        after_prompt = self.screen.split(program.FINAL_PROMPT.encode())[1]
        self.assertEqual(after_prompt, b"\r\n")  # the program's own line end, and no x
        self.assertEqual(termios.tcgetattr(self.slave), self.settings_before)

    def test_every_kind_of_key_ends_the_wait_once_and_leaves_nothing_behind(self):
        for name, keys in KEYS.items():
            with self.subTest(key=name):
                run = self.type_example_and_reach_the_wait()
                self.type(keys)
                self.assertEqual(run.wait(timeout=TIME_LIMIT), 0)
                self.assertEqual(self.left_unread(), b"")
                self.assertEqual(termios.tcgetattr(self.slave), self.settings_before)

    def test_a_paste_arriving_in_pieces_is_discarded_whole(self):
        """In pieces with pauses, and 10 MB as fast as the terminal takes it: the wait goes on
        for as long as the paste does."""
        piece = b"-535 " * 100 + b"echo LEAKED\r"
        for pieces, pause in ((64, 0.01), (10**7 // len(piece), 0)):  # 32 KiB, 10 MB
            with self.subTest(pieces=pieces):
                run = self.type_example_and_reach_the_wait()
                pasted = memoryview(piece * pieces)
                deadline = time.monotonic() + TIME_LIMIT
                while pasted:
                    self.assertLess(time.monotonic(), deadline, "the paste was not taken")
                    if select.select([], [self.master], [], 1)[1]:
                        pasted = pasted[os.write(self.master, pasted[:len(piece) * 8]):]
                    time.sleep(pause)
                self.assertEqual(run.wait(timeout=TIME_LIMIT), 0)
                self.assertEqual(self.left_unread(), b"")

    def test_output_elsewhere_ends_at_once_and_leaves_the_terminal_alone(self):
        run = self.start(stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        output, _ = run.communicate(b"3\n3 1 2\n", timeout=TIME_LIMIT)
        self.assertEqual(run.returncode, 0)
        self.assertTrue(output.endswith(program.FINAL_PROMPT.encode()))
        self.assertEqual(termios.tcgetattr(self.slave), self.settings_before)

    def test_input_left_over_or_typed_ahead_does_not_end_the_wait(self):
        """Text typed before the program starts, which the terminal echoed itself, is read as
        typed and shown again after the prompt; an end of file among it ends its line (Linux
        keeps it as a NUL byte)."""
        # (what the pipe brings, or None for the terminal, and what is typed at the terminal
        # before the program starts)
        for piped, typed in ((b"3\n3 1 2\n9 9 9\n\n\n", b""), (None, b"3\n3 1 2\n\n"),
                             (b"3 3 1 2\n", b"\r"), (None, b"3\x04 3 1 2\n")):
            with self.subTest(piped=piped, typed=typed):
                self.screen = b""
                self.type(typed)
                self.read_screen_until(typed.replace(b"\x04", b"").replace(b"\r", b"\n")
                                       .replace(b"\n", b"\r\n"))  # the terminal's own echo
                run = self.start(stdin=None if piped is None else subprocess.PIPE)
                if piped:
                    run.stdin.write(piped)
                    run.stdin.close()
                self.wait_for_key_mode(run)
                self.assert_still_waiting(run, 0.3)
                self.type(b"\r")
                self.assertEqual(run.wait(timeout=TIME_LIMIT), 0)
                self.read_rest_of_screen()
                # Echoed by the terminal before the program asked, and shown after the prompt.
                self.assertEqual(self.screen.count(b"3 1 2\r\n"), 2 * typed.count(b"3 1 2\n"))

    def test_no_storm_of_signals_leaves_the_terminal_changed(self):
        """Bursts of stops (dropped: no shell controls the program's group), continuations
        and resizes, then a key; one burst has an ending signal inside, one stop comes alone."""
        chance = random.Random(22)
        storm = [signal.SIGTSTP, signal.SIGCONT, signal.SIGTTIN, signal.SIGTTOU, signal.SIGWINCH]
        for round_number in range(60):
            with self.subTest(round=round_number):
                run = self.start(stdin=subprocess.PIPE)
                run.stdin.write(b"3 3 1 2\n")
                run.stdin.close()
                self.wait_for_key_mode(run)
                burst = [chance.choice(storm) for _ in range(300)] + [signal.SIGCONT]
                if round_number == 0:
                    burst.insert(chance.randrange(300), signal.SIGTERM)
                elif round_number == 1:
                    burst = [signal.SIGTSTP]
                time.sleep(chance.random() / 100)
                for number in burst:
                    run.send_signal(number)
                if round_number != 0:
                    time.sleep(0.05)
                    self.wait_for_key_mode(run)
                    self.type(b"x")
                expected = -signal.SIGTERM if round_number == 0 else 0
                self.assertEqual(run.wait(timeout=TIME_LIMIT), expected)
                self.assertEqual(termios.tcgetattr(self.slave), self.settings_before)

    def test_a_signal_during_the_wait_restores_the_terminal(self):
        """One that the parent left ignored (nohup, a shell's background job) stays ignored."""
        ending = [(number, False) for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT,
                  signal.SIGQUIT, signal.SIGUSR1, signal.SIGALRM, signal.SIGRTMIN)]
        for number, ignored in ending + [(signal.SIGHUP, True), (signal.SIGINT, True)]:
            with self.subTest(signal=number.name, ignored=ignored):
                run = self.start(ignored=(number,) if ignored else ())
                self.type_example_and_reach_the_wait(run)
                run.send_signal(number)
                if ignored:
                    self.assert_still_waiting(run, 0.3)
                    self.type(b"x")
                self.assertEqual(run.wait(timeout=TIME_LIMIT), 0 if ignored else -number)
                self.assertEqual(termios.tcgetattr(self.slave), self.settings_before)

    def test_the_screen_shows_what_is_read_and_errors_start_lines_of_their_own(self):
        """Ctrl+D hands over a partial line, and a second one ends the input, which is then
        never asked for again; the editing keys act as the terminal's own; a pasted line of any
        length arrives whole; a word ends where the program ends the screen's line."""
        line = b" ".join(b"%d" % (10**8 + i) for i in range(3000, 0, -1))  # 30 KB
        erased = "1 ５\x7fwrong\x17\x15".encode()  # erase, word erase, kill
        # (what is piped, what is typed after each prompt, what the screen shows, the status)
        cases = [
            (None, [b"3\n", b"4 1\x04\x04"],
             b"4 1\r\nError: expected 3 integers, but the input ended after 2.", 1),
            (None, [b"3\n", b"\x04"],
             b"integers: \r\nError: expected 3 integers, but the input ended after 0.", 1),
            (None, [b"3 1 x\n"], b"3 1 x\r\nPlease input 3 integers: \r\n"
             b'Error: expected integer 2 of 3 as a whole number, found "x".', 1),
            (None, [b"12\x04\x04"], b"elements: 12\r\nPlease input 12 integers: \r\n"
             b"Error: expected 12 integers, but the input ended after 0.", 1),
            (None, [b"2 5\x04", b"7\n"], b"elements: 2 5\r\nPlease input 2 integers: 7\r\n"
             b"\r\n************** Result **************\r\nThe input array is: 5 7 ", 0),
            (None, [b"2\n", erased + b" 4 1\x042\r"], "integers: 1 ５\b \b\b \bwrong".encode()
             + b"\b \b" * 7 + b" 4 12\r\n\r\n************** Result **************\r\n"
             b"The input array is: 4 12 ", 0),
            (None, [b"3000\n", line + b"\r"], (line + b"\r\n", b"inversions is 4498500."), 0),
            (None, [b"3\n", b"2 3\x01\x1b[C1\x05 4\x1b[D\x1b[3~5\x1b[A\r"],  # the cursor keys
             b"The input array is: 21 3 5 ", 0),
            (b"3000 " + line, [], b"The number of inversions is 4498500.", 0),
            (b"3 1 2.5x 3\n", [], b"elements: Please input 3 integers: \r\n"
             b'Error: expected integer 2 of 3 as a whole number, found "2.5x" on line 1, column 5.', 1),
        ]
        for piped, typed, shown, status in cases:
            with self.subTest(piped=piped and piped[:20], typed=[text[:20] for text in typed]):
                self.screen = b""
                run = self.start(stdin=None if piped is None else subprocess.PIPE)
                if piped:
                    run.stdin.write(piped)
                    run.stdin.close()
                for prompt, text in zip((b"elements: ", b"integers: "), typed):
                    self.read_screen_until(prompt)
                    # Taken before the question shows: every key typed in answer is echoed.
                    self.assertFalse(termios.tcgetattr(self.slave)[3] & termios.ICANON)
                    self.paste(text)
                for marker in shown if isinstance(shown, tuple) else (shown,):
                    self.read_screen_until(marker)
                self.wait_for_key_mode(run)
                self.type(b"x")
                self.assertEqual(run.wait(timeout=TIME_LIMIT), status)

    def test_beside_a_pager_the_terminal_is_left_as_it_was(self):
        """Output to a pager, a file or a pipe: the terminal's settings are the pager's or the
        shell's to set, and the program reads what the terminal delivers; a pager that quits
        before the program ends included. Each pipeline several times: whoever restores the
        settings last wins. Under strace, no call sets or flushes the terminal."""
        fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        command = " ".join(program.command())
        folder = self.enterContext(tempfile.TemporaryDirectory())
        trace, copy = pathlib.Path(folder, "trace"), pathlib.Path(folder, "copy")
        pipelines = [f"{command} | cat", f"{command} | tee {copy}", f"{command} 2>&1 | cat"]
        pipelines += [f"{command} | less", f"{command} 2>&1 | less"] if shutil.which("less") else []
        # LeakSanitizer cannot run under a tracer: a sanitizer build's leak check is left out.
        pipelines += [f"ASAN_OPTIONS=${{ASAN_OPTIONS:+$ASAN_OPTIONS:}}detect_leaks=0 strace -f -e "
                      f"trace=ioctl -o {trace} {command} | cat"] * bool(shutil.which("strace"))
        for pipeline in pipelines * 4:
            with self.subTest(pipeline=pipeline):
                run = self.start(command=["bash", "-o", "pipefail", "-c", pipeline],
                                 env=dict(os.environ, LESS="-X"))
                self.assert_still_waiting(run, 0.3)
                self.type(b"3\n")
                time.sleep(0.1)
                self.type(b"3 1 2\n")
                time.sleep(0.3)
                self.type(b"q" if "less" in pipeline else b"")  # a pager quits
                self.assertEqual(run.wait(timeout=TIME_LIMIT), 0)
                self.read_rest_of_screen(0.05)
                self.assertEqual(termios.tcgetattr(self.slave), self.settings_before)
        self.assertEqual(copy.read_bytes(), program.run(b"3\n3 1 2\n").stdout)
        calls = trace.read_text() if trace.exists() else ""
        if "ioctl" not in calls:
            self.skipTest("strace is not installed or cannot trace here")
        self.assertIn("TCGETS", calls)  # it looked
        for call in ("TCSETS", "TCFLSH", "TIOCSTI"):
            self.assertNotIn(call, calls)

    def test_output_to_a_file_gets_no_line_ends_for_the_screen(self):
        piped = program.run(b"3\n4 1").stdout
        with tempfile.TemporaryFile() as output:
            run = self.start(stdout=output)
            deadline = time.monotonic() + TIME_LIMIT
            while b"elements: " not in os.pread(output.fileno(), 64, 0):  # asked: mode taken
                self.assertLess(time.monotonic(), deadline, "the program never asked")
                time.sleep(0.01)
            self.type(b"3\n")
            self.read_screen_until(b"3\r\n")
            self.type(b"4 1\x04\x04")
            self.read_screen_until(b"4 1\r\nError: expected 3 integers, but the input ended after 2.")
            self.assertEqual(run.wait(timeout=TIME_LIMIT), 1)
            output.seek(0)
            self.assertEqual(output.read(), piped)

    @unittest.skipUnless(shutil.which("dash"), "needs dash")
    def test_a_stopped_wait_gives_the_terminal_back_and_takes_it_again(self):
        """Under a job-control shell that restores nothing for a stopped job, as dash, on a
        terminal 80 columns wide: stopped at each prompt with a line half typed and the cursor
        inside it, and at the final wait; each shows again after fg, the edit going on where the
        cursor was."""
        fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        shell = self.start(command=["dash", "-i"], env={"PATH": os.environ["PATH"], "PS1": "$ "})
        self.read_screen_until(b"$ ")
        command = " ".join(program.command()).encode()
        self.type(command + b"\n")
        # (the prompt, typed before the stop, typed after it, what follows)
        for prompt, typed, rest, then in (
                (b"Please input the number of elements: ", b"3", b"\n", b"integers: "),
                (b"Please input 3 integers: ", b"3 1\x1b[D", b"2\x05 4\n",
                 b"The input array is: 3 21 4 "),
                (program.FINAL_PROMPT.encode(), b"", b"", b"")):
            self.read_screen_until(prompt)
            self.type(typed)
            self.read_screen_until(prompt + typed.replace(b"\x1b[D", b""))
            if not typed:
                self.wait_for_key_mode(shell)
            os.killpg(os.tcgetpgrp(self.master), signal.SIGTSTP)  # the program's own group
            self.read_screen_until(b"Stopped")
            self.assertEqual(termios.tcgetattr(self.slave), self.settings_before)
            self.screen = b""
            self.type(b"fg\n")
            # The shell names the job it continues, and the program shows its prompt again.
            self.read_screen_until(command + b"\r\n\r\x1b[K" + prompt +
                                   typed.replace(b"\x1b[D", b""))
            self.type(rest)
            self.read_screen_until(then)
        self.wait_for_key_mode(shell)
        self.assert_still_waiting(shell, 0.3)
        self.screen = b""
        self.type(b"x")
        self.read_screen_until(b"$ ")
        self.assertEqual(self.screen, b"\r\n$ ")  # the program's line end, and no x
        self.type(b"echo status=$?\n")
        self.read_screen_until(b"status=0")
        self.assertEqual(termios.tcgetattr(self.slave), self.settings_before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
