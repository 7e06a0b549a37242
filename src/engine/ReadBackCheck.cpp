#include "engine/ReadBackCheck.h"
#include "engine/SectorChecksum.h"
#include <algorithm>

namespace scrivo {

namespace {
constexpr uint32_t SumsAtOnce = 64;
// Enough for the thread's wake-up to overlap the next READs, not so many that a thread the
// system keeps waiting holds much memory.
constexpr int Buffers = 4;
} // namespace

TReadBackCheck::TReadBackCheck(const std::vector<uint32_t>& sums, uint32_t startLba, uint32_t batchSectors)
    : sums_(sums), startLba_(startLba),
      buffers_(Buffers, std::vector<uint8_t>(size_t(batchSectors) * ChecksumSectorBytes)),
      busy_(Buffers, false), thread_([this] { Run(); }) {}

TReadBackCheck::~TReadBackCheck() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void TReadBackCheck::Check(uint32_t first, uint32_t count) {
    {
        std::lock_guard<std::mutex> lock(m_);
        // Handed over only while another buffer is left for the caller to read into.
        for (int i = 0; i < Buffers; ++i)
            if (i != own_ && !busy_[size_t(i)]) {
                busy_[size_t(own_)] = true;
                queue_.push_back({own_, first, count});
                own_ = i;
                cv_.notify_all();
                return;
            }
    }
    Compare(Buffer(), first, count, ownBad_);
}

void TReadBackCheck::Unreadable(uint32_t first, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        ownBad_.push_back(startLba_ + first + i);
}

std::vector<uint32_t> TReadBackCheck::Finish() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [this] { return queue_.empty() && !checking_; });
    std::vector<uint32_t> bad = bad_;
    bad.insert(bad.end(), ownBad_.begin(), ownBad_.end());
    std::sort(bad.begin(), bad.end());
    return bad;
}

void TReadBackCheck::Compare(const uint8_t* data, uint32_t first, uint32_t count,
                             std::vector<uint32_t>& bad) const {
    uint32_t read[SumsAtOnce];
    for (uint32_t at = 0; at < count; at += SumsAtOnce) {
        const uint32_t n = std::min(SumsAtOnce, count - at);
        SectorChecksums(data + size_t(at) * ChecksumSectorBytes, n, read);
        for (uint32_t i = 0; i < n; ++i)
            if (first + at + i >= sums_.size() || read[i] != sums_[first + at + i])
                bad.push_back(startLba_ + first + at + i);
    }
}

void TReadBackCheck::Run() {
    std::unique_lock<std::mutex> lock(m_);
    std::vector<uint32_t> bad;
    for (;;) {
        cv_.wait(lock, [this] { return !queue_.empty() || stop_; });
        if (stop_) return;
        const TBatch batch = queue_.front();
        queue_.pop_front();
        checking_ = true;
        lock.unlock();
        bad.clear();
        Compare(buffers_[size_t(batch.Buffer)].data(), batch.First, batch.Count, bad);
        lock.lock();
        bad_.insert(bad_.end(), bad.begin(), bad.end());
        busy_[size_t(batch.Buffer)] = false;
        checking_ = false;
        cv_.notify_all();
    }
}

} // namespace scrivo
