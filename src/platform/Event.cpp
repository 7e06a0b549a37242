// The manual-reset event: stays set, releasing every waiter, until Reset.
#include "Threads.h"
#include <chrono>

namespace scrivo {

void TEvent::Set()
{
    // Notified under the lock: a waiter may destroy the event as soon as it wakes (a
    // command's completion event), so Set must not touch it after releasing the lock.
    std::lock_guard<std::mutex> lock(m_);
    set_ = true;
    cv_.notify_all();
}

void TEvent::Reset()
{
    std::lock_guard<std::mutex> lock(m_);
    set_ = false;
}

bool TEvent::IsSet()
{
    std::lock_guard<std::mutex> lock(m_);
    return set_;
}

bool TEvent::WaitFor(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_);
    if (timeoutMs == UINT32_MAX) {
        cv_.wait(lock, [this] { return set_; });
        return true;
    }
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return set_; });
}

} // namespace scrivo
