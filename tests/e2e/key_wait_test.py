#!/usr/bin/env python3
"""The key wait at the end of a run, checked under a pseudo-terminal.

After "\\n Done.\\n" a program run from a terminal waits for one key, read
without echo and without Enter, and then restores the terminal. It never waits
when no person can press a key: standard input from /dev/null or a pipe, or a
job in the background.

Usage: key_wait_test.py PROGRAM EXAMPLES_DIR
"""

import fcntl
import os
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

PROGRAM = os.path.abspath(sys.argv[1])
EXAMPLES = sys.argv[2]
SAMPLES = {
    "converter": ["airports.airbus.txt"],
    "trevik": ["north.anf", "south.anf"],
}[os.path.basename(PROGRAM)]

# The terminal turns each line feed the program writes into CR LF.
DONE = b"\r\n Done.\r\n"
PROMPT = b"Press any key to close.\n"
SECONDS = 20  # far more than any run here needs

# Starts a program in a process group of its own, so that it runs as a
# background job of this helper's terminal, and ends with its exit code.
BACKGROUND_HELPER = """
import os, subprocess, sys
job = subprocess.Popen(sys.argv[1:], preexec_fn=os.setpgrp)
sys.exit(job.wait())
"""


class Terminal:
    """A pseudo-terminal whose slave side becomes a program's console."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        os.set_blocking(self.master, False)
        self.settings = termios.tcgetattr(self.slave)

    def close(self):
        os.close(self.master)
        os.close(self.slave)

    def start(self, args, cwd, stdin=None):
        """Starts args as the leader of a session that owns this terminal."""

        def take_terminal():
            fcntl.ioctl(1, termios.TIOCSCTTY, 0)

        return subprocess.Popen(
            args,
            cwd=cwd,
            stdin=self.slave if stdin is None else stdin,
            stdout=self.slave,
            stderr=subprocess.PIPE,
            start_new_session=True,
            preexec_fn=take_terminal,
        )

    def read(self, seconds):
        """Everything the program writes within the given time."""
        data = b""
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return data
            ready, _, _ = select.select([self.master], [], [], left)
            if ready:
                try:
                    data += os.read(self.master, 65536)
                except OSError:
                    return data

    def read_until(self, text, seconds=SECONDS):
        data = b""
        deadline = time.monotonic() + seconds
        while text not in data and time.monotonic() < deadline:
            data += self.read(0.05)
        return data

    def pending_input(self):
        """Bytes typed at the terminal that nobody has read."""
        size = fcntl.ioctl(self.slave, termios.FIONREAD, b"\0\0\0\0")
        return struct.unpack("i", size)[0]

    def local_flags(self):
        return termios.tcgetattr(self.slave)[3]


class KeyWaitTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="apb-keywait-")
        for name in SAMPLES:
            shutil.copy(os.path.join(EXAMPLES, name), self.dir)
        open(os.path.join(self.dir, "empty"), "wb").close()
        self.terminal = Terminal()

    def tearDown(self):
        self.terminal.close()
        shutil.rmtree(self.dir)

    def finish(self, job):
        try:
            code = job.wait(timeout=SECONDS)
        except subprocess.TimeoutExpired:
            job.kill()
            job.wait()
            code = None
        self.errors = job.stderr.read()
        job.stderr.close()
        if code is None:
            self.fail("the program did not end")
        return code

    def press_after_done(self, args, key, exit_code=0):
        """Runs to "Done.", checks that the program waits, presses key."""
        job = self.terminal.start([PROGRAM] + args, self.dir)
        console = self.terminal.read_until(DONE)
        self.assertTrue(console.endswith(DONE), console)
        console += self.terminal.read(0.5)
        self.assertIsNone(job.poll(), "ended without waiting for a key")
        self.assertTrue(console.endswith(DONE), "wrote after Done.")
        flags = self.terminal.local_flags()
        self.assertFalse(flags & termios.ECHO, "keys would be echoed")
        self.assertFalse(flags & termios.ICANON, "would wait for Enter")
        os.write(self.terminal.master, key)
        self.assertEqual(self.finish(job), exit_code)
        # Standard error says why the program waits, as its last line.
        self.assertTrue(self.errors.endswith(PROMPT), self.errors)
        return self.terminal.read(0.2)

    def assert_terminal_restored(self):
        self.assertEqual(termios.tcgetattr(self.terminal.slave),
                         self.terminal.settings)
        self.assertEqual(self.terminal.pending_input(), 0,
                         "left bytes of the key for the shell")

    def test_one_key_without_enter_ends_a_successful_run(self):
        echoed = self.press_after_done(SAMPLES, b"q")
        self.assertEqual(echoed, b"", "the key was echoed")
        self.assert_terminal_restored()
        self.assertTrue(os.path.isfile(os.path.join(self.dir, "APB")))

    def test_one_key_ends_a_run_on_input_without_airports(self):
        self.assertEqual(self.press_after_done(["empty"], b"q", 1), b"")
        self.assert_terminal_restored()
        self.assertFalse(os.path.exists(os.path.join(self.dir, "APB")))

    def test_every_byte_of_a_multibyte_key_is_taken(self):
        self.assertEqual(self.press_after_done(SAMPLES, b"\x1b[A"), b"")
        self.assert_terminal_restored()

    def test_ctrl_c_counts_as_the_key(self):
        self.assertEqual(self.press_after_done(SAMPLES, b"\x03"), b"")
        self.assert_terminal_restored()

    def test_runs_that_do_not_print_done_never_wait(self):
        os.mkdir(os.path.join(self.dir, "APB"))
        for args, code in (([], 2), (["missing"], 1), (SAMPLES, 1)):
            with self.subTest(args=args):
                job = self.terminal.start([PROGRAM] + args, self.dir)
                self.assertEqual(self.finish(job), code)
                self.assertNotIn(PROMPT, self.errors)
                self.assertNotIn(b"Done.", self.terminal.read(0.1))
                self.assert_terminal_restored()

    def test_never_waits_when_input_is_not_the_terminal(self):
        for name in ("/dev/null", "a pipe"):
            with self.subTest(stdin=name):
                if name == "/dev/null":
                    stdin = open(os.devnull, "rb")
                else:
                    stdin = subprocess.PIPE  # held open, never written
                job = self.terminal.start([PROGRAM] + SAMPLES, self.dir, stdin)
                self.assertEqual(self.finish(job), 0)
                self.assertNotIn(PROMPT, self.errors)
                if job.stdin:
                    job.stdin.close()
                if name == "/dev/null":
                    stdin.close()
                self.assertTrue(self.terminal.read(0.2).endswith(DONE))
                self.assert_terminal_restored()

    def test_never_waits_in_the_background(self):
        # A background job cannot read the keyboard; trying would stop it.
        job = self.terminal.start(
            [sys.executable, "-c", BACKGROUND_HELPER, PROGRAM] + SAMPLES,
            self.dir)
        self.assertEqual(self.finish(job), 0)
        self.assertTrue(self.terminal.read(0.2).endswith(DONE))
        self.assert_terminal_restored()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
