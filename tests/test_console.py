"""The Windows console key wait, run under Wine. Wine's console takes its keys from the
program's standard input when that is a terminal, so a pseudo-terminal made by the test stands
in for the console window."""

import os
import re
import subprocess
import termios
import tty
import unittest

import program
import pseudo_terminal

TIME_LIMIT = pseudo_terminal.TIME_LIMIT

# Wine draws the console with cursor-control sequences, spaces among them, so the screen is
# compared as its text with escape sequences and white space taken out.
ESCAPE_SEQUENCE = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]")


def visible(text):
    return re.sub(rb"\s", b"", ESCAPE_SEQUENCE.sub(b"", text))


@unittest.skipUnless(os.environ.get("INVERSIONS_LAUNCHER"), "needs Wine to start the program")
class ConsoleWait(pseudo_terminal.TerminalTestCase):
    def setUp(self):
        super().setUp()
        # Raw, so that Enter reaches the console as a line end rather than as Ctrl+J.
        tty.setraw(self.slave)
        self.settings_before = termios.tcgetattr(self.slave)

    def shown(self, text):
        return visible(text)

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
                self.assert_still_waiting(run, 1)
                self.type(key)
                self.assertEqual(run.wait(timeout=TIME_LIMIT), 0)
                after_prompt = visible(self.screen).split(visible(program.FINAL_PROMPT.encode()))
                self.assertNotIn(b"x", after_prompt[-1], "the key was echoed")

    def test_the_console_input_mode_is_restored_and_typed_ahead_keys_discarded(self):
        run = self.start(program.command(os.environ["INVERSIONS_CONSOLE_MODE_PROBE"]))
        self.read_screen_until(b"mode before: ")
        self.assert_still_waiting(run, 1)
        self.type(b"xabc\recho PASTED\r")
        self.assertEqual(run.wait(timeout=TIME_LIMIT), 0)
        self.read_screen_until(b"mode after: ")
        self.read_screen_until(b"done")
        modes = re.findall(rb"mode(before|after):(\d+),eventsleft:(\d+)", visible(self.screen))
        self.assertEqual([name for name, _, _ in modes], [b"before", b"after"])
        (_, before, _), (_, after, left) = modes
        self.assertNotEqual(int(before), 0, "the console started with every input mode off")
        self.assertEqual(after, before)
        self.assertEqual(left, b"0")

    def run_under_cmd(self, typed):
        """Types at the program under cmd's prompt; after the final prompt, the wait must not
        have ended by itself, and after the key nothing typed must reach cmd."""
        program_path = "Z:" + os.environ["INVERSIONS_PROGRAM"].replace("/", "\\")
        shell = self.start(program.command("cmd"))
        self.read_screen_until(b">")
        self.type(program_path.encode() + b"\r")
        self.read_screen_until(b"Please input the number of elements: ")
        self.paste(typed)
        self.read_screen_until(program.FINAL_PROMPT.encode())
        self.read_rest_of_screen(1)
        self.assertFalse(visible(self.screen).endswith(b">"), "the wait ended by itself")
        self.type(b"x")
        self.read_rest_of_screen(1)
        self.type(b"exit\r")
        self.assertEqual(shell.wait(timeout=TIME_LIMIT), 0)
        shown = visible(self.screen).replace(b"echoLEAKED-TAIL", b"")
        self.assertNotIn(b"LEAKED-TAIL", shown)
        self.assertNotIn(b"recognize", shown)

    def test_a_blank_line_typed_ahead_does_not_end_the_wait(self):
        self.run_under_cmd(b"3\r3 1 2\r\r")

    def test_the_tail_of_a_line_longer_than_a_read_does_not_reach_the_command_prompt(self):
        self.run_under_cmd(b"3\r3 1 2" + b" 0" * 40000 + b" & echo LEAKED-TAIL\r")

    def test_a_word_typed_outside_ascii_shows_as_typed_in_the_error_line(self):
        # Wine's console hands the program what is typed in its input code page, taking the
        # terminal's UTF-8; the program reads it back as the character it is, and writes it so.
        run = self.start(program.command(), env=dict(os.environ, LANG="C.UTF-8"))
        self.read_screen_until(b"Please input the number of elements: ")
        self.type("1\r\u00e9\r".encode())
        self.read_screen_until('Error: expected integer 1 of 1 as a whole number, found "\u00e9".'
                               .encode())
        self.read_screen_until(program.FINAL_PROMPT.encode())
        self.assert_still_waiting(run, 1)
        self.type(b"x")
        self.assertEqual(run.wait(timeout=TIME_LIMIT), 1)

    def test_ctrl_z_then_enter_ends_typed_input_and_output_elsewhere_ends_without_a_wait(self):
        run = self.start(program.command(), stdout=subprocess.PIPE)
        self.type(b"3 1\r\x1a\r")
        self.read_screen_until(b"Error: expected 3 integers, but the input ended after 1.")
        output, _ = run.communicate(timeout=TIME_LIMIT)
        self.assertEqual(run.returncode, 1)
        self.assertTrue(output.endswith(program.text("\n" + program.FINAL_PROMPT)))


if __name__ == "__main__":
    unittest.main(verbosity=2)
