"""`scrivo write --image`: an existing image recorded as it is, on blank discs and in place on
rewritable ones, refused where it cannot be a session, and failing and verifying as any
recording does."""
import subprocess

from write_it import SECTOR, VRECORDER, WriteTestCase, disc_state, make_tree, pattern
import needs  # noqa: E402 (found beside verify_iso)


class WriteImage(WriteTestCase):
    def image(self, extra=b""):
        """An image of a small tree built by `scrivo image`, with `extra` bytes appended."""
        src = self.path("src")
        make_tree(src, {"a.bin": pattern(300000, 1), "b/c.bin": pattern(5000, 2)})
        iso = self.path("img.iso")
        self.assertEqual(self.build(iso, src).returncode, 0)
        if extra:
            with open(iso, "ab") as f:
                f.write(extra)
        with open(iso, "rb") as f:
            return src, iso, f.read()

    def assertDiscStartsWith(self, disc, data):
        padded = data + bytes(-len(data) % SECTOR)
        with open(disc, "rb") as f:
            self.assertEqual(f.read(len(padded)), padded)

    def test_the_image_is_recorded_byte_for_byte(self):
        # An image that ends within a sector goes out with that sector padded with zeros.
        src, iso, data = self.image(extra=b"tail" * 100)
        for media in ("dvd+r", "dvd+rw", "cd-r"):
            disc = self.path(media + ".disc")
            r = self.write(disc, "--image", iso, media=media)
            self.assertIn("session at sector 0", r.stdout)
            self.assertIn(", verified", r.stdout)
            self.assertIn("padded with zeros", r.stderr)
            self.assertDiscStartsWith(disc, data)
        self.assertSession(self.path("dvd+r.disc"), 0, [src])

    def test_a_rewritable_disc_is_replaced_and_its_head_written_last(self):
        disc = self.path("rw.disc")
        first = self.path("first")
        make_tree(first, {"x.bin": pattern(50000, 3)})
        self.write(disc, first, media="dvd+rw")
        _, iso, data = self.image()
        # Failing within the image, the run leaves the earlier file system in view: the
        # image's own descriptors were not written yet.
        r = self.write(disc, "--image", iso, options=",write_error_at=100", expect=1)
        self.assertIn("MEDIUM ERROR", r.stderr)
        self.assertSession(disc, 0, [first])
        r = self.write(disc, "--image", iso)
        self.assertIn("replacing what the disc held", r.stdout)
        self.assertDiscStartsWith(disc, data)

    def test_what_cannot_be_recorded_is_refused_before_writing(self):
        _, iso, _ = self.image()
        disc = self.path("used.disc")
        self.write(disc, self.path("src"), media="dvd+r")
        before = disc_state(disc)
        r = self.write(disc, "--image", iso, expect=1)
        self.assertIn("already holds a session", r.stderr)
        self.assertEqual(disc_state(disc), before)

        small = self.path("small.disc")
        subprocess.run([VRECORDER, "create", "--media", "cd-r", "--capacity", "100", small], check=True)
        self.assertIn("free", self.write(small, "--image", iso, expect=1).stderr)
        self.assertEqual(disc_state(small)["status"], "empty")

        blank = self.path("blank.disc")
        self.write(blank, "--image", iso, self.path("src"), expect=2)
        self.assertIn("No such file", self.write(blank, "--image", self.path("none.iso"), expect=1).stderr)
        open(self.path("empty.iso"), "wb").close()
        self.assertIn("is empty", self.write(blank, "--image", self.path("empty.iso"), expect=1).stderr)

    def test_failures_and_corrupted_blocks_end_the_run_as_failed(self):
        _, iso, _ = self.image()
        r = self.write(self.path("bad.disc"), "--image", iso, media="dvd+r", options=",write_error_at=60", expect=1)
        self.assertIn("WRITER ERROR [", r.stderr)
        r = self.write(self.path("corrupt.disc"), "--image", iso, media="dvd+r", options=",corrupt_write_at=60",
                       expect=1)
        self.assertIn("VERIFY ERROR [1 SECTORS", r.stderr)
        self.assertIn("img.iso\" differs on the disc", r.stderr)


if __name__ == "__main__":
    needs.main()
