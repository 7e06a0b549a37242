"""`scrivo write` on every recordable media kind of the virtual recorder."""

from write_it import WriteTestCase, disc_state, scrivo
import needs  # noqa: E402 (found beside verify_iso)


class WriteMedia(WriteTestCase):
    def record_and_check(self, media):
        disc = self.path(media + ".disc")
        src = self.tree("src", 3)
        r = self.write(disc, src + "/", media=media)
        self.assertIn("to the", r.stdout)
        state = disc_state(disc)
        # A sequential DVD-RW is formatted for restricted overwrite before its first session.
        self.assertEqual(state["media"], "dvd-rw-ro" if media == "dvd-rw" else media)
        start = state["sessions"][0]["start"] if state.get("sessions") else 0
        self.assertSession(disc, start, [src + "/"])
        return state

    def test_cd_r(self):
        state = self.record_and_check("cd-r")
        self.assertEqual(len(state["sessions"]), 1)
        self.assertEqual(state["status"], "appendable")

    def test_cd_rw(self):
        self.record_and_check("cd-rw")

    def test_dvd_r(self):
        self.record_and_check("dvd-r")

    def test_dvd_rw_sequential(self):
        self.record_and_check("dvd-rw")

    def test_dvd_rw_restricted_overwrite(self):
        self.record_and_check("dvd-rw-ro")

    def test_dvd_plus_r(self):
        self.record_and_check("dvd+r")

    def test_dvd_plus_rw(self):
        self.record_and_check("dvd+rw")

    def test_dvd_ram(self):
        disc = self.path("ram.disc")
        # A new DVD-RAM is formatted by a full erase before it takes files.
        r = scrivo("erase", "-d", "virtual:" + disc + ",media=dvd-ram", "--full")
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        src = self.tree("src", 5)
        self.write(disc, src)
        self.assertSession(disc, 0, [src])

    def test_close_leaves_no_room_for_another_session(self):
        disc = self.path("closed.disc")
        src = self.tree("src", 7)
        self.write(disc, "--close", src, media="cd-r")
        self.assertEqual(disc_state(disc)["status"], "complete")
        r = self.write(disc, src, expect=1)
        self.assertIn("closed", r.stderr)

    def test_test_write_records_nothing(self):
        disc = self.path("test.disc")
        src = self.tree("src", 9)
        r = self.write(disc, "--test", src, media="cd-r")
        self.assertIn("test-wrote", r.stdout)
        self.assertEqual(disc_state(disc)["status"], "empty")


if __name__ == "__main__":
    needs.main()
