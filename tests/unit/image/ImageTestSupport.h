// Shared set-up for the image builder tests: a cleared tree, captured messages, a fixed
// clock and records made up without touching the disk.
#pragma once
#include "image/bvISOLib.h"
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace scrivo::test {

// 2026-03-04 05:06:07 as TDateTime.
inline TDateTime FixedTime() {
    TDateTime t = 0;
    EncodeDateTime({2026, 3, 4, 5, 6, 7, 0}, t);
    return t;
}

inline FileListing Listed(const std::string& name, uint64_t size = 1, uint32_t attr = faArchive,
                          const std::string& alt = "") {
    FileListing l;
    l.Name = name;
    l.AltName = alt;
    l.Size = size;
    l.Attr = attr;
    l.Time = FixedTime();
    l.TimeValid = true;
    return l;
}

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        b.Clock = FixedTime;
        b.ReportMessage = [this](const std::string& m, uint8_t type) { messages.emplace_back(m, type); };
        b.ClearFiles(65535, 8191);
        FileTables().TimeZoneOffset = 4; // +01:00
    }

    TDEntry* Root() { return FileTables().Root(); }
    TFEntry* File(TDEntry* dir, const std::string& name, uint64_t size = 1, uint32_t attr = faArchive) {
        EXPECT_EQ(1, b.AddFileEntry(dir, Listed(name, size, attr), "/src/" + name));
        return dir->LastEntry;
    }
    TDEntry* Dir(TDEntry* parent, const std::string& name, const std::string& alt = "") {
        return b.CreateDirectory(parent, Listed(name, 0, faDirectory, alt));
    }
    // The metadata stream's sector at an absolute address.
    const uint8_t* Sector(uint32_t lba) const {
        return b.HeaderStream.Data() + uint64_t(lba - b.StartAddress) * SectorSize;
    }

    TImageBuilder b;
    std::vector<std::pair<std::string, uint8_t>> messages;
};

inline uint32_t LE32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
inline uint32_t BE32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
inline uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline std::string Bytes(const uint8_t* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

} // namespace scrivo::test
