// The write thread: one recording run from the first drive command to OnWriteDone.
#pragma once
#include "engine/bvCache.h"
#include "platform/Threads.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace scrivo {

class TBrenvik;
struct TWriteRun;

// How long the write thread waits for the drive to finish a DVD close-out flush
// (a drive that never answers again would otherwise hold it for ever).
constexpr int FinalFlushPolls = 1800; // one a second

class TThWrite : public TThread {
public:
    TThWrite();

protected:
    void Execute() override;

private:
    // False when the drive refused the write parameters: nothing is written then.
    bool Prepare();
    void Announce(uint16_t speed);
    // Steps from the first block to the end of the image; false when the run ended early.
    void WriteImage();
    // Writes the descriptor copy (or the held-back head of a raw image) at address 0 and
    // flushes it; false when the run failed.
    bool WriteDescriptorCopy();
    // Writes `bytes` at `lba`, again while the drive is busy (and once more after formatting
    // a blank DVD+RW); false when the run ended (abort, error, or busy for too long).
    bool WriteAt(uint32_t lba, uint32_t bytes, uint8_t* data);
    // Formats a blank DVD+RW once after its first write was refused with 30h; false when
    // that is not the case.
    bool FormatBlankPlusRW();
    // Copies the first `blocks` sectors of the descriptor copy into descriptor_, padded to
    // whole ECC units on restricted overwrite; answers its length in sectors, 0 when the
    // drive did not answer the read of what the padding keeps.
    uint32_t PrepareDescriptorBlocks(uint32_t blocks);
    // Takes the next block, waiting while none is ready. False when the run must finish.
    bool NextBlock();
    bool Busy() const;
    void EndWithError(const std::string& text);
    std::string WriterErrorText() const;
    // Each false when the drive failed it; the run's error then says why.
    bool FinalFlush();
    bool Close();
    bool CloseStep(bool done);
    bool Failed();
    void NeutralState();
    // Reads the session back and compares each sector with the checksum kept when it went
    // out; false when the run failed.
    bool Verify();
    // Appends the checksums of the sectors of block_ just written to sums_.
    void KeepSums();
    void NameMismatches(const std::vector<uint32_t>& bad);
    // The sources whose extents hold a sector of `bad`, and MetadataMismatch for the rest.
    void NameFilesHolding(const std::vector<uint32_t>& bad, std::vector<std::string>& names) const;
    void Report();

    TWriteRun& run_;
    TBrenvik& c_;
    TCacheThread& cache_;
    int64_t written_ = 0;
    int retries_ = 0;
    int pollCountdown_ = 5;
    bool pollSupported_ = false;
    int t_ = 1;
    int32_t copyLength_ = 0;
    // Sectors of a raw image's first block kept in descriptor_ until the rest is written.
    uint32_t heldBlocks_ = 0;
    bool formatTried_ = false;
    bool verify_ = false;
    std::vector<uint32_t> sums_; // one per sector written, in order from the start address
    uint8_t kind_ = 0;
    std::unique_ptr<TCacheBlock> block_; // the block being written; a_ bytes of it
    int32_t a_ = 0;
    uint8_t descriptor_[65536] = {};
};

} // namespace scrivo
