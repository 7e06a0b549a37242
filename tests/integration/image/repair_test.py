"""A second session killed while it was recorded or closed, on every write-once disc: the
next recording is refused and names `scrivo repair`; the repair closes the session, as a
readable one when all of its data was recorded and as a damaged one, which later recordings
pass over, when it was not; one more session then adds its files to all that was readable.
After each step the first session reads back byte for byte with two independent readers."""

from second_session_it import SecondSessionCase
from write_it import disc_state, make_tree, pattern, scrivo
import needs  # noqa: E402 (found beside verify_iso)

# The kills of the fault matrix while the blocks go out, and those while the session is
# closed: before its flush, before its first CLOSE TRACK/SESSION and before its last (CD:
# the flush ends the track, one CLOSE SESSION follows; DVD-R: closes of the data track, of
# the one after it and of the session).
WHILE_WRITTEN = ("descriptor", "middle", "last")
CLOSES = {"cd-r": 1, "cd-rw": 1, "dvd+r": 2, "dvd-r": 3}
REFUSED = "holds an unfinished session from an interrupted recording"
COMPLETE = "all of its data had been recorded, 6 files in"
DAMAGED = "as a damaged session: only"


class RepairAfterKill(SecondSessionCase):
    def setUp(self):
        super().setUp()
        self.third = self.path("s3", "three")
        make_tree(self.third, {"f.bin": pattern(9000, 6)})

    def moments(self, media):
        layout = self.layout(media)
        closes = sorted({1, CLOSES[media]})
        kills = [("kill_at=%d" % layout[where], where != "last") for where in WHILE_WRITTEN]
        # The file system is whole once its last file's last block is on the disc.
        return kills + [("kill_before=0x35", False)] + [("kill_before=0x5B:%d" % n, False) for n in closes]

    def repaired(self, media):
        for knob, lost in self.moments(media):
            with self.subTest(knob=knob):
                self.forget("killed")
                disc = self.recorded(media, "killed")
                r = scrivo("write", "-d", "virtual:%s,%s" % (disc, knob), self.second)
                self.assertEqual(r.returncode, -9, r.stdout + r.stderr)
                r = scrivo("write", "-d", "virtual:" + disc, self.second)
                self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                self.assertIn(REFUSED, r.stderr)
                self.assertIn("\"scrivo repair -d virtual:%s\" closes it" % disc, r.stderr)
                self.assertReads(disc, 0, [self.first])

                r = scrivo("repair", "-d", "virtual:" + disc)
                self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
                self.assertIn(DAMAGED if lost else COMPLETE, r.stdout)
                state = disc_state(disc)
                self.assertEqual(state["status"], "appendable")
                self.assertTrue(all(s["closed"] for s in state["sessions"]), state)
                self.assertReads(disc, 0, [self.first])
                second = state["sessions"][1]["start"]
                if not lost:
                    self.assertReads(disc, second, [self.first, self.second])

                r = self.next_session(disc, [self.first] + ([] if lost else [self.second]), self.third)
                if lost:
                    self.assertIn("note: the last session holds an interrupted recording", r.stderr)
                self.assertReads(disc, 0, [self.first])

    def test_cd_r(self):
        self.repaired("cd-r")

    def test_cd_rw(self):
        self.repaired("cd-rw")

    def test_dvd_plus_r(self):
        self.repaired("dvd+r")

    def test_dvd_r(self):
        self.repaired("dvd-r")

    def test_a_stopped_run_names_the_repair_which_closes_its_open_track(self):
        # Ctrl-C halfway: the drive kept power, so the track stays open for writing.
        disc = self.recorded("dvd+r", "stopped")
        layout = self.layout("dvd+r")
        r = scrivo("write", "-d", "virtual:%s,interrupt_at=%d" % (disc, layout["middle"]), self.second)
        self.assertEqual(r.returncode, 130, r.stdout + r.stderr)
        self.assertIn("OPERATION ABORTED BY USER", r.stderr)
        self.assertIn("left unfinished on the disc: \"scrivo repair -d virtual:%s\"" % disc, r.stderr)
        self.assertEqual(disc_state(disc)["tracks"][-1]["state"], "incomplete")
        r = scrivo("repair", "-d", "virtual:" + disc)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertIn(DAMAGED, r.stdout)
        self.next_session(disc, [self.first], self.third)

    def test_a_disc_without_an_unfinished_session_is_left_as_it_is(self):
        disc = self.recorded("cd-r", "whole")
        before = disc_state(disc)
        r = scrivo("repair", "-d", "virtual:" + disc)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertIn("holds no unfinished session: nothing to repair", r.stdout)
        self.assertEqual(disc_state(disc), before)


if __name__ == "__main__":
    needs.main()
