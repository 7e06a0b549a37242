// Synchronize: a process-wide queue of calls that the main thread's loop drains.
#include "Threads.h"
#include <chrono>
#include <deque>
#include <exception>
#include <thread>

namespace scrivo {

namespace {

struct Call {
    const std::function<void()>* Fn;
    std::exception_ptr Error;
    bool Done = false;
};

struct Queue {
    std::mutex M;
    std::condition_variable Arrived, Completed;
    std::deque<Call*> Calls;
    std::function<void()> Wake;
};

Queue& TheQueue()
{
    // Never destroyed: a thread that frees itself may still be leaving Synchronize while
    // the process exits.
    static Queue* q = new Queue;
    return *q;
}

// Captured while the program initialises, which happens on its main thread.
std::atomic<std::thread::id> g_mainThread{std::this_thread::get_id()};

} // namespace

void SetMainThread() { g_mainThread = std::this_thread::get_id(); }

bool IsMainThread() { return g_mainThread.load() == std::this_thread::get_id(); }

void SetSynchronizeWakeup(std::function<void()> wake)
{
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.M);
    q.Wake = std::move(wake);
}

void RunOnMainThread(const std::function<void()>& fn)
{
    if (IsMainThread()) {
        fn();
        return;
    }
    Queue& q = TheQueue();
    Call call{&fn, nullptr};
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> lock(q.M);
        q.Calls.push_back(&call);
        wake = q.Wake;
    }
    q.Arrived.notify_all();
    if (wake)
        wake();
    std::unique_lock<std::mutex> lock(q.M);
    q.Completed.wait(lock, [&] { return call.Done; });
    if (call.Error)
        std::rethrow_exception(call.Error);
}

bool CheckSynchronize(uint32_t timeoutMs)
{
    Queue& q = TheQueue();
    std::unique_lock<std::mutex> lock(q.M);
    if (q.Calls.empty() && timeoutMs > 0)
        q.Arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !q.Calls.empty(); });
    bool ran = false;
    while (!q.Calls.empty()) {
        Call* call = q.Calls.front();
        q.Calls.pop_front();
        lock.unlock(); // the call may itself queue work or take other locks
        try {
            (*call->Fn)();
        } catch (...) {
            call->Error = std::current_exception();
        }
        lock.lock();
        call->Done = true;
        q.Completed.notify_all();
        ran = true;
    }
    return ran;
}

} // namespace scrivo
