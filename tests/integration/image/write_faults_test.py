"""How `scrivo write` ends when the recorder misbehaves or the user interrupts: always as a
failure with the engine's text, never as a recorded disc."""
import io
import os
import signal
import subprocess
import time

from write_it import SCRIVO, WriteTestCase, disc_state, make_tree, pattern
import needs  # noqa: E402 (found beside verify_iso)

pycdlib = needs.module("pycdlib")


def wait_for_line(p, text):
    """Reads p's stderr until a line holding `text` (or its end, or a minute)."""
    deadline = time.time() + 60
    line = ""
    while text not in line and time.time() < deadline:
        line = p.stderr.readline()
        if not line and p.poll() is not None:
            break


class WriteFaults(WriteTestCase):
    def src(self, size=200000):
        root = self.path("src")
        make_tree(root, {"a.bin": pattern(size, 1), "b/c.bin": pattern(3000, 2)})
        return root

    def test_a_drive_busy_for_a_while_is_waited_for(self):
        disc = self.path("busy.disc")
        src = self.src()
        self.write(disc, src, media="cd-r", options=",busy=5")
        self.assertSession(disc, 0, [src])

    def test_ten_thousand_busy_answers_fail_the_run(self):
        disc = self.path("busy.disc")
        r = self.write(disc, self.src(), media="dvd+r", options=",busy=20000", expect=1)
        self.assertIn("WRITER BUSY/BUFFER FULL", r.stderr)
        self.assertEqual(r.stderr.count("WRITER BUSY/BUFFER FULL"), 1)

    def test_a_medium_error_fails_the_run_with_the_sense_text(self):
        disc = self.path("bad.disc")
        r = self.write(disc, self.src(), media="cd-r", options=",write_error_at=100", expect=1)
        self.assertIn("WRITER ERROR [", r.stderr)
        self.assertIn("MEDIUM ERROR", r.stderr)
        self.assertEqual(disc_state(disc)["sessions"][0]["closed"] if disc_state(disc).get("sessions") else False,
                         False)

    def test_a_disc_too_small_is_refused_before_writing(self):
        disc = self.path("small.disc")
        subprocess.run([self.vrecorder(), "create", "--media", "cd-r", "--capacity", "400", disc], check=True)
        r = self.write(disc, self.src(3000000), expect=1)
        self.assertIn("free", r.stderr)
        self.assertEqual(disc_state(disc)["status"], "empty")

    def test_an_item_that_cannot_be_added_stops_the_run_before_writing_unless_skipped(self):
        disc = self.path("left.disc")
        src = self.src()
        long_name = os.path.join(src, "b", "n" * 110)
        make_tree(src, {long_name: b"x"})
        # Without Rock Ridge the name must fit a Joliet record.
        r = self.write(disc, "--no-rock", src, media="cd-r", expect=1)
        self.assertIn("\"%s\": its name has 111 characters" % long_name, r.stderr)
        self.assertEqual(disc_state(disc)["sessions"], [])
        r = self.write(disc, "--no-rock", "--skip-unreadable", src)
        self.assertIn("left out:\n  \"%s\"" % long_name, r.stderr)
        os.remove(long_name)
        self.assertSession(disc, 0, [src])

    def test_a_failed_close_or_flush_fails_the_run(self):
        for media, knob in (("cd-r", "close_error"), ("dvd+r", "sync_error")):
            r = self.write(self.path(media + ".disc"), self.src(), media=media, options="," + knob, expect=1)
            self.assertIn("WRITER ERROR [", r.stderr)

    def test_verification_names_the_file_of_a_corrupted_block(self):
        src = self.src()
        r = self.write(self.path("ok.disc"), src, media="cd-r")
        self.assertIn(", verified", r.stdout)
        # Sector 200 lies in a.bin (98 sectors from 152 in this small tree).
        r = self.write(self.path("bad.disc"), src, media="cd-r", options=",corrupt_write_at=200", expect=1)
        self.assertIn("VERIFY ERROR [1 SECTORS", r.stderr)
        self.assertIn("a.bin\" differs on the disc", r.stderr)
        self.assertNotIn("c.bin", r.stderr)
        self.write(self.path("unchecked.disc"), "--no-verify", src, media="cd-r", options=",corrupt_write_at=200")

    def vrecorder(self):
        import os
        return os.path.join(os.path.dirname(SCRIVO), "vrecorder")

    def test_ctrl_c_aborts_the_run_and_reports_it(self):
        disc = self.path("abort.disc")
        src = self.src(40 * 1024 * 1024)
        # A paced recorder, so the run is still going when the interrupt comes.
        p = subprocess.Popen([SCRIVO, "write", "-v", "-d", "virtual:%s,media=dvd+r,time_scale=1" % disc, src],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        wait_for_line(p, "STARTING WRITE PROCESS")
        time.sleep(0.3)
        p.send_signal(signal.SIGINT)
        out, err = p.communicate(timeout=120)
        self.assertEqual(p.returncode, 130, out + err)
        self.assertIn("OPERATION ABORTED BY USER", err)
        state = disc_state(disc)
        self.assertFalse(any(s["closed"] for s in state.get("sessions", [])), state)


    def test_ctrl_c_is_heard_while_waiting_for_the_drive(self):
        disc = self.path("slow.disc")
        env = dict(os.environ)
        env.pop("SCRIVO_TIME_SCALE", None)  # the wait in real time
        p = subprocess.Popen([SCRIVO, "write", "-v", "-d", "virtual:%s,media=dvd+r,not_ready_ms=600000" % disc,
                              self.src()], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
        # -v traces every command: the first refused one shows the wait has begun.
        wait_for_line(p, "NOT READY")
        sent = time.time()
        p.send_signal(signal.SIGINT)
        out, err = p.communicate(timeout=60)
        self.assertLess(time.time() - sent, 5)
        self.assertEqual(p.returncode, 130, out + err)
        self.assertIn("interrupted", err)

    def test_sources_that_change_while_recorded_are_named_and_fail_the_run(self):
        src = self.path("changing")
        make_tree(src, {"a.bin": pattern(24 * 1024 * 1024, 1), "m.txt": b"kept", "z.bin": pattern(5000, 2)})
        disc = self.path("changing.disc")
        # A paced recorder, so that the run is still reading a.bin when it shrinks; z.bin,
        # read after it, is gone by then. The engine waits for the drive at the same pace.
        p = subprocess.Popen([SCRIVO, "write", "-v", "--speed", "1", "-d",
                              "virtual:%s,media=dvd+r,time_scale=0.1" % disc, src],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                             env=dict(os.environ, SCRIVO_TIME_SCALE="0.1"))
        wait_for_line(p, "STARTING WRITE PROCESS")
        os.truncate(os.path.join(src, "a.bin"), 1024 * 1024)
        os.remove(os.path.join(src, "z.bin"))
        out, err = p.communicate(timeout=120)
        self.assertEqual(p.returncode, 1, out + err)
        self.assertIn("\"%s\" changed size while it was recorded" % os.path.join(src, "a.bin"), err)
        self.assertIn("\"%s\" could not be read while it was recorded" % os.path.join(src, "z.bin"), err)
        iso = pycdlib.PyCdlib()
        iso.open(disc)
        kept = io.BytesIO()
        iso.get_file_from_iso_fp(kept, joliet_path="/changing/m.txt;1")
        iso.close()
        self.assertEqual(kept.getvalue(), b"kept")

    def test_a_drive_that_stops_answering_fails_the_run_in_bounded_time(self):
        src, new = self.src(), self.tree("new", 3)
        # A lost reply to READ DISC INFORMATION or READ TRACK INFORMATION would read as a disc
        # without sessions to import, or without room; a lost WRITE as a 120 s wait.
        runs = {"disc-info": ",lost_completion_op=0x51", "track-info": ",lost_completion_op=0x52",
                "write": ",media=cd-r,lost_completion_op=0x2A,lost_completion_at=3"}
        for name in ("disc-info", "track-info"):
            self.write(self.path(name + ".disc"), src, media="cd-r")
        started = time.monotonic()
        procs = {name: subprocess.Popen([SCRIVO, "write", "-d", "virtual:%s%s" % (self.path(name + ".disc"), knob),
                                         new], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                 for name, knob in runs.items()}
        for name, p in procs.items():
            out, err = p.communicate(timeout=120)
            self.assertEqual(p.returncode, 1, name + ":\n" + out + err)
            if name == "write":
                self.assertIn("WRITER ERROR [THE DRIVE DID NOT ANSWER]", err)
            else:
                self.assertIn("the drive did not answer while the disc was examined", err)
                self.assertEqual(len(disc_state(self.path(name + ".disc"))["sessions"]), 1, name)
                self.assertSession(self.path(name + ".disc"), 0, [src])
        self.assertLess(time.monotonic() - started, 60)


if __name__ == "__main__":
    needs.main()
