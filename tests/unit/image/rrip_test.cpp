// Rock Ridge entries: what is encoded is what a reader gets back, in the record or through
// continuation areas, at the edges of entry and record lengths.
#include "image/bvISOLib_names.h"
#include "image/bvISOLib_rockridge.h"
#include "image/bvISOLib_rrip.h"
#include <cstring>
#include <gtest/gtest.h>

namespace scrivo {
namespace {

constexpr uint32_t RegionStart = 500;

struct Encoded {
    std::vector<uint8_t> Entries, Area, Region;
    TSuspSplit Split;
    uint32_t RegionSectors = 0;

    TRockRidge Read() const {
        return ReadRockRidge(Area.data(), Area.size(), [this](uint32_t block, uint8_t* out) {
            if (block < RegionStart || block >= RegionStart + RegionSectors) return false;
            std::memcpy(out, Region.data() + size_t(block - RegionStart) * SectorSize, SectorSize);
            return true;
        });
    }
};

// Encodes `f` for a record with `room` bytes of system use area, laying out and writing
// the way a writer does: areas counted first, then placed and written.
Encoded Encode(const TRripFacts& f, uint32_t room) {
    Encoded e;
    AppendRripEntries(f, e.Entries);
    e.Split = SplitSystemUse(e.Entries, room);
    TContinuationPacker layout;
    for (uint32_t a : e.Split.Areas)
        layout.Put(a);
    e.RegionSectors = layout.Sectors();
    e.Region.assign(size_t(e.RegionSectors) * SectorSize, 0);
    e.Area.assign(e.Split.AreaLength(), 0xEE);
    TContinuationPacker packer;
    WriteSystemUse(e.Entries, e.Split, e.Area.data(), packer, RegionStart, e.Region.data());
    return e;
}

TRripFacts File(std::string_view name) {
    TRripFacts f;
    f.Mode = PosixRegular | 0644;
    f.Links = 2;
    f.Uid = 1000;
    f.Gid = 100;
    f.Serial = 77;
    f.ModifyTime = 1200000000;
    f.AccessTime = -86400;     // 1969-12-31
    f.ChangeTime = 4102444800; // 2100-01-01
    f.Name = name;
    return f;
}

// Every entry of a chain of bytes, checked for its length.
std::vector<std::string> Signatures(const std::vector<uint8_t>& entries) {
    std::vector<std::string> s;
    for (size_t at = 0; at < entries.size(); at += entries[at + 2]) {
        EXPECT_GE(entries[at + 2], SuspHeaderLength);
        s.emplace_back(reinterpret_cast<const char*>(&entries[at]), 2);
    }
    return s;
}

TEST(Rrip, FactsReadBackFromTheRecord) {
    TRripFacts f = File("Read Me.txt");
    const Encoded e = Encode(f, SystemUseRoom(12));
    EXPECT_TRUE(e.Split.Areas.empty());
    EXPECT_EQ(Signatures(e.Entries), (std::vector<std::string>{"PX", "TF", "NM"}));
    EXPECT_EQ(e.Area.size() % 2, 0u);
    const TRockRidge rr = e.Read();
    EXPECT_EQ(rr.Name, "Read Me.txt");
    ASSERT_TRUE(rr.HasPosix);
    EXPECT_EQ(rr.Mode, PosixRegular | 0644);
    EXPECT_EQ(rr.Links, 2u);
    EXPECT_EQ(rr.Uid, 1000u);
    EXPECT_EQ(rr.Gid, 100u);
    EXPECT_EQ(rr.Serial, 77u);
    EXPECT_EQ(rr.ModifyTime, 1200000000);
    EXPECT_EQ(rr.AccessTime, -86400);
    EXPECT_EQ(rr.ChangeTime, 4102444800);
    EXPECT_FALSE(rr.IsLink);

    // Relocation marks and a device number.
    TRripFacts d = File("dev");
    d.Mode = PosixCharDevice | 0600;
    d.Device = (uint64_t(3) << 32) | 9;
    d.ChildLink = 1234;
    d.ParentLink = 99;
    d.Relocated = true;
    const Encoded de = Encode(d, SystemUseRoom(12));
    EXPECT_EQ(Signatures(de.Entries), (std::vector<std::string>{"PX", "TF", "PN", "CL", "PL", "RE", "NM"}));
    const TRockRidge drr = de.Read();
    EXPECT_EQ(drr.ChildLink, 1234u);
    EXPECT_EQ(drr.ParentLink, 99u);
    EXPECT_TRUE(drr.Relocated);

    // Years a record date cannot hold are cut to its ends.
    TRripFacts far = File("far");
    far.ModifyTime = 7000000000;  // 2191
    far.AccessTime = -3000000000; // 1874
    const TRockRidge frr = Encode(far, 200).Read();
    EXPECT_EQ(frr.ModifyTime, 5869583999);  // 2155-12-31 23:59:59
    EXPECT_EQ(frr.AccessTime, -2208988800); // 1900-01-01
}

TEST(Rrip, RootCarriesSpFirstAndTheExtensionInAContinuation) {
    TRripFacts root = File("");
    root.Mode = PosixDirectory | 0755;
    root.Root = true;
    const Encoded e = Encode(root, SystemUseRoom(1));
    EXPECT_EQ(Signatures(e.Entries), (std::vector<std::string>{"SP", "PX", "TF", "ER"}));
    EXPECT_EQ(SuspSkip(e.Area.data(), e.Area.size()), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(e.Area.data()), 2), "SP");
    ASSERT_EQ(e.Split.Areas.size(), 1u);
    const std::string region(e.Region.begin(), e.Region.end());
    EXPECT_EQ(region.substr(0, 2), "ER");
    EXPECT_NE(region.find("RRIP_1991A"), std::string::npos);
    EXPECT_TRUE(SystemUseWellFormed(e.Area.data(), e.Area.size()));
    EXPECT_EQ(e.Read().Mode, PosixDirectory | 0755);
}

TEST(Rrip, LongNamesSpillIntoAContinuationArea) {
    const std::string name(255, 'n');
    const Encoded e = Encode(File(name), SystemUseRoom(12));
    EXPECT_EQ(Signatures(e.Entries), (std::vector<std::string>{"PX", "TF", "NM", "NM"}));
    ASSERT_EQ(e.Split.Areas.size(), 1u);
    EXPECT_LE(DirRecordLength(12) + e.Split.AreaLength(), MaxEvenDirRecordLength);
    EXPECT_EQ(e.Read().Name, name);
    // A multi-byte name keeps its bytes.
    const std::string utf8 = std::string(120, 'a') + "\xC3\xA9\xE2\x82\xAC" + std::string(130, 'z');
    EXPECT_EQ(Encode(File(utf8), SystemUseRoom(12)).Read().Name, utf8);
}

TEST(Rrip, RecordsUpToTheirLastEvenByte) {
    // Without a name the entries take E bytes; a name of n bytes adds 5 + n.
    const uint32_t room = SystemUseRoom(12);
    std::vector<uint8_t> bare;
    AppendRripEntries(File(""), bare);
    const uint32_t fill = room - static_cast<uint32_t>(bare.size()) - 5;
    const std::string exact(fill, 'x'), over(fill + 1, 'x');
    const Encoded full = Encode(File(exact), room);
    EXPECT_TRUE(full.Split.Areas.empty());
    EXPECT_EQ(DirRecordLength(12) + full.Split.AreaLength(), MaxEvenDirRecordLength);
    EXPECT_EQ(full.Read().Name, exact);
    // One byte more would make the record 255 bytes, and padded 256: a continuation.
    const Encoded spilled = Encode(File(over), room);
    ASSERT_EQ(spilled.Split.Areas.size(), 1u);
    EXPECT_LE(DirRecordLength(12) + spilled.Split.AreaLength(), MaxEvenDirRecordLength);
    EXPECT_EQ(spilled.Read().Name, over);
    // A record with no room even for a CE carries nothing rather than a broken area.
    const Encoded none = Encode(File(over), CeEntryLength - 2);
    EXPECT_TRUE(none.Split.Dropped);
    EXPECT_EQ(none.Split.AreaLength(), 0u);
}

TEST(Rrip, LinkTargetsOfEveryShapeReadBack) {
    const std::string longPart(300, 'p');
    std::string huge; // 1000 bytes: short and long components
    while (huge.size() < 1000)
        huge += (huge.empty() ? "" : "/") + std::string(huge.size() % 7 == 0 ? 260 : 30, 'c');
    huge.resize(1000);
    huge.back() = 'e';
    for (const std::string& target :
         {std::string("../lib/libx.so.1"), std::string("/usr/bin/tool"), std::string("/"),
          std::string("./a/./b/.."), std::string("dir/" + longPart + "/end"), huge}) {
        TRripFacts f = File("link");
        f.Mode = PosixSymlink | 0777;
        f.LinkTarget = target;
        const Encoded e = Encode(f, SystemUseRoom(12));
        for (const std::string& s : Signatures(e.Entries))
            EXPECT_NE(s, "");
        const TRockRidge rr = e.Read();
        EXPECT_TRUE(rr.IsLink);
        EXPECT_EQ(rr.LinkTarget, target) << target.substr(0, 40);
        EXPECT_EQ(rr.Name, "link");
    }
    // A target no single area holds runs through a chain of them, none crossing a sector.
    std::string path;
    for (int i = 0; path.size() < 4000; ++i)
        path += "/component" + std::to_string(i);
    const std::string name(200, 'L');
    TRripFacts f = File(name);
    f.Mode = PosixSymlink | 0777;
    f.LinkTarget = path;
    const Encoded e = Encode(f, SystemUseRoom(12));
    ASSERT_GE(e.Split.Areas.size(), 2u);
    TContinuationPacker packer;
    for (uint32_t a : e.Split.Areas) {
        EXPECT_LE(a, ContinuationAreaMax);
        const auto place = packer.Put(a);
        EXPECT_LE(place.Offset + a, SectorSize);
    }
    const TRockRidge rr = e.Read();
    EXPECT_EQ(rr.LinkTarget, path);
    EXPECT_EQ(rr.Name, name);
}

} // namespace
} // namespace scrivo
