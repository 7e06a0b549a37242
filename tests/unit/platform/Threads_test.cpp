#include "platform/Threads.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <stdexcept>
#include <thread>
#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace scrivo {
namespace {

// A thread whose body is a function; its end is observable through an event.
class FnThread : public TThread {
public:
    FnThread(std::function<void(FnThread&)> body, TEvent* destroyed = nullptr, bool suspended = true)
        : TThread(suspended), body_(std::move(body)), destroyed_(destroyed) {}
    ~FnThread() override
    {
        WaitFor();
        if (destroyed_)
            destroyed_->Set();
    }
    using TThread::Synchronize;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(FnThread&)> body_;
    TEvent* destroyed_;
};

// Drains Synchronize calls until `done` is set.
void PumpUntil(TEvent& done)
{
    while (!done.IsSet())
        CheckSynchronize(50);
}

TEST(TThread, RunsOnlyAfterResumeAndOnce)
{
    std::atomic<int> runs{0};
    for (bool suspended : {true, false}) {
        runs = 0;
        FnThread t([&](FnThread&) { ++runs; }, nullptr, suspended);
        EXPECT_FALSE(t.Finished());
        t.Resume();
        t.Resume(); // no second start
        t.WaitFor();
        EXPECT_TRUE(t.Finished());
        EXPECT_EQ(runs, 1);
    }
}

TEST(TThread, NeverStartedThreadIsDestroyedQuietly)
{
    std::atomic<bool> ran{false};
    {
        FnThread t([&](FnThread&) { ran = true; });
        t.WaitFor(); // returns: nothing to wait for
    }
    EXPECT_FALSE(ran);
}

TEST(TThread, FreeOnTerminateDeletesTheObject)
{
    TEvent destroyed, release;
    auto* t = new FnThread([&](FnThread&) { release.WaitFor(UINT32_MAX); }, &destroyed);
    t->FreeOnTerminate = true;
    t->Resume();
    EXPECT_FALSE(destroyed.IsSet());
    release.Set();
    EXPECT_TRUE(destroyed.WaitFor(10000)); // deleted by its own thread
}

TEST(TThread, DestructorTerminatesAndWaits)
{
    std::atomic<bool> sawTerminate{false};
    {
        FnThread t([&](FnThread& self) {
            while (!self.Terminated)
                std::this_thread::yield();
            sawTerminate = true;
        });
        t.Resume();
        t.Terminate();
    }
    EXPECT_TRUE(sawTerminate);
}

#ifdef __linux__
int ThreadNice() { return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))); }
#else
int ThreadNice() { return 0; }
#endif

TEST(TThread, PriorityIsRecordedAndAnIdleThreadCanComeBack)
{
    TEvent set, release;
    int base = ThreadNice();
    std::atomic<int> niceIdle{-100}, niceBack{-100};
    FnThread t([&](FnThread& self) {
        self.SetPriority(TThreadPriority::Idle);
        niceIdle = ThreadNice();
        self.SetPriority(TThreadPriority::Normal);
        niceBack = ThreadNice();
        self.SetPriority(TThreadPriority::Idle);
        set.Set();
        release.WaitFor(UINT32_MAX);
    });
    t.SetPriority(TThreadPriority::Lower);
    EXPECT_EQ(t.Priority(), TThreadPriority::Lower);
    t.Resume();
    ASSERT_TRUE(set.WaitFor(10000));
    EXPECT_EQ(t.Priority(), TThreadPriority::Idle);
    // Idle where the process may return from it (else unchanged), and back at Normal.
    EXPECT_TRUE(niceIdle == std::min(base + 19, 19) || niceIdle == base) << niceIdle;
    EXPECT_EQ(niceBack, base);
    t.SetPriority(TThreadPriority::TimeCritical); // may be refused by the system: still recorded
    EXPECT_EQ(t.Priority(), TThreadPriority::TimeCritical);
    release.Set();
    t.WaitFor();
}

TEST(ThreadSynchronize, WorkerCallsRunOnTheMainThread)
{
    SetMainThread();
    std::thread::id ranOn;
    bool wasMain = false;
    std::atomic<int> wakes{0};
    SetSynchronizeWakeup([&] { ++wakes; });
    TEvent done;
    FnThread t([&](FnThread& self) {
        EXPECT_FALSE(IsMainThread());
        self.Synchronize([&] {
            ranOn = std::this_thread::get_id();
            wasMain = IsMainThread();
        });
        done.Set();
    });
    t.Resume();
    PumpUntil(done);
    t.WaitFor();
    SetSynchronizeWakeup(nullptr);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(wasMain);
    EXPECT_EQ(wakes, 1);
}

TEST(ThreadSynchronize, ExceptionsReachTheCaller)
{
    SetMainThread();
    TEvent done;
    std::string caught;
    FnThread t([&](FnThread&) {
        try {
            RunOnMainThread([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        done.Set();
    });
    t.Resume();
    PumpUntil(done);
    t.WaitFor();
    EXPECT_EQ(caught, "boom");
}

TEST(ThreadSynchronize, MainThreadRunsDirectlyAndManyWorkersAreServed)
{
    SetMainThread();
    bool direct = false;
    RunOnMainThread([&] { direct = true; });
    EXPECT_TRUE(direct);
    EXPECT_FALSE(CheckSynchronize(0));

    int counter = 0; // touched only on the main thread, so no lock
    std::atomic<int> finished{0};
    TEvent all;
    std::vector<std::unique_ptr<FnThread>> workers;
    for (int i = 0; i < 4; ++i) {
        workers.push_back(std::make_unique<FnThread>([&](FnThread& self) {
            for (int k = 0; k < 25; ++k)
                self.Synchronize([&] { ++counter; });
            if (++finished == 4)
                all.Set();
        }));
        workers.back()->Resume();
    }
    PumpUntil(all);
    workers.clear();
    EXPECT_EQ(counter, 100);
}

TEST(ThreadEvent, ManualResetReleasesEveryWaiterUntilReset)
{
    TEvent e;
    EXPECT_FALSE(e.WaitFor(0));
    EXPECT_FALSE(e.WaitFor(1));
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (e.WaitFor(UINT32_MAX))
                ++released;
        });
    e.Set();
    for (std::thread& w : waiters)
        w.join();
    EXPECT_EQ(released, 3);
    EXPECT_TRUE(e.WaitFor(0)); // stays set
    e.Reset();
    EXPECT_FALSE(e.WaitFor(0));
    EXPECT_TRUE(TEvent(true).WaitFor(0));
}

TEST(ThreadCriticalSection, IsRecursiveAndExcludesOthers)
{
    TCriticalSection cs;
    cs.Enter();
    cs.Enter();
    bool otherGot = true;
    std::thread([&] { otherGot = cs.TryEnter(); }).join();
    EXPECT_FALSE(otherGot);
    cs.Leave();
    std::thread([&] { otherGot = cs.TryEnter(); }).join();
    EXPECT_FALSE(otherGot); // still held once
    cs.Leave();
    std::thread([&] {
        otherGot = cs.TryEnter();
        if (otherGot)
            cs.Leave();
    }).join();
    EXPECT_TRUE(otherGot);
}

} // namespace
} // namespace scrivo
