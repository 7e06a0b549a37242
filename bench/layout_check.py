#!/usr/bin/python3
"""Checks from outside that an image agrees with its own layout: every region the volume
descriptors and directory records name (path tables, directory extents of each tree, the
El Torito catalog and images, file data) lies inside the image, in the regions' disc order,
with no block claimed twice, the volume space size equal to the image's length (or the
image padded to 300 blocks) and the blocks no region claims all zeros. Prints what it checked.
Usage: layout_check.py IMAGE"""
import struct
import sys

SECTOR = 2048


class Image:
    def __init__(self, path):
        self.f = open(path, "rb")
        self.f.seek(0, 2)
        self.blocks = self.f.tell() // SECTOR

    def read(self, lba, n=SECTOR):
        self.f.seek(lba * SECTOR)
        return self.f.read(n)


def descriptors(img):
    """(kind, sector) of the descriptor set from block 16 on, the terminator last."""
    out, lba = [], 16
    while lba < img.blocks:
        s = img.read(lba)
        if s[1:6] != b"CD001":
            raise ValueError("block %d is no volume descriptor" % lba)
        out.append((s[0], s, lba))
        if s[0] == 255:
            return out
        lba += 1
    raise ValueError("no descriptor set terminator")


def continuation_blocks(img, area, found):
    """The blocks of the continuation areas (CE entries) a system use area leads to."""
    for _ in range(64):  # a chain is short; a loop is a finding elsewhere
        pos, ce = 0, None
        while pos + 4 <= len(area) and area[pos + 2] >= 4:
            if area[pos:pos + 2] == b"CE" and area[pos + 2] >= 28:
                ce = (struct.unpack_from("<I", area, pos + 4)[0], struct.unpack_from("<I", area, pos + 12)[0],
                      struct.unpack_from("<I", area, pos + 20)[0])
            pos += area[pos + 2]
        if ce is None:
            return
        lba, offset, length = ce
        found.add(lba)
        area = img.read(lba)[offset:offset + length]


def walk_tree(img, root_lba, root_size, dirs, files, continuations=None):
    """Directory extents into `dirs`, file extents into `files` ((lba, blocks) each), the
    blocks of Rock Ridge continuation areas into `continuations`."""
    todo, seen = [(root_lba, root_size)], set()
    while todo:
        lba, size = todo.pop()
        if lba in seen:
            continue
        seen.add(lba)
        dirs.append((lba, (size + SECTOR - 1) // SECTOR))
        data, pos, first = img.read(lba, size), 0, 0
        while pos < len(data):
            n = data[pos]
            if n == 0:
                pos = (pos // SECTOR + 1) * SECTOR
                continue
            extent, length = struct.unpack_from("<I", data, pos + 2)[0], struct.unpack_from("<I", data, pos + 10)[0]
            flags = data[pos + 25]
            if continuations is not None:
                su = pos + 33 + data[pos + 32] + (1 - data[pos + 32] % 2)
                continuation_blocks(img, data[su:pos + n], continuations)
            if first >= 2:  # not "." or ".."
                if flags & 0x02:
                    todo.append((extent, length))
                elif length:
                    files.add((extent, (length + SECTOR - 1) // SECTOR))
            first += 1
            pos += n
    return dirs


def check(path):
    img = Image(path)
    problems, regions = [], []  # regions: (name, lba, blocks)
    vds = descriptors(img)
    regions.append(("descriptors", 16, len(vds)))
    pvd = vds[0][1]
    space = struct.unpack_from("<I", pvd, 80)[0]
    # A short image is padded to 300 blocks (the post-gap a recording needs): zeros.
    if space != img.blocks and not (space < 300 and img.blocks == 300):
        problems.append("volume space %d blocks, image %d" % (space, img.blocks))
    files = set()
    trees = 0
    for kind, s, _ in vds:
        if kind not in (1, 2):
            continue
        trees += 1
        name = "ISO 9660" if kind == 1 else "Joliet"
        size = struct.unpack_from("<I", s, 132)[0]
        blocks = (size + SECTOR - 1) // SECTOR
        regions.append((name + " path table L", struct.unpack_from("<I", s, 140)[0], blocks))
        regions.append((name + " path table M", struct.unpack_from(">I", s, 148)[0], blocks))
        continuations = set()
        dirs = walk_tree(img, struct.unpack_from("<I", s, 158)[0], struct.unpack_from("<I", s, 166)[0], [], files,
                         continuations)
        regions += [(name + " directory", lba, n) for lba, n in sorted(dirs)]
        regions += [(name + " directory continuation", lba, 1) for lba in sorted(continuations)]
    boot = [s for kind, s, _ in vds if kind == 0 and s[7:30] == b"EL TORITO SPECIFICATION"]
    if boot:
        catalog = struct.unpack_from("<I", boot[0], 71)[0]
        regions.append(("boot catalog", catalog, 1))
        c = img.read(catalog)
        for at in range(32, SECTOR, 32):
            if c[at] == 0x88:
                # The image's length is not in the catalog: it reaches the next region.
                regions.append(("boot image", struct.unpack_from("<I", c, at + 8)[0], 1))
    regions += [("file data", lba, n) for lba, n in sorted(files)]

    claimed = bytearray(img.blocks)
    for name, lba, n in regions:
        if lba + n > img.blocks:
            problems.append("%s at %d+%d runs past the image" % (name, lba, n))
            continue
        for b in range(lba, lba + n):
            if claimed[b]:
                problems.append("%s claims block %d twice" % (name, b))
                break
            claimed[b] = 1
    order = ["descriptors", "path table", "directory", "boot", "file data"]
    rank = [next(i for i, k in enumerate(order) if k in name) for name, _, _ in regions]
    by_place = sorted(zip((lba for _, lba, _ in regions), rank))
    if [r for _, r in by_place] != sorted(r for _, r in by_place):
        problems.append("regions out of disc order")
    # Unclaimed blocks are the system area, padding and the boot images' tails: zeros,
    # except boot image tails, which are left alone.
    zero = bytes(SECTOR)
    boot_start = min((lba for name, lba, _ in regions if name == "boot image"), default=None)
    first_file = min((lba for name, lba, _ in regions if name == "file data"), default=img.blocks)
    unclaimed = 0
    for b in range(img.blocks):
        if claimed[b] or (boot_start is not None and boot_start <= b < first_file):
            continue
        unclaimed += 1
        if img.read(b) != zero:
            problems.append("block %d belongs to no region and is not zero" % b)
            break
    claimed_blocks = sum(claimed)
    return problems, {"trees": trees, "regions": len(regions), "directories": sum(1 for r in regions if "directory" in r[0]),
                      "file extents": len(files), "blocks": img.blocks, "claimed": claimed_blocks,
                      "zero": unclaimed}


def main():
    problems, figures = check(sys.argv[1])
    print(", ".join("%s %d" % kv for kv in figures.items()))
    for p in problems:
        print("  " + p)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
