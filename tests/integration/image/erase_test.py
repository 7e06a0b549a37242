"""`scrivo erase` on the rewritable kinds, and `scrivo write --erase`: afterwards a new
recording starts at the beginning and nothing of the old files shows."""

from write_it import WriteTestCase, disc_state, make_tree, pattern, scrivo
import needs  # noqa: E402 (found beside verify_iso)


class Erase(WriteTestCase):
    def erase_then_record(self, media, *erase_args):
        disc = self.path(media + ".disc")
        old = self.path("a", "old")
        new = self.path("b", "new")
        make_tree(old, {"old.bin": pattern(50000, 1)})
        make_tree(new, {"new.bin": pattern(20000, 2)})
        if media == "dvd-ram":
            r = scrivo("erase", "--full", "-d", "virtual:%s,media=dvd-ram" % disc)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.write(disc, old, media=media)
        r = scrivo("erase", "-d", "virtual:" + disc, *erase_args)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertIn("erased", r.stdout)
        state = disc_state(disc)
        if state["status"] == "random-writable":
            # Overwritable media stay formatted; the old file system must be gone.
            with open(disc, "rb") as f:
                f.seek(16 * 2048)
                self.assertNotEqual(f.read(6)[1:6], b"CD001")
        else:
            self.assertFalse(any(s.get("closed") for s in state.get("sessions", [])), state)
        self.write(disc, new)
        self.assertSession(disc, 0, [new])

    def test_cd_rw_quick(self):
        self.erase_then_record("cd-rw")

    def test_cd_rw_full(self):
        self.erase_then_record("cd-rw", "--full")

    def test_dvd_rw(self):
        self.erase_then_record("dvd-rw")

    def test_dvd_rw_full(self):
        self.erase_then_record("dvd-rw", "--full")

    def test_dvd_plus_rw(self):
        self.erase_then_record("dvd+rw")

    def test_dvd_ram(self):
        self.erase_then_record("dvd-ram")

    def test_write_with_erase(self):
        disc = self.path("rw.disc")
        old = self.path("a", "old")
        new = self.path("b", "new")
        make_tree(old, {"old.bin": pattern(50000, 1)})
        make_tree(new, {"new.bin": pattern(20000, 2)})
        self.write(disc, old, media="cd-rw")
        self.write(disc, "--erase", new)
        state = disc_state(disc)
        self.assertEqual(len(state["sessions"]), 1)
        self.assertSession(disc, 0, [new])

    def test_a_write_once_disc_is_not_erased(self):
        disc = self.path("r.disc")
        r = scrivo("erase", "-d", "virtual:%s,media=cd-r" % disc)
        self.assertEqual(r.returncode, 1)
        self.assertIn("cannot be erased", r.stderr)


if __name__ == "__main__":
    needs.main()
