"""Hand-made ISO 9660 images for the import tests: directory records written one by one, with
the freedom to make them point anywhere. An image is a dict of sectors; `image()` gives its
bytes with the descriptors at 16 (primary, optional Joliet, terminator)."""
import struct

SECTOR = 2048
DATE = bytes([126, 3, 4, 5, 6, 7, 4])  # 2026-03-04 05:06:07, GMT+1


def both16(v):
    return struct.pack("<H", v) + struct.pack(">H", v)


def both32(v):
    return struct.pack("<I", v) + struct.pack(">I", v)


def record(ident, extent, size, flags=0, date=DATE, su=b""):
    """One directory record; `ident` bytes (ISO) or UCS-2 (Joliet), `su` its system use."""
    n = 33 + len(ident)
    pad = b"\0" if n % 2 else b""
    length = n + len(pad) + len(su)
    assert length < 256, ident
    return (bytes([length, 0]) + both32(extent) + both32(size) + bytes(date) + bytes([flags, 0, 0]) + both16(1) +
            bytes([len(ident)]) + ident + pad + su)


def ucs2(name):
    return name.encode("utf-16-be")


def nm(name):
    """A Rock Ridge NM entry."""
    data = name.encode("utf-8")
    return b"NM" + bytes([5 + len(data), 1, 0]) + data


def posix(mode=0o100644, date=DATE):
    """Rock Ridge PX and TF (modification time) entries of a file."""
    return (b"PX" + bytes([36, 1]) + both32(mode) + both32(1) + both32(0) + both32(0) +
            b"TF" + bytes([12, 1, 2]) + bytes(date))


SP = b"SP\x07\x01\xbe\xef\x00"


class Image:
    def __init__(self):
        self.sectors = {}

    def put(self, sector, data):
        for i in range(0, max(len(data), 1), SECTOR):
            self.sectors[sector + i // SECTOR] = data[i:i + SECTOR].ljust(SECTOR, b"\0")

    def directory(self, extent, parent, records, sectors=None, rock_ridge=False):
        """A directory at `extent`: "." and "..", then `records`, each that does not fit its
        sector starting the next. Answers its length in bytes."""
        dot = record(b"\0", extent, 0, 2, su=SP if rock_ridge else b"")
        out, current = [], b""
        for r in [dot, record(b"\1", parent, 0, 2)] + records:
            if len(current) + len(r) > SECTOR:
                out.append(current)
                current = b""
            current += r
        out.append(current)
        length = (sectors or len(out)) * SECTOR
        # "." and ".." carry the directory's own length (their parents are not checked).
        out[0] = out[0][:10] + both32(length) + out[0][18:]
        self.put(extent, b"".join(s.ljust(SECTOR, b"\0") for s in out))
        return length

    def image(self, root, root_length, volume_sectors=None, joliet=None):
        """The bytes: descriptors at 16 (a Joliet one when `joliet` = (extent, length))."""
        end = max(self.sectors) + 1 if self.sectors else 20
        size = volume_sectors or max(end, 20)

        def descriptor(kind, extent, length, escape=b""):
            d = bytearray(SECTOR)
            d[0], d[1:6], d[6] = kind, b"CD001", 1
            d[8:40] = b"HANDMADE".ljust(32)
            d[40:72] = b"HOSTILE".ljust(32)
            d[80:88] = both32(size)
            d[88:88 + len(escape)] = escape
            d[120:124] = both16(1)
            d[124:128] = both16(1)
            d[128:132] = both16(SECTOR)
            d[156:190] = record(b"\0", extent, length, 2)
            d[881] = 1
            return bytes(d)

        self.put(16, descriptor(1, root, root_length))
        at = 17
        if joliet:
            self.put(at, descriptor(2, joliet[0], joliet[1], b"%/E"))
            at += 1
        self.put(at, bytes([255]) + b"CD001\x01".ljust(SECTOR - 1, b"\0"))
        data = bytearray(size * SECTOR)
        for s, content in self.sectors.items():
            if s < size:
                data[s * SECTOR:(s + 1) * SECTOR] = content
        return bytes(data)


def hang(levels=5, fan=58):
    """`levels` extents of `fan` records "A", each pointing at the next; the last at a folder
    holding one file."""
    img = Image()
    for level in range(levels):
        img.directory(20 + level, 20 + max(level - 1, 0), [record(b"A", 21 + level, SECTOR, 2)] * fan)
    img.directory(20 + levels, 20 + levels - 1, [record(b"F.TXT;1", 100, 5)])
    img.put(100, b"hello")
    return img.image(20, SECTOR, volume_sectors=101)


def fan_out(levels=3, names=40, files=1740):
    """`names` names per level, all pointing at the one extent of the next level, down to a
    leaf of `files` files: the tree it describes has names^levels folders."""
    img = Image()
    leaf_extent = 20 + levels
    data = leaf_extent + 2 + files * 44 // SECTOR  # after the leaf
    leaf = [record(b"F%d;1" % i, data, 1) for i in range(files)]
    leaf_length = img.directory(leaf_extent, leaf_extent - 1, leaf)
    for level in range(levels):
        length = leaf_length if level == levels - 1 else SECTOR
        img.directory(20 + level, 20 + max(level - 1, 0),
                      [record(b"D%d" % i, 21 + level, length, 2) for i in range(names)])
    img.put(data, b"x")
    return img.image(20, SECTOR, volume_sectors=data + 1)


def huge_directory():
    """A directory claiming 0x315F5049 bytes beside a sound file."""
    img = Image()
    img.directory(20, 20, [record(b"HUGE", 21, 0x315F5049, 2), record(b"OK.TXT;1", 30, 2)])
    img.directory(21, 20, [])
    img.put(30, b"ok")
    return img.image(20, SECTOR, volume_sectors=40)


def associated():
    """An associated-file record (flag 04h) before the file of the same name."""
    img = Image()
    img.directory(20, 20, [record(b"A.TXT;1", 30, 5, 4), record(b"A.TXT;1", 31, 4)])
    img.put(30, b"assoc")
    img.put(31, b"file")
    return img.image(20, SECTOR, volume_sectors=40)


# 2026-03-04 05:06:07 at GMT+9, and a date that is not one.
TOKYO = bytes([126, 3, 4, 5, 6, 7, 36])
ZERO = bytes(7)


def dates_and_names():
    """Rock Ridge names with "/" and NUL, a date of all zeros, one recorded at GMT+9."""
    img = Image()
    img.directory(20, 20, [
        record(b"S1.TXT;1", 30, 1, su=nm("a/b") + posix()),
        record(b"S2.TXT;1", 31, 1, su=nm("c\0d") + posix()),
        record(b"ZERO.TXT;1", 32, 1, date=ZERO),
        record(b"TOKYO.TXT;1", 33, 1, date=TOKYO),
    ], rock_ridge=True)
    for i in range(4):
        img.put(30 + i, bytes([65 + i]))
    return img.image(20, SECTOR, volume_sectors=40)


def many_folders(count=300):
    """A sound tree of `count` folders of one file each: reading it takes a read per folder."""
    img = Image()
    folders = []
    for i in range(count):
        img.directory(100 + i, 20, [record(b"F.TXT;1", 1000, 1)])
        folders.append(record(b"D%d" % i, 100 + i, SECTOR, 2))
    length = img.directory(20, 20, folders)
    img.put(1000, b"f")
    return img.image(20, length, volume_sectors=1001)
