// Compares sectors read back from a disc with the checksums kept when they were written,
// on a thread of its own: while one chunk is checked, the next READ is already running.
#pragma once
#include "platform/Threads.h"
#include <condition_variable>
#include <cstdint>
#include <thread>
#include <vector>

namespace scrivo {

class TReadBackCheck {
  public:
    // `sums` holds one checksum per sector from the session's first, at `startLba`; it must
    // outlive the check.
    TReadBackCheck(const std::vector<uint32_t>& sums, uint32_t startLba);
    ~TReadBackCheck();
    TReadBackCheck(const TReadBackCheck&) = delete;
    TReadBackCheck& operator=(const TReadBackCheck&) = delete;

    // Checks `count` sectors from sector `first` of the session, read into `data` (nullptr:
    // they could not be read, every one is bad). When the thread is free it takes the chunk
    // and the answer is true: `data` must then stay as it is until the next call that
    // answers true, or Finish. When it is still busy the caller checks the chunk itself, so
    // a thread the system keeps waiting never holds up the reading.
    bool Check(const uint8_t* data, uint32_t first, uint32_t count);
    // Waits for the last chunk; the addresses of the sectors that differ, in ascending order.
    std::vector<uint32_t> Finish();

  private:
    void Run();
    // Appends the bad sectors of a chunk to `bad`.
    void Compare(const uint8_t* data, uint32_t first, uint32_t count, std::vector<uint32_t>& bad) const;

    const std::vector<uint32_t>& sums_;
    const uint32_t startLba_;
    std::vector<uint32_t> bad_;    // found by the thread
    std::vector<uint32_t> ownBad_; // found by the caller
    TMutex m_;
    std::condition_variable cv_;
    // The chunk in hand; pending_ while the thread has not finished it.
    const uint8_t* data_ = nullptr;
    uint32_t first_ = 0, count_ = 0;
    bool pending_ = false, stop_ = false;
    std::thread thread_;
};

} // namespace scrivo
