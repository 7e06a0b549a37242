// The write thread: one recording run from the first drive command to OnWriteDone.
#pragma once
#include "platform/Threads.h"
#include <cstdint>
#include <string>

namespace scrivo {

class TBrenvik;
class TCacheThread;
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
    void Prepare();
    void Announce(uint16_t speed);
    // Steps from the first block to the end of the image; false when the run ended early.
    void WriteImage();
    // Writes the descriptor copy at address 0. Answers false when the run ended; `retry`
    // tells that the drive was busy and the block goes straight to its write.
    bool WriteDescriptorCopy(bool& retry);
    // Writes the block in WriteBuffer at its place, again while the drive is busy; false when
    // the run ended (abort, error, or busy for too long).
    bool WriteBlock();
    // Copies the descriptor copy's first block into descriptor_, padded to whole ECC units
    // on restricted overwrite; answers its length in sectors.
    uint32_t PrepareDescriptorBlocks();
    // Takes the next block, waiting while none is ready. False when the run must finish.
    bool NextBlock();
    bool Busy() const;
    void EndWithError(const std::string& text);
    std::string WriterErrorText() const;
    void FinalFlush();
    void Close();
    void NeutralState();
    void Report();

    TWriteRun& run_;
    TBrenvik& c_;
    TCacheThread& cache_;
    int64_t written_ = 0;
    int retries_ = 0;
    int pollCountdown_ = 5;
    bool pollSupported_ = false;
    int t_ = 1;
    uint8_t kind_ = 0;
    int32_t a_ = 0;
    uint8_t descriptor_[65536] = {};
};

} // namespace scrivo
