#include "engine/ReadBackCheck.h"
#include "engine/SectorChecksum.h"
#include <algorithm>

namespace scrivo {

namespace {
constexpr uint32_t SumsAtOnce = 64;
} // namespace

TReadBackCheck::TReadBackCheck(const std::vector<uint32_t>& sums, uint32_t startLba)
    : sums_(sums), startLba_(startLba), thread_([this] { Run(); }) {}

TReadBackCheck::~TReadBackCheck() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

bool TReadBackCheck::Check(const uint8_t* data, uint32_t first, uint32_t count) {
    {
        std::lock_guard<std::mutex> lock(m_);
        if (!pending_) {
            data_ = data;
            first_ = first;
            count_ = count;
            pending_ = true;
            cv_.notify_all();
            return true;
        }
    }
    Compare(data, first, count, ownBad_);
    return false;
}

std::vector<uint32_t> TReadBackCheck::Finish() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [this] { return !pending_; });
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
        if (data) SectorChecksums(data + size_t(at) * ChecksumSectorBytes, n, read);
        for (uint32_t i = 0; i < n; ++i)
            if (!data || first + at + i >= sums_.size() || read[i] != sums_[first + at + i])
                bad.push_back(startLba_ + first + at + i);
    }
}

void TReadBackCheck::Run() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        cv_.wait(lock, [this] { return pending_ || stop_; });
        if (stop_) return;
        const uint8_t* data = data_;
        const uint32_t first = first_, count = count_;
        lock.unlock();
        std::vector<uint32_t> bad;
        Compare(data, first, count, bad);
        lock.lock();
        bad_.insert(bad_.end(), bad.begin(), bad.end());
        pending_ = false;
        cv_.notify_all();
    }
}

} // namespace scrivo
