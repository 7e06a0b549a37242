// Compares sectors read back from a disc with the checksums kept when they were written,
// on a thread of its own: while earlier batches are checked, the next READs are running.
#pragma once
#include "platform/Threads.h"
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <thread>
#include <vector>

namespace scrivo {

class TReadBackCheck {
  public:
    // `sums` holds one checksum per sector from the session's first, at `startLba`; it must
    // outlive the check. Batches hold up to `batchSectors` sectors.
    TReadBackCheck(const std::vector<uint32_t>& sums, uint32_t startLba, uint32_t batchSectors);
    ~TReadBackCheck();
    TReadBackCheck(const TReadBackCheck&) = delete;
    TReadBackCheck& operator=(const TReadBackCheck&) = delete;

    // Where the next batch is to be read: a buffer no one else uses until it is handed over.
    uint8_t* Buffer() { return buffers_[own_].data(); }
    // Hands over the `count` sectors from sector `first` of the session read into Buffer().
    // When the thread has fallen this far behind (the system keeps it waiting), the caller
    // checks them itself, so reading is never held up by it.
    void Check(uint32_t first, uint32_t count);
    // Notes `count` sectors from `first` that could not be read: each is bad.
    void Unreadable(uint32_t first, uint32_t count);
    // Waits for the batches handed over; the addresses of the sectors that differ, ascending.
    std::vector<uint32_t> Finish();

  private:
    struct TBatch {
        int Buffer;
        uint32_t First, Count;
    };
    void Run();
    // Appends the bad sectors of a batch to `bad`.
    void Compare(const uint8_t* data, uint32_t first, uint32_t count, std::vector<uint32_t>& bad) const;

    const std::vector<uint32_t>& sums_;
    const uint32_t startLba_;
    std::vector<std::vector<uint8_t>> buffers_;
    std::vector<bool> busy_;       // handed over and not yet checked
    int own_ = 0;                  // the caller's buffer
    std::vector<uint32_t> bad_;    // found by the thread
    std::vector<uint32_t> ownBad_; // found by the caller
    TMutex m_;
    std::condition_variable cv_;
    std::deque<TBatch> queue_;
    bool checking_ = false, stop_ = false;
    std::thread thread_;
};

} // namespace scrivo
