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
    // C++ builds the derived part after this constructor, so the body cannot safely start
    // here: a thread created with createSuspended = false starts in the first Resume()
    // like a suspended one. Derived classes that start at once call Resume() as the last
    // step of their own constructor.
    explicit TThread(bool createSuspended = true);
    // Waits for a running body (after Terminate). Derived classes whose Execute uses
    // their own members must WaitFor in their destructor, before those members go.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();   // starts a suspended thread; no effect once started
    void Terminate() { Terminated = true; }
    // Waits for the body to end; not for threads that free themselves.
    void WaitFor();
    bool Finished() const;
    // Effective at once on a running thread, else when it starts. Where the system
    // refuses (an unprivileged Linux process may not raise a thread's priority) the
    // level is still recorded.
    void SetPriority(TThreadPriority p);
    TThreadPriority Priority() const { return priority_; }

    // When set before Resume, the object deletes itself after Execute returns.
    std::atomic<bool> FreeOnTerminate{false};
    std::atomic<bool> Terminated{false};

protected:
    virtual void Execute() = 0;
    // Runs `fn` on the main thread and waits for it (see CheckSynchronize).
    static void Synchronize(const std::function<void()>& fn);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::atomic<TThreadPriority> priority_{TThreadPriority::Normal};
    friend struct ThreadLauncher;
};

// The main thread: the one that initialised the program (static initialisation), or the
// one that called SetMainThread (a library's host thread, a test's).
void SetMainThread();
bool IsMainThread();
// Runs the calls queued by Synchronize; a main-thread loop calls it. Waits up to
// timeoutMs for one to arrive. Answers whether any ran.
bool CheckSynchronize(uint32_t timeoutMs = 0);
// Called (from any thread) when a Synchronize call is queued, so a message loop can wake.
void SetSynchronizeWakeup(std::function<void()> wake);
// Runs `fn` on the main thread and waits; runs it directly when already there. An
// exception `fn` throws is raised again in the waiting thread.
void RunOnMainThread(const std::function<void()>& fn);

// std::mutex and std::recursive_mutex that give back what the thread library set up for
// them when they go. libstdc++ never tears its mutexes down (it counts on their static
// initialiser), and MinGW's thread library sets one up at its first use - with an event
// handle once two threads meet on it - so each mutex of a run would be lost with it.
class TMutex : public std::mutex {
public:
    TMutex() = default;
    ~TMutex();
};
class TRecursiveMutex : public std::recursive_mutex {
public:
    TRecursiveMutex() = default;
    ~TRecursiveMutex();
};

// A recursive lock.
class TCriticalSection {
public:
    void Enter() { m_.lock(); }
    void Leave() { m_.unlock(); }
    bool TryEnter() { return m_.try_lock(); }

private:
    TRecursiveMutex m_;
};

// A manual-reset event.
class TEvent {
public:
    explicit TEvent(bool initiallySet = false) : set_(initiallySet) {}
    void Set();
    void Reset();
    bool IsSet();
    // True when set within timeoutMs (UINT32_MAX waits forever).
    bool WaitFor(uint32_t timeoutMs);

private:
    TMutex m_;
    std::condition_variable cv_;
    bool set_ = false;
};

} // namespace scrivo
