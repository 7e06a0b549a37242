#include "transport/bvASPI_event.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>
#endif

namespace scrivo {

#ifdef _WIN32

struct TSrbEvent::Impl {
    HANDLE Handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool GaveUp = false; // a wait ran out before the signal
    bool MayStillBeSignalled() const { return GaveUp && WaitForSingleObject(Handle, 0) != WAIT_OBJECT_0; }
    ~Impl() {
        // A request given up on may still be completed by the library later: closing the
        // handle then would let its SetEvent hit whatever object reuses the handle value.
        if (Handle && !MayStillBeSignalled())
            CloseHandle(Handle);
    }
};

bool TSrbEvent::Valid() const { return impl_->Handle != nullptr; }
void* TSrbEvent::PostProc() const { return impl_->Handle; }
void TSrbEvent::Reset() { ResetEvent(impl_->Handle); }
void TSrbEvent::Signal() { SetEvent(impl_->Handle); }

bool TSrbEvent::WaitFor(uint32_t timeoutMs) {
    const bool set = WaitForSingleObject(impl_->Handle, timeoutMs == UINT32_MAX ? INFINITE : timeoutMs) ==
                     WAIT_OBJECT_0;
    if (!set)
        impl_->GaveUp = true;
    return set;
}

#else

struct TSrbEvent::Impl {
    // What SRB_PostProc points at: the C object first, then the way back to us.
    struct Completion {
        SRB_CompletionEvent Base;
        Impl* Owner;
    } Completion{{&Impl::SignalThunk}, this};
    std::mutex M;
    std::condition_variable Cv;
    bool Set = false;
    bool GaveUp = false; // a wait ran out before the signal

    // Notifies under the lock: a waiter may destroy the event as soon as it wakes.
    void SetIt() {
        std::lock_guard<std::mutex> lock(M);
        Set = true;
        Cv.notify_all();
    }
    bool MayStillBeSignalled() {
        std::lock_guard<std::mutex> lock(M);
        return GaveUp && !Set;
    }
    static void SignalThunk(void* self) { static_cast<struct Completion*>(self)->Owner->SetIt(); }
};

bool TSrbEvent::Valid() const { return true; }
void* TSrbEvent::PostProc() const { return &impl_->Completion; }

void TSrbEvent::Reset() {
    std::lock_guard<std::mutex> lock(impl_->M);
    impl_->Set = false;
}

void TSrbEvent::Signal() { impl_->SetIt(); }

bool TSrbEvent::WaitFor(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(impl_->M);
    if (timeoutMs == UINT32_MAX) {
        impl_->Cv.wait(lock, [this] { return impl_->Set; });
        return true;
    }
    bool set = impl_->Cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [this] { return impl_->Set; });
    if (!set)
        impl_->GaveUp = true;
    return set;
}

#endif

TSrbEvent::TSrbEvent() : impl_(std::make_unique<Impl>()) {}

#ifdef _WIN32
TSrbEvent::~TSrbEvent() = default;
#else
TSrbEvent::~TSrbEvent() {
    // A request given up on (its wait ran out) may still be completed by the library
    // later; its completion object must outlive us then, so it is kept for good.
    if (!impl_->MayStillBeSignalled())
        return;
    static std::mutex retiredLock;
    static auto* retired = new std::vector<Impl*>;
    std::lock_guard<std::mutex> lock(retiredLock);
    retired->push_back(impl_.release());
}
#endif

} // namespace scrivo
