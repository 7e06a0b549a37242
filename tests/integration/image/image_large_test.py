"""A sparse source file above 4 GiB: recorded as several extents, read back intact."""
import os

from scrivo_it import ImageTestCase, pattern
import needs  # noqa: E402 (found beside verify_iso)

GiB = 1 << 30


class LargeFile(ImageTestCase):
    def test_file_above_4_gib_is_read_back_intact_by_every_reader(self):
        src = self.path("big")
        os.makedirs(src)
        size = 4 * GiB + 3 * 1024 * 1024 + 123
        with open(os.path.join(src, "huge.bin"), "wb") as f:
            f.truncate(size)
            # Data where extents meet and at both ends; the rest stays a hole.
            for at in (0, 4 * GiB - 2048 - 5000, 4 * GiB - 2048, 4 * GiB + 1000, size - 3000):
                f.seek(at)
                f.write(pattern(3000 if at else 70000, at % 251))
        with open(os.path.join(src, "after.txt"), "wb") as f:
            f.write(pattern(5000, 7))
        iso = self.scratch_image("big.iso", size + (1 << 30))
        try:
            self.build(iso, src)
            self.assertVerified(iso, [src])
        finally:
            if os.path.exists(iso):
                os.remove(iso)


if __name__ == "__main__":
    needs.main()
