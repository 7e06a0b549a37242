"""`scrivo image` on generated trees: every reader must find every file intact."""
import os

from scrivo_it import ImageTestCase, make_tree, pattern
import needs  # noqa: E402 (found beside verify_iso)


class ImageTrees(ImageTestCase):
    def test_mixed_names_sizes_and_attributes(self):
        src = self.path("Mixed Tree")
        make_tree(src, {
            "MiXeD CaSe.TxT": pattern(3000, 1),
            "lower.txt": pattern(2048, 2),
            "UPPER.TXT": pattern(2049, 3),
            "README": pattern(10, 4),                      # no dot
            "Makefile": b"all:\n",
            "empty.dat": b"",
            ".hidden": pattern(100, 5),
            ".config/settings.ini": pattern(7, 6),
            "Ñandú año.txt": pattern(65535, 7),
            "日本語のファイル名.txt": pattern(65537, 8),
            "Ελληνικά/Κείμενο.md": pattern(131072, 9),
            "n" * 102 + ".txt": pattern(1, 10),           # longest file name a Joliet record holds
            "L" * 110 + "/inside.bin": pattern(4096, 11),  # longest folder name
            "empty folder": None,
            "only empty/inner": None,
            "blocks/one-mebibyte-and-one.bin": pattern((1 << 20) + 1, 12),
            "blocks/many.bin": pattern(5 * 65536 + 2047, 13),
            "two.dots.in.name.tar.gz": pattern(33, 14),
        })
        iso = self.path("mixed.iso")
        self.build(iso, "--volume", "MIXED", src)
        self.assertVerified(iso, [src])

    def test_deep_tree(self):
        src = self.path("deep")
        entries, rel = {}, ""
        for level in range(12):
            rel = os.path.join(rel, "level%02d" % level)
            entries[os.path.join(rel, "file%02d.txt" % level)] = pattern(500 + level, level)
        make_tree(src, entries)
        iso = self.path("deep.iso")
        self.build(iso, src + "/")
        self.assertVerified(iso, [src + "/"])

    def test_files_folders_and_contents_under_a_destination(self):
        make_tree(self.path("a"), {"x.txt": pattern(5000, 1), "sub/y.txt": pattern(1, 2)})
        make_tree(self.path("b"), {"z.txt": pattern(70000, 3), "w": b""})
        loose = self.path("loose.bin")
        make_tree(self.work, {"loose.bin": pattern(4097, 4)})
        iso = self.path("dest.iso")
        args = [self.path("a"), self.path("b") + "/", loose]
        self.build(iso, "--dest", "/Disc/Folder", *args)
        self.assertVerified(iso, args, dest="/Disc/Folder")

    def test_without_joliet_only_the_iso_tree_is_written(self):
        src = self.path("plain")
        make_tree(src, {"A.TXT": pattern(10, 1), "B/C.DAT": pattern(3000, 2), "LONG NAME.text": b"x"})
        iso = self.path("plain.iso")
        self.build(iso, "--no-joliet", src + "/")
        self.assertVerified(iso, [src + "/"], joliet=False)

    def test_tiny_image_is_padded_to_300_sectors(self):
        make_tree(self.work, {"one.txt": b"1"})
        iso = self.path("tiny.iso")
        self.build(iso, self.path("one.txt"))
        self.assertEqual(os.path.getsize(iso), 300 * 2048)
        self.assertVerified(iso, [self.path("one.txt")])


if __name__ == "__main__":
    needs.main()
