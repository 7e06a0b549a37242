"""Bootable images: BIOS and UEFI El Torito entries as the readers see them, the boot
information table, and the options' usage errors."""
import os
import re
import struct
import subprocess

from scrivo_it import ImageTestCase, make_tree, pattern, scrivo
from write_it import WriteTestCase
import needs  # noqa: E402 (found beside verify_iso)

SECTOR = 2048


def el_torito_entries(iso):
    """(platform, lba, 512-byte blocks) of every boot entry xorriso reports."""
    needs.require("xorriso")
    r = subprocess.run(["xorriso", "-indev", iso, "-report_el_torito", "plain"], capture_output=True,
                       text=True, timeout=120)
    if r.returncode != 0:
        raise AssertionError("xorriso failed: " + r.stderr)
    entries = []
    for line in r.stdout.splitlines():
        # "El Torito boot img :   1  BIOS  y   none  0x0000  0x00      4          27"
        m = re.match(r"El Torito boot img :\s+\d+\s+(\S+)\s+\S+\s+\S+\s+\S+\s+\S+\s+(\d+)\s+(\d+)", line)
        if m:
            entries.append((m.group(1), int(m.group(3)), int(m.group(2))))
    return entries, r.stdout


def read(iso, lba, n):
    with open(iso, "rb") as f:
        f.seek(lba * SECTOR)
        return f.read(n)


class BootImages(ImageTestCase):
    def sources(self):
        bios, efi = pattern(5000, 3), pattern(70001, 9)
        make_tree(self.work, {"src/a.txt": pattern(100, 1), "bios.bin": bios, "efi.img": efi})
        return bios, efi

    def test_a_hybrid_image_lists_both_entries_with_the_bytes_given(self):
        bios, efi = self.sources()
        iso = self.path("hybrid.iso")
        self.build(iso, "--boot", self.path("bios.bin"), "--boot-info-table", "--efi-boot", self.path("efi.img"),
                   self.path("src") + "/")
        entries, report = el_torito_entries(iso)
        self.assertEqual([e[0] for e in entries], ["BIOS", "UEFI"], report)
        (_, bios_lba, bios_blocks), (_, efi_lba, efi_blocks) = entries
        self.assertEqual(bios_blocks, 4)
        self.assertEqual(efi_blocks, (len(efi) + 511) // 512)
        self.assertEqual(read(iso, efi_lba, len(efi)), efi)

        # The BIOS copy: the table at 8..64, the file's bytes around it.
        copy = read(iso, bios_lba, len(bios))
        self.assertEqual(copy[:8] + copy[64:], bios[:8] + bios[64:])
        pvd, lba, length, checksum = struct.unpack_from("<4I", copy, 8)
        words = bios[64:] + bytes(-len(bios[64:]) % 4)
        self.assertEqual((pvd, lba, length), (16, bios_lba, len(bios)))
        self.assertEqual(checksum, sum(struct.unpack("<%dI" % (len(words) // 4), words)) & 0xFFFFFFFF)
        self.assertEqual(copy[24:64], bytes(40))

        needs.require("isoinfo")
        r = subprocess.run(["isoinfo", "-d", "-i", iso], capture_output=True, text=True, timeout=60)
        self.assertRegex(r.stdout, r"El Torito VD version 1 found, boot catalog is in sector \d+")
        self.assertVerified(iso, [self.path("src") + "/"])

    def test_one_image_alone_and_the_load_size(self):
        bios, efi = self.sources()
        iso = self.path("bios.iso")
        self.build(iso, "--boot", self.path("bios.bin"), "--boot-load-size", "8", self.path("src", "a.txt"))
        entries, report = el_torito_entries(iso)
        self.assertEqual(len(entries), 1, report)
        self.assertEqual(entries[0][0], "BIOS")
        self.assertEqual(entries[0][2], 8)
        self.assertEqual(read(iso, entries[0][1], len(bios)), bios)  # no table asked: untouched

        iso = self.path("efi.iso")
        self.build(iso, "--efi-boot", self.path("efi.img"), self.path("src", "a.txt"))
        entries, report = el_torito_entries(iso)
        self.assertEqual([e[0] for e in entries], ["UEFI"], report)
        self.assertEqual(read(iso, entries[0][1], len(efi)), efi)

    def test_bad_boot_options_are_usage_errors(self):
        self.sources()
        make_tree(self.work, {"tiny.bin": b"x" * 10, "empty.bin": b""})
        src = self.path("src", "a.txt")
        for args in (["--boot", self.path("none.bin")], ["--efi-boot", self.path("src")],
                     ["--boot", self.path("empty.bin")], ["--boot-info-table"],
                     ["--boot", self.path("bios.bin"), "--boot-load-size", "0"],
                     ["--boot", self.path("bios.bin"), "--boot-load-size", "x"],
                     ["--boot", self.path("tiny.bin"), "--boot-info-table"]):
            r = scrivo("image", "-o", self.path("o.iso"), *(args + [src]))
            self.assertEqual(r.returncode, 2, "%s: %s" % (args, r.stderr))
        self.assertNoOutput(self.work, "o.iso")


class BootDisc(WriteTestCase):
    def test_write_records_a_hybrid_disc(self):
        make_tree(self.work, {"src/a.txt": pattern(100, 1), "bios.bin": pattern(3000, 2),
                              "efi.img": pattern(9000, 4)})
        disc = self.path("boot.disc")
        self.write(disc, "--boot", self.path("bios.bin"), "--efi-boot", self.path("efi.img"), self.path("src") + "/")
        entries, report = el_torito_entries(disc)
        self.assertEqual([e[0] for e in entries], ["BIOS", "UEFI"], report)
        self.assertEqual(read(disc, entries[1][1], 9000), pattern(9000, 4))
        self.assertEqual(self.write(disc, "--boot", self.path("none"), self.path("src"), expect=2).returncode, 2)


if __name__ == "__main__":
    needs.main()
