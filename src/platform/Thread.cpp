// The thread object: a std::thread started on Resume, running Execute once, and either
// waited for by its owner or deleting itself when FreeOnTerminate is set.
#include "ThreadNative.h"
#include "Threads.h"
#include <thread>

namespace scrivo {

struct TThread::Impl {
    TMutex M;
    std::condition_variable Ended;
    std::thread Th;
    bool Started = false, Finished = false;
    NativeThread Native = 0;
    bool HaveNative = false;
};

struct ThreadLauncher {
    static void Run(TThread* t)
    {
        TThread::Impl& im = *t->impl_;
        {
            std::lock_guard<std::mutex> lock(im.M); // also waits for Resume to finish
            im.Native = CaptureCurrentThread();
            im.HaveNative = true;
            if (t->priority_ != TThreadPriority::Normal)
                ApplyPriority(im.Native, t->priority_);
        }
        try {
            t->Execute();
        } catch (...) {
            // An escaping exception would end the process; the body reports its own errors.
        }
        std::unique_lock<std::mutex> lock(im.M);
        ReleaseNativeThread(im.Native);
        im.HaveNative = false;
        if (t->FreeOnTerminate) {
            im.Th.detach();
            lock.unlock();
            delete t;
            return;
        }
        im.Finished = true;
        im.Ended.notify_all();
    }
};

TThread::TThread(bool) : impl_(std::make_unique<Impl>()) {}

TThread::~TThread()
{
    std::unique_lock<std::mutex> lock(impl_->M);
    if (impl_->Th.joinable() && impl_->Th.get_id() != std::this_thread::get_id()) {
        Terminated = true;
        impl_->Ended.wait(lock, [this] { return impl_->Finished; });
        impl_->Th.join();
    }
}

void TThread::Resume()
{
    std::lock_guard<std::mutex> lock(impl_->M);
    if (impl_->Started)
        return;
    impl_->Started = true;
    impl_->Th = std::thread(&ThreadLauncher::Run, this);
}

void TThread::WaitFor()
{
    std::unique_lock<std::mutex> lock(impl_->M);
    if (!impl_->Th.joinable() || impl_->Th.get_id() == std::this_thread::get_id())
        return; // never started, already joined, or asked by the thread itself
    impl_->Ended.wait(lock, [this] { return impl_->Finished; });
    impl_->Th.join();
}

bool TThread::Finished() const
{
    std::lock_guard<std::mutex> lock(impl_->M);
    return impl_->Finished;
}

void TThread::SetPriority(TThreadPriority p)
{
    std::lock_guard<std::mutex> lock(impl_->M); // keeps the recorded and the applied level in step
    priority_ = p;
    if (impl_->HaveNative)
        ApplyPriority(impl_->Native, p);
}

void TThread::Synchronize(const std::function<void()>& fn) { RunOnMainThread(fn); }

} // namespace scrivo
