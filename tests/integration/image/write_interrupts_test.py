"""Ctrl-C while `scrivo` waits for the drive: every wait ends within a moment of it, as an
abort by the user, and what the disc held before reads back whole."""
import os
import signal
import subprocess
import time

from write_it import SCRIVO, WriteTestCase, disc_state, make_tree, pattern
import needs  # noqa: E402 (found beside verify_iso)

# SIGINT to exit, on a machine shared with other test runs.
PROMPT_S = 1.5
# ThreadSanitizer would hold each exit a second for late reports: the runs join their
# threads before they end.
os.environ["TSAN_OPTIONS"] = (os.environ.get("TSAN_OPTIONS", "") + " atexit_sleep_ms=0").strip()


def interrupt_after(args, line_text, env=None):
    """Runs scrivo with -v, sends SIGINT once a line of stderr holds `line_text`; answers
    (process, seconds from SIGINT to exit, stdout, stderr)."""
    p = subprocess.Popen([SCRIVO] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
    err = []
    while not err or line_text not in err[-1]:
        line = p.stderr.readline()
        if not line:
            break
        err.append(line)
    sent = time.monotonic()
    p.send_signal(signal.SIGINT)
    out, rest = p.communicate(timeout=300)
    return p, time.monotonic() - sent, out, "".join(err) + rest


class WriteInterrupts(WriteTestCase):
    def setUp(self):
        super().setUp()
        self.first = self.path("first")
        make_tree(self.first, {"a.bin": pattern(40000, 1), "d/b.txt": b"kept"})

    def test_ctrl_c_ends_the_wait_for_a_write_the_drive_never_answers(self):
        # In real time the lost WRITE would be waited for 120 s. The Ctrl-C comes as it is lost.
        disc = self.path("lost.disc")
        self.write(disc, self.first, media="cd-r")
        src = self.path("big")
        make_tree(src, {"big.bin": pattern(2 * 1024 * 1024, 2)})
        started = time.monotonic()
        r = subprocess.run([SCRIVO, "write", "-v", "-d", "virtual:%s,lost_completion_op=0x2A,lost_completion_at=3,"
                            "interrupt_before=0x2A:3" % disc, src], capture_output=True, text=True, timeout=300,
                           env=dict(os.environ, SCRIVO_TIME_SCALE="1"))
        self.assertEqual(r.returncode, 130, r.stderr[-2000:])  # -v traces every command: the tail tells
        self.assertLess(time.monotonic() - started, 10, r.stderr[-2000:])
        self.assertIn("scrivo: OPERATION ABORTED BY USER", r.stderr)
        # The third WRITE was the one awaited: it is traced as aborted (status 02h).
        self.assertRegex(r.stderr, r"WRITE \(10\) .* <02> ")
        self.assertNotIn("DID NOT ANSWER", r.stderr)
        self.assertSession(disc, 0, [self.first])

    def test_ctrl_c_while_reading_back_says_the_session_was_recorded(self):
        disc = self.path("verify.disc")
        r = self.write(disc, self.first, media="dvd+r", options=",interrupt_before=0x28", expect=130)
        self.assertIn("interrupted while the new session was read back: the recording itself finished "
                      "(session at sector 0); only its verification was stopped", r.stderr)
        self.assertNotIn("ABORTED", r.stderr)
        self.assertTrue(all(s["closed"] for s in disc_state(disc)["sessions"]))
        self.assertSession(disc, 0, [self.first])

    def test_ctrl_c_while_the_drive_erases_leaves_at_once_and_says_so(self):
        disc = self.path("erase.disc")
        self.write(disc, self.first, media="cd-rw")
        # A quick blank of a CD-RW takes 150 s of real time on this paced recorder; the first
        # "not ready" answer shows the drive is at it.
        p, seconds, out, err = interrupt_after(["erase", "-v", "-d", "virtual:%s,time_scale=1" % disc],
                                          "NOT READY", env=dict(os.environ, SCRIVO_TIME_SCALE="1"))
        self.assertEqual(p.returncode, 130, err[-2000:])  # -v traces every command: the tail tells
        self.assertLess(seconds, PROMPT_S, err[-2000:])
        self.assertIn("interrupted: the drive goes on erasing the disc by itself", err)
        self.assertNotIn("erased", out)


if __name__ == "__main__":
    needs.main()
