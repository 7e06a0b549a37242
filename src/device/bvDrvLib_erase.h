// Erasing a rewritable disc: the thread that waits for the drive after the erase command,
// estimates the progress, restores the drive and reports the end on the main thread.
#pragma once
#include "platform/Threads.h"
#include <atomic>
#include <cstdint>
#include <functional>

namespace scrivo {

class TSCSIDevice;

// FORMAT UNIT parameter lists: DVD+RW (2,295,104 blocks, type 26h) and DVD-RAM full
// format (2,236,704 blocks of 2,048 bytes); sent fitted to the disc (FormatFitted).
extern const uint8_t DVDPlusRWFormatList[12];
extern const uint8_t DVDRAMFullFormatList[12];

// Seconds an erase is expected to take, the scale of its progress.
uint16_t ExpectedEraseSeconds(uint8_t discKind, uint8_t eraseType);

class TEraseThread : public TThread {
public:
    TEraseThread(uint8_t discKind, TSCSIDevice& device, uint16_t expectedSeconds);
    std::atomic<int32_t> Progress{0};
    // True while OnEraseDone runs (main thread only): the thread waits for the handler then,
    // so it cannot be joined from inside it.
    bool InReport = false;

protected:
    void Execute() override;

private:
    void UpdateProgress();
    bool Busy() const;
    // Polls through the device's wait (ask first, sleep `intervalMs` while `ask` says to wait);
    // false when StopWaiting ended it.
    bool WaitWhile(uint32_t intervalMs, const std::function<bool()>& ask);
    void WaitForFormatThenOverwrite();
    void PollTestUnitReady(int step);
    void WaitForReady();
    void RestoreDrive();

    uint8_t discKind_;
    TSCSIDevice& device_;
    uint16_t expected_;
    int64_t t_ = 0;
};

} // namespace scrivo
