"""`scrivo wizard` on its first page: results, answers that do not fit or run out, the
log and the settings it leaves, and the end of typed input."""
import os
import subprocess

from wizard_it import BIN, WizardTestCase
from write_it import disc_state
import needs  # noqa: E402 (found beside verify_iso)


class WizardFirstPage(WizardTestCase):
    def test_previous_and_cancel(self):
        disc = self.path("r.disc")
        src = self.tree("src", 1)
        self.wizard(["Previous"], "-d", self.drive(disc, "cd-r"), "--no-log", src, expect=0)
        self.wizard(["Cancel"], "-d", self.drive(disc), "--no-log", src, expect=2)
        self.wizard(["CloseBox"], "-d", self.drive(disc), "--no-log", src, expect=2)
        self.assertEqual(disc_state(disc)["status"], "empty")

    def test_answers_that_do_not_fit(self):
        disc = self.path("d.disc")
        r = self.wizard(["# nothing but a comment", ""], "-d", self.drive(disc, "cd-r"), "--no-log", expect=2)
        self.assertIn("The answers ran out while the wizard waits for a click", r.stderr)
        r = self.wizard(["Frobnicate"], "-d", self.drive(disc), "--no-log", expect=2)
        self.assertIn("\"Frobnicate\" is no action", r.stderr)
        # "Close" is only on the second page, which never comes.
        r = self.wizard(["Close"], "-d", self.drive(disc), "--no-log", expect=2)
        self.assertIn("The wizard cannot go on: the next answer, \"Close\", names nothing usable", r.stderr)
        # In a dialog as well.
        r = self.wizard(["Advanced", "Yes"], "-d", self.drive(disc), "--no-log", expect=2)
        self.assertIn("== Advanced options ==", r.stdout)

    def test_drive_by_position_among_the_recorders_drives(self):
        discs = [self.path("a.disc"), self.path("b.disc")]
        for d in discs:
            r = subprocess.run([os.path.join(BIN, "vrecorder"), "create", "--media", "cd-r", d],
                               capture_output=True, text=True, timeout=60)
            self.assertEqual(r.returncode, 0, r.stderr)
        self.env["VRECORDER_DRIVES"] = ";".join(discs)
        r = self.wizard(["Cancel"], "-d", "2", expect=2)
        with open(self.log_path(), encoding="latin-1") as f:
            self.assertIn("Setting CD Device to : 0:1:0,", f.read())
        self.assertEqual(self.settings()["CDRomDrive"], "1")
        self.assertNotIn("UseInternalASPI", self.settings())
        r = self.wizard(["Cancel"], "-d", "3", expect=2)
        self.assertIn("no drive \"3\"", r.stderr)

    def test_bad_usage(self):
        r = self.wizard([], "--add-mode", "x", expect=2)
        self.assertIn("--add-mode takes a whole number", r.stderr)
        r = self.wizard([], "--answers-typo", expect=2)
        self.assertIn("unknown option", r.stderr)

    def test_input_ends(self):
        r = subprocess.run([self.exe, "wizard", "-d", self.drive(self.path("i.disc"), "cd-r"), "--no-log"],
                           input="?\n", capture_output=True, text=True, timeout=60, env=self.env)
        self.assertEqual(r.returncode, 2)
        self.assertIn("Click: \"Info...\"", r.stdout)
        self.assertIn("The input ended while the wizard waits for a click", r.stderr)


class WizardLogAndSettings(WizardTestCase):
    def test_log_beside_the_program(self):
        disc = self.path("l.disc")
        self.wizard(["Cancel"], "-d", self.drive(disc, "dvd+r"), expect=2)
        with open(self.log_path(), "rb") as f:
            first = f.read()
        lines = first.decode("latin-1").split("\r\n")
        self.assertEqual(lines[-1], "", "lines end in CR LF")
        self.assertRegex(lines[0], r"^0 - \[FormShow\] App Version=")
        text = "\n".join(lines)
        for expected in ("[FormShow] Brenvik Version=1.21",
                         "[FormShow] Initializing ASPI (Internal=False)",
                         "[FormShow] CD-ROM Devices Count: 1",
                         "[UpdateDriveSelection] End, result=True",
                         "[FormShow] End"):
            self.assertIn(expected, text)
        # A run without the log leaves it alone; one with it starts it afresh.
        self.wizard(["Cancel"], "-d", self.drive(disc), "--no-log", expect=2)
        with open(self.log_path(), "rb") as f:
            self.assertEqual(f.read(), first)
        self.wizard(["Previous"], "-d", self.drive(disc), expect=0)
        with open(self.log_path(), "rb") as f:
            self.assertEqual(f.read().count(b"App Version="), 1)

    def test_no_log_writes_none(self):
        self.wizard(["Cancel"], "-d", self.drive(self.path("n.disc"), "cd-r"), "--no-log", expect=2)
        self.assertFalse(os.path.exists(self.log_path()))

    def test_settings_under_the_key_given(self):
        key = "Software\\Test\\Wizard\\"
        disc = self.path("s.disc")
        self.wizard(["Advanced", "Close Disc on", "OK", "Cancel"], "-d", self.drive(disc, "cd-r"), "--no-log",
                    "--key", key, "--label", "FIRSTLABEL", expect=2)
        values = self.settings(key)
        self.assertEqual(list(values), ["CloseTrack", "CloseDisc", "JolietFS", "TestWrite", "PerformOPC",
                                        "VolumeLabel", "CacheSize", "FixedWNASPI", "CDSpeed", "CDRomDrive", "VerifyWrite"])
        self.assertEqual(values["VolumeLabel"], "FIRSTLABEL")
        self.assertEqual(values["CloseTrack"], "True")
        self.assertEqual(values["CloseDisc"], "True")
        self.assertEqual(values["CacheSize"], "4194304")
        self.assertEqual(values["CDRomDrive"], "0")
        # The transport choice made for the virtual drive is not left behind.
        self.assertNotIn("UseInternalASPI", values)
        self.assertFalse(os.path.exists(os.path.join(self.path("config"), "Software", "Ombrel")))
        # A stored transport choice comes back after the run.
        path = os.path.join(self.path("config"), "Software", "Test", "Wizard.ini")
        with open(path, "a") as f:
            f.write("UseInternalASPI=True\n")
        self.wizard(["Cancel"], "-d", self.drive(disc), "--no-log", "--key", key, expect=2)
        self.assertEqual(self.settings(key)["UseInternalASPI"], "True")


if __name__ == "__main__":
    needs.main()
