"""A DVD-RW takes session after session, as a DVD+RW does, before and after an erase, with
`scrivo write` and with the wizard."""
import unittest

from wizard_it import WizardTestCase
from write_it import disc_state, make_tree, pattern


class Safety(WizardTestCase):
    def source(self, name, seed, size=40000):
        root = self.path(name, name)
        make_tree(root, {"a%d.bin" % seed: pattern(size, seed), "sub/b.txt": pattern(300, seed + 1)})
        return root

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
    unittest.main()
