// Threads, locks and events in the shape the engine was designed around: a thread
// object created suspended, with priorities, freeing itself when it ends, and a way to
// run code on the main thread (Synchronize).
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace scrivo {

enum class TThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

class TThread {
public:
    explicit TThread(bool createSuspended);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();   // starts a suspended thread
    void Terminate() { Terminated = true; }
    // Waits for the body to end; not for threads that free themselves.
    void WaitFor();
    void SetPriority(TThreadPriority p);
    TThreadPriority Priority() const { return priority_; }

    // When set before Resume, the object deletes itself after Execute returns.
    bool FreeOnTerminate = false;
    std::atomic<bool> Terminated{false};

protected:
    virtual void Execute() = 0;
    // Runs `fn` on the main thread and waits for it (see CheckSynchronize).
    static void Synchronize(const std::function<void()>& fn);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    TThreadPriority priority_ = TThreadPriority::Normal;
    friend struct ThreadLauncher;
};

// The main thread: the one that created the first TThread or called SetMainThread.
void SetMainThread();
bool IsMainThread();
// Runs the calls queued by Synchronize; a main-thread loop calls it. Waits up to
// timeoutMs for one to arrive. Answers whether any ran.
bool CheckSynchronize(uint32_t timeoutMs = 0);
// Called (from any thread) when a Synchronize call is queued, so a message loop can wake.
void SetSynchronizeWakeup(std::function<void()> wake);
// Runs `fn` on the main thread and waits; runs it directly when already there.
void RunOnMainThread(const std::function<void()>& fn);

// A recursive lock.
class TCriticalSection {
public:
    void Enter() { m_.lock(); }
    void Leave() { m_.unlock(); }
    bool TryEnter() { return m_.try_lock(); }

private:
    std::recursive_mutex m_;
};

// A manual-reset event.
class TEvent {
public:
    void Set();
    void Reset();
    // True when set within timeoutMs (UINT32_MAX waits forever).
    bool WaitFor(uint32_t timeoutMs);

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool set_ = false;
};

} // namespace scrivo
