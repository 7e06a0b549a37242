// libFuzzer target of the session import: the input is a disc image (sector n at byte
// n x 2048) holding one session from sector 0. Each input is imported with and without Rock
// Ridge, and the new session laid out and generated over what was imported: a crash, a
// sanitizer report, a hang (-timeout), memory past -rss_limit_mb, or layout and generation
// disagreeing is a finding.
#include "image/bvISOLib.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace scrivo;

class InputDisc : public TImageDisc {
public:
    InputDisc(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t ReadDiscKind() override { return 11; }
    bool FindStartAddress(uint32_t& address) override {
        address = Sectors() + 16;
        return true;
    }
    int RecordedSessionCount() override { return 1; }
    bool ReadTrackInformation(int, uint32_t& start, uint32_t& sectors) override {
        start = 0;
        sectors = Sectors();
        return true;
    }
    // Sectors past the input cannot be read, as on a disc that ends there.
    bool ReadSectors(uint32_t address, uint32_t count, uint8_t* buffer) override {
        for (uint32_t i = 0; i < count; ++i, buffer += SectorSize) {
            const uint64_t at = (uint64_t(address) + i) * SectorSize;
            if (at >= size_) return false;
            const size_t n = std::min<uint64_t>(SectorSize, size_ - at);
            std::memcpy(buffer, data_ + at, n);
            std::memset(buffer + n, 0, SectorSize - n);
        }
        return true;
    }

private:
    uint32_t Sectors() const { return static_cast<uint32_t>((size_ + SectorSize - 1) / SectorSize); }
    const uint8_t* data_;
    size_t size_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputDisc disc(data, size);
    for (bool rockRidge : {true, false}) {
        TImageBuilder builder;
        builder.Clock = [] { return 46000.0; };
        builder.ClearFiles(0x7FFFFFFF, 65535);
        builder.RockRidge = rockRidge;
        builder.Disc = &disc;
        builder.ImportSession(-1, nullptr);
        builder.WritingImage = true;
        builder.PrepareImage(false, nullptr);
        if (!builder.GenerateImage(false, nullptr) &&
            builder.GenerationError.find("layout") != std::string::npos) {
            std::fprintf(stderr, "%s\n", builder.GenerationError.c_str());
            std::abort();
        }
    }
    return 0;
}
