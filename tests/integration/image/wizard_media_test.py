"""`scrivo wizard --answers` recording on virtual discs of several kinds, each disc read
back file by file by every reader."""

from wizard_it import WizardTestCase
from write_it import disc_state
import needs  # noqa: E402 (found beside verify_iso)

# Finish, the final "Your disk is now ready.", Close.
RECORD = ["Finish", "OK", "Close"]


class WizardMedia(WizardTestCase):
    def record(self, media, answers=RECORD, disc=None):
        disc = disc or self.path(media + ".disc")
        # A folder's files and a file of another folder, all into the root.
        paths = [self.flat_tree("src", 11), self.flat_tree("more", 12) + "f12.bin"]
        r = self.wizard(answers, "-d", self.drive(disc, media), "--no-log", *paths, expect=1)
        self.assertIn("Your disk is now ready.", r.stdout)
        state = disc_state(disc)
        self.assertSession(disc, state["sessions"][-1]["start"], paths)
        return r, state

    def test_cd_r(self):
        r, state = self.record("cd-r", ["Speed 16X"] + RECORD)
        self.assertIn(">>> STARTING WRITE PROCESS ON CD-R AT 16X (2,822 KB/s)", r.stdout)
        self.assertEqual(len(state["sessions"]), 1)
        self.assertEqual(state["status"], "appendable")
        # The feedback memo as it grew, and the end of the run.
        self.assertIn("  | >>> STARTING CD BURN ON ", r.stdout)
        self.assertIn("  | >>> Write Completed", r.stdout)
        self.assertIn("[Close]", r.stdout)

    def test_dvd_plus_rw(self):
        # A new DVD+RW, not formatted yet, offers the whole disc: no free-space question.
        r, _ = self.record("dvd+rw", ["Finish", "OK", "Close"])
        self.assertNotIn("more to the disk than the free space", r.stdout)

    def test_dvd_r(self):
        self.record("dvd-r")

    def test_cd_rw_erased_first(self):
        disc = self.path("rw.disc")
        old = self.tree("old", 3)
        self.write(disc, old, media="cd-rw")
        self.assertEqual(len(disc_state(disc)["sessions"]), 1)
        # Erase on; the confirmation "Are you sure you want to erase the current CD-RW?".
        r, state = self.record("cd-rw", ["Erase on", "Finish", "Yes", "OK", "Close"], disc=disc)
        self.assertIn("Are you sure you want to erase the current CD-RW?", r.stdout)
        self.assertIn(">>> Erase process done", r.stdout)
        # Only the new session: it starts at the beginning of the disc.
        self.assertEqual(len(state["sessions"]), 1)
        self.assertEqual(state["sessions"][0]["start"], 0)

    def test_dvd_rw_erased_first(self):
        # The quick erase leaves the DVD-RW for disc-at-once only; the run formats it for
        # restricted overwrite and records the one new session from the start.
        disc = self.path("dvdrw.disc")
        self.write(disc, self.tree("old", 5), media="dvd-rw")
        r, state = self.record("dvd-rw", ["Erase on", "Finish", "Yes", "OK", "Close"], disc=disc)
        self.assertIn(">>> Erase process done", r.stdout)
        self.assertEqual(state["media"], "dvd-rw-ro")
        self.assertEqual(state["sessions"][0]["start"], 0)

    def test_erase_declined_ends_the_run_with_an_error(self):
        disc = self.path("rw.disc")
        self.write(disc, self.tree("old", 3), media="cd-rw")
        r = self.wizard(["Erase on", "Finish", "No", "OK", "Close"], "-d", self.drive(disc), "--no-log",
                        self.flat_tree("src", 4), expect=2)
        self.assertIn("Erasure of disk was not completed", r.stdout)
        self.assertEqual(len(disc_state(disc)["sessions"]), 1)


if __name__ == "__main__":
    needs.main()
