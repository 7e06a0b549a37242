// Inputs for driving the cache thread in tests: a file table in a
// vector (optionally holding the producer at one entry), and a consumer that collects
// the stream.
#pragma once
#include "engine/bvCache.h"
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace scrivo::test {

inline void SetBytes(TMemoryStream& m, const std::vector<uint8_t>& bytes) {
    m.Clear();
    m.Write(bytes.data(), bytes.size());
}

class VectorFileTable : public TCacheFileTable {
public:
    std::vector<TCacheFileEntry> Entries;
    int FailAt = -1; // Entry() answers false at this index
    int HoldAt = -1; // Entry() waits at this index until Release()

    int Count() const override { return static_cast<int>(Entries.size()); }
    bool Entry(int index, TCacheFileEntry& out) const override {
        if (index == HoldAt) {
            std::unique_lock<std::mutex> l(m_);
            held_ = true;
            cv_.notify_all();
            cv_.wait(l, [&] { return released_; });
        }
        if (index == FailAt)
            return false;
        out = Entries[static_cast<size_t>(index)];
        return true;
    }
    void WaitUntilHeld() const {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [&] { return held_; });
    }
    void Release() const {
        std::lock_guard<std::mutex> l(m_);
        released_ = true;
        cv_.notify_all();
    }
    void Add(const std::string& path, uint64_t size, uint32_t attr = 0x20) {
        Entries.push_back({path, size, attr, false});
    }

private:
    mutable std::mutex m_;
    mutable std::condition_variable cv_;
    mutable bool held_ = false;
    mutable bool released_ = false;
};

// Waits (without polling) until `ready` holds; the cache signals every change.
template <class Pred>
bool WaitFor(TCacheThread& c, Pred ready) {
    for (int i = 0; i < 20000 && !ready(); ++i) {
        c.StateChanged.Reset();
        if (ready())
            break;
        c.StateChanged.WaitFor(100);
    }
    return ready();
}

struct Taken {
    std::vector<uint8_t> Bytes;
    std::vector<int32_t> Lengths;
    int MaxQueue = 0;
};

// Takes every block like the write thread does (holding the lock) until the end.
inline Taken TakeAll(TCacheThread& c, TCriticalSection& lock) {
    Taken t;
    std::vector<uint8_t> buf(CacheBlockCapacity);
    for (;;) {
        t.MaxQueue = std::max(t.MaxQueue, c.QueueCount());
        c.StateChanged.Reset();
        lock.Enter();
        const int32_t n = c.TakeBlock(buf.data());
        lock.Leave();
        if (n == 0)
            return t;
        if (n < 0) {
            c.StateChanged.WaitFor(100);
            continue;
        }
        t.Lengths.push_back(n);
        t.Bytes.insert(t.Bytes.end(), buf.begin(), buf.begin() + n);
    }
}

inline std::vector<uint8_t> Padded(std::vector<uint8_t> v) {
    v.resize((v.size() + 2047) / 2048 * 2048, 0);
    return v;
}

} // namespace scrivo::test
