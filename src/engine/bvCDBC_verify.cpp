// Verification after a recording: the new session read back and compared, sector by sector,
// with the checksums kept while it was written, so no source file is read twice.
#include "engine/ReadBackCheck.h"
#include "engine/bvCDBC.h"
#include "engine/bvCDBC_run.h"
#include "engine/bvCDBC_write.h"
#include <algorithm>

namespace scrivo {

namespace {
// Each READ carries as much as the adapter takes, within these bounds: fewer, larger
// requests are what makes reading back cheap next to writing.
constexpr uint32_t MinVerifyChunkSectors = 32;
constexpr uint32_t MaxVerifyChunkSectors = 512; // 1 MiB
constexpr uint32_t CheckBatchSectors = 128;     // 256 KiB
} // namespace

bool TThWrite::Verify() {
    c_.DebugMessage(">>> VERIFYING WRITTEN DATA", 1);
    c_.Verifying = true;
    const uint32_t total = uint32_t(sums_.size());
    uint32_t chunk =
        std::clamp<uint32_t>(c_.MaxTransferBytes() / 2048, MinVerifyChunkSectors, MaxVerifyChunkSectors);
    // Batches of a few READs each are checked while the next READs run. A batch per READ
    // would cost a hand-over per READ, more than checking it takes.
    const uint32_t batch = std::min(std::max(chunk, CheckBatchSectors), std::max<uint32_t>(total, 1));
    TReadBackCheck check(sums_, c_.StartAddress, batch);
    uint32_t filled = 0; // sectors in check.Buffer(), the last ones before `done`
    uint32_t done = 0;
    auto handOver = [&] {
        if (filled > 0) check.Check(done - filled, filled);
        filled = 0;
    };
    while (done < total) {
        if (run_.RunAbortFlag) {
            c_.Verifying = false;
            EndWithError(VerifyAbortedText);
            return false;
        }
        const uint16_t n = uint16_t(std::min({chunk, total - done, batch - filled}));
        if (c_.ReadBlocks(c_.StartAddress + done, n, uint32_t(n) * 2048,
                          check.Buffer() + size_t(filled) * 2048)) {
            filled += n;
            done += n;
            if (filled == batch || done == total) handOver();
        } else if (n > MinVerifyChunkSectors) {
            // An adapter that overstated what it carries: read on in small requests.
            chunk = MinVerifyChunkSectors;
            continue;
        } else if (c_.LastErrorText.empty()) {
            // A drive that stopped answering cannot tell what is on the disc.
            c_.Verifying = false;
            EndWithError(std::string("VERIFY ERROR [") + NoAnswerText + "]");
            return false;
        } else {
            handOver();
            check.Unreadable(done, n);
            done += n;
        }
        c_.BytesVerified = int64_t(done) * 2048;
    }
    const std::vector<uint32_t> bad = check.Finish();
    c_.Verifying = false;
    if (bad.empty()) {
        c_.DebugMessage(">>> VERIFICATION PASSED", 1);
        return true;
    }
    NameMismatches(bad);
    EndWithError("VERIFY ERROR [" + std::to_string(bad.size()) + " SECTORS DIFFER FROM WHAT WAS WRITTEN]");
    return false;
}

void TThWrite::NameMismatches(const std::vector<uint32_t>& bad) {
    std::vector<std::string>& names = c_.MismatchedFiles;
    if (!c_.RawImageFile.empty())
        names.push_back(c_.RawImageFile); // an image recorded as it is: its files are not known here
    else
        NameFilesHolding(bad, names);
    for (const std::string& name : names)
        c_.DebugMessage(">>> VERIFY MISMATCH: " + name, 1);
}

void TThWrite::NameFilesHolding(const std::vector<uint32_t>& bad, std::vector<std::string>& names) const {
    // `bad` is in ascending order; so are the files' extents, in creation order.
    std::vector<bool> inFile(bad.size(), false);
    for (const TFEntry* f : FileTables().Files) {
        if (!f || (f->Attr & 0x10) != 0 || f->Imported || f->Source.Empty() || f->IsoSize == 0) continue;
        const uint64_t first = uint64_t(c_.FirstFileLocation) + f->IsoLocation;
        const uint64_t end = first + (f->IsoSize + 2047) / 2048;
        auto it = std::lower_bound(bad.begin(), bad.end(), first);
        bool hit = false;
        for (; it != bad.end() && *it < end; ++it) {
            inFile[size_t(it - bad.begin())] = true;
            hit = true;
        }
        if (hit) names.push_back(f->SourcePath());
    }
    if (std::find(inFile.begin(), inFile.end(), false) != inFile.end()) names.push_back(MetadataMismatch);
}

} // namespace scrivo
