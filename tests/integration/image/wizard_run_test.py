"""`scrivo wizard` runs that record: results after a recording, the empty list, answers
that run out at the end, the log and the stored label of a run, and a run typed at the
terminal."""
import subprocess
import threading

from wizard_it import WizardTestCase
from write_it import disc_state
import needs  # noqa: E402 (found beside verify_iso)

RECORD = ["Finish", "OK", "Close"]


class WizardRuns(WizardTestCase):
    def test_results_after_a_recording(self):
        disc = self.path("r.disc")
        src = self.flat_tree("src", 1)
        # Previous on page 2, then on page 1: 0 wins over the disc written.
        self.wizard(["Finish", "OK", "Previous", "Previous"], "-d", self.drive(disc, "cd-r"), "--no-log", src,
                    expect=0)
        self.wizard(["Finish", "OK", "CloseBox"], "-d", self.drive(disc), "--no-log", src, expect=1)
        self.assertEqual(len(disc_state(disc)["sessions"]), 2)

    def test_empty_list(self):
        r = self.wizard(["Finish", "OK", "Cancel"], "-d", self.drive(self.path("e.disc"), "cd-r"), "--no-log",
                        expect=2)
        self.assertIn("At least one file or folder must be specified.", r.stdout)

    def test_add_modes(self):
        disc = self.path("m.disc")
        src = self.flat_tree("src", 7)
        # 3 passes every item over: Finish finds nothing to write and says nothing.
        r = self.wizard(["Finish", "Cancel"], "-d", self.drive(disc, "cd-r"), "--no-log", "--add-mode", "3", src,
                        expect=2)
        self.assertNotIn("\n-- ", r.stdout)
        self.assertEqual(disc_state(disc)["status"], "empty")
        # 2 puts plain files into --dest, the root here.
        self.wizard(RECORD, "-d", self.drive(disc), "--no-log", "--add-mode", "2", "--dest", "\\", src + "f7.bin",
                    expect=1)
        self.assertSession(disc, 0, [src + "f7.bin"])

    def test_answers_that_run_out_at_the_final_message(self):
        disc = self.path("d.disc")
        r = self.wizard(["Finish"], "-d", self.drive(disc, "cd-r"), "--no-log", self.flat_tree("src", 2), expect=2)
        self.assertIn("The answers ran out at the message \"Your disk is now ready.\"", r.stderr)
        self.assertEqual(len(disc_state(disc)["sessions"]), 1)

    def test_log_of_a_run(self):
        self.wizard(RECORD, "-d", self.drive(self.path("l.disc"), "dvd+r"), self.flat_tree("src", 3), expect=1)
        with open(self.log_path(), "rb") as f:
            text = f.read().decode("latin-1")
        for expected in ("[brenvikDebugMessage] >>> STARTING CD BURN ON ",
                         "[brenvikDebugMessage] >>> CD write process done\r\n",
                         "[brenvikDebugMessage] >>> Write Completed\r\n",
                         "[brenvikDebugMessage] >>> Eject medium command done\r\n"):
            self.assertIn(expected, text)

    def test_advanced_options_and_the_stored_label(self):
        key = "Software\\Test\\Wizard\\"
        disc = self.path("s.disc")
        self.wizard(["Cancel"], "-d", self.drive(disc, "cd-r"), "--no-log", "--key", key, "--label", "FIRSTLABEL",
                    expect=2)
        src = self.flat_tree("src", 5)
        self.wizard(["Advanced", "Close Disc on", "OK", "Finish", "OK", "Close"],
                    "-d", self.drive(disc), "--no-log", "--key", key, src, expect=1)
        state = disc_state(disc)
        self.assertEqual(state["status"], "complete")
        with open(disc, "rb") as f:
            f.seek((state["sessions"][0]["start"] + 16) * 2048)
            pvd = f.read(2048)
        self.assertEqual(pvd[40:72].decode("ascii").rstrip(), "FIRSTLABEL")
        self.assertSession(disc, state["sessions"][0]["start"], [src])

    def test_verify_written_data_is_an_advanced_option_kept_with_the_settings(self):
        disc = self.path("v.disc")
        src = self.flat_tree("src", 9)
        self.wizard(["Advanced", "Verify written data on", "OK"] + RECORD, "-d", self.drive(disc, "cd-r"), src,
                    expect=1)
        self.assertEqual(self.settings()["VerifyWrite"], "True")
        with open(self.log_path(), "rb") as f:
            self.assertIn(b"[brenvikDebugMessage] >>> Written data verified\r\n", f.read())
        self.assertSession(disc, 0, [src])


class WizardTerminal(WizardTestCase):
    """The wizard at a terminal: lines are typed when the screen asks for them."""

    def test_typed_run(self):
        disc = self.path("t.disc")
        src = self.flat_tree("src", 6)
        p = subprocess.Popen([self.exe, "wizard", "-d", self.drive(disc, "cd-r"), "--no-log", src],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True, env=self.env)
        seen = []
        arrived = threading.Condition()

        def read():
            for line in p.stdout:
                with arrived:
                    seen.append(line)
                    arrived.notify_all()

        reader = threading.Thread(target=read, daemon=True)
        reader.start()

        def after(text, typed):
            with arrived:
                self.assertTrue(arrived.wait_for(lambda: text in "".join(seen), timeout=60),
                                "no \"%s\" in:\n%s" % (text, "".join(seen)))
            p.stdin.write(typed + "\n")
            p.stdin.flush()

        after("[Finish]", "Bogus")
        after("is no action", "Finish")
        after("Your disk is now ready.", "OK")
        after("[Close]", "Close")
        p.stdin.close()
        code = p.wait(timeout=60)
        reader.join(timeout=10)
        errors = p.stderr.read()
        p.stdout.close()
        p.stderr.close()
        self.assertEqual(code, 1, "".join(seen) + errors)
        out = "".join(seen)
        self.assertIn("== Write Files to CD ==", out)
        self.assertIn("cbDrives: D: SCRIVO  VIRTUAL DVD-RW", out)  # as the list draws it
        self.assertIn("  | >>> Write Completed", out)
        self.assertEqual(len(disc_state(disc)["sessions"]), 1)


if __name__ == "__main__":
    needs.main()
