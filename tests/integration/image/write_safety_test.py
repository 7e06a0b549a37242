"""Runs of `scrivo write` and the wizard that are refused leave the disc as it was, byte for byte
and readable: an --erase whose run fails a check, a test write the drive cannot simulate on the
disc. A test write that is possible changes nothing either. A DVD-RW takes session after session,
as a DVD+RW does, before and after an erase."""
import os
import subprocess

from wizard_it import WizardTestCase
from write_it import VRECORDER, disc_state, make_tree, pattern
import needs  # noqa: E402 (found beside verify_iso)

TINY = {"t.txt": b"tiny\n"}


def snapshot(disc):
    """The disc's image and state files, as bytes."""
    out = {}
    for suffix in ("", ".state"):
        with open(disc + suffix, "rb") as f:
            out[suffix] = f.read()
    return out


class Safety(WizardTestCase):
    def source(self, name, seed, size=40000):
        root = self.path(name, name)
        make_tree(root, {"a%d.bin" % seed: pattern(size, seed), "sub/b.txt": pattern(300, seed + 1)})
        return root

    def recorded(self, media, seed=1):
        """A disc of `media` holding one session of a fresh tree; the disc and that tree."""
        disc = self.path(media + ".disc")
        src = self.source("first", seed)
        self.write(disc, src, media=media)
        return disc, src

    def assertRefused(self, disc, before, args, text, readable):
        r = self.write(disc, *args, expect=1)
        self.assertIn(text, r.stderr)
        self.assertEqual(snapshot(disc), before, "the refused run changed the disc")
        if readable:
            self.assertSession(disc, 0, readable)
        return r

    # --erase waits until everything that can refuse the run was checked.
    def test_erase_after_the_checks(self):
        disc, src = self.recorded("cd-rw")
        before = snapshot(disc)
        self.assertRefused(disc, before, ["--erase", self.path("nope")], 'cannot find "' + self.path("nope"), [src])
        # The room judged is the one the erased disc will have.
        small = self.path("small.disc")
        r = subprocess.run([VRECORDER, "create", "--media", "cd-rw", "--capacity", "3000", small],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        first = self.source("s1", 3, 20000)
        self.write(small, first)
        big = self.source("big", 4, 3200 * 2048)
        before = snapshot(small)
        self.assertRefused(small, before, ["--erase", big], "the disc has 3000 free", [first])
        # A tree that fits the erased disc, though not the room left, is recorded alone.
        fits = self.source("fits", 5, 2500 * 2048)
        self.write(small, "--erase", fits)
        self.assertEqual(len(disc_state(small)["sessions"]), 1)
        self.assertSession(small, 0, [fits])

    def test_erase_of_a_write_once_disc_is_refused_untouched(self):
        disc, src = self.recorded("dvd+r")
        self.assertRefused(disc, snapshot(disc), ["--erase", self.source("n", 2)], "cannot be erased", [src])

    # A test write only where the drive simulates one for the disc in it.
    def test_test_write_refused_where_the_drive_cannot_simulate(self):
        for media, named in (("dvd-ram", "DVD-RAM disc"), ("dvd-rw-ro", "DVD-RW disc (formatted for overwriting)"),
                             ("dvd+rw", "DVD+RW disc"), ("dvd+r", "DVD+R disc")):
            with self.subTest(media=media):
                disc, src = self.recorded(media)
                tiny = self.path(media, "tiny")
                make_tree(tiny, TINY)
                r = self.assertRefused(disc, snapshot(disc), ["--test", tiny], "cannot test-write on the " + named,
                                       None)
                self.assertNotIn("test-wrote", r.stdout)
                self.assertSession(disc, disc_state(disc)["sessions"][-1]["start"], [src])
        # A medium that has it, in a drive that does not report it.
        disc = self.path("nt.disc")
        subprocess.run([VRECORDER, "create", "--media", "cd-r", disc], check=True)
        before = snapshot(disc)
        r = self.write(disc, "--test", self.source("nt", 5), options=",caps=-testwrite", expect=1)
        self.assertIn("does not offer test writing on the CD-R disc", r.stderr)
        self.assertEqual(snapshot(disc), before)

    def test_test_write_changes_nothing(self):
        for media in ("cd-r", "cd-rw", "dvd-r", "dvd-rw"):
            with self.subTest(media=media):
                disc = self.path(media + "-t.disc")
                subprocess.run([VRECORDER, "create", "--media", media, disc], check=True)
                before = snapshot(disc)
                r = self.write(disc, "--test", self.source(media, 7))
                self.assertIn("test-wrote", r.stdout)
                self.assertEqual(snapshot(disc), before)
        # After the quick erase --erase makes, a DVD-RW takes disc-at-once recording only.
        disc, src = self.recorded("dvd-rw")
        self.assertRefused(disc, snapshot(disc), ["--erase", "--test", self.source("e", 8)], "once erased", [src])

    def test_wizard_test_option_refused_on_a_dvd_plus_rw(self):
        disc, src = self.recorded("dvd+rw")
        self.wizard(["Cancel"], "-d", self.drive(disc), "--no-log", expect=2)
        ini = os.path.join(self.path("config"), "Software", "Ombrel", "Scrivo.ini")
        with open(ini) as f:
            text = f.read()
        with open(ini, "w") as f:
            f.write(text.replace("TestWrite=False", "TestWrite=True"))
        before = snapshot(disc)
        r = self.wizard(["Finish", "OK", "Cancel"], "-d", self.drive(disc), "--no-log", self.flat_tree("w", 9),
                        expect=2)
        self.assertIn("cannot test-write on the DVD+RW disc", r.stdout)
        self.assertEqual(snapshot(disc), before)
        self.assertSession(disc, 0, [src])

    # A DVD-RW grows its formatted area with each session.
    def test_dvd_rw_takes_sessions_before_and_after_an_erase(self):
        disc = self.path("rw.disc")
        for erase in (False, True):
            roots = []
            for n in range(5):
                root = self.source("e%d-%d" % (erase, n), 10 * n + erase, 30000 + 4096 * n)
                args = ["--erase"] if erase and n == 0 else []
                self.write(disc, *args, root, media="dvd-rw" if not roots and not erase else None)
                roots.append(root)
                state = disc_state(disc)
                self.assertEqual(state["media"], "dvd-rw-ro")
                self.assertSession(disc, 0, roots)

    def test_wizard_records_a_second_session_on_a_dvd_rw(self):
        disc = self.path("wrw.disc")
        first = self.flat_tree("w1", 21)
        second = self.path("w2")
        make_tree(second, {"second.bin": pattern(9000, 22)})
        second += "/"
        for n, src in enumerate((first, second)):
            r = self.wizard(["Finish", "OK", "Close"], "-d", self.drive(disc, "dvd-rw" if n == 0 else None),
                            "--no-log", src, expect=1)
            self.assertIn("Your disk is now ready.", r.stdout)
            self.assertNotIn("more to the disk than the free space", r.stdout)
            # The wizard does not import the earlier session: the new one shows its own files.
            self.assertSession(disc, 0, [src])


if __name__ == "__main__":
    needs.main()
