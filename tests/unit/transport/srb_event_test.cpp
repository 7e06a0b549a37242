// The completion event as an ASPI library sees it through SRB_PostProc.
#include "transport/bvASPI_event.h"

#include <gtest/gtest.h>

#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace scrivo {
namespace {

// What an ASPI library does on completion; false when the system refused the signal.
bool SignalLikeALibrary(void* postProc) {
#ifdef _WIN32
    return SetEvent(static_cast<HANDLE>(postProc)) != 0;
#else
    auto* ev = static_cast<SRB_CompletionEvent*>(postProc);
    ev->Signal(ev);
    return true;
#endif
}

TEST(SrbEvent, SignalledThroughThePostProcessingField) {
    TSrbEvent ev;
    ASSERT_TRUE(ev.Valid());
    EXPECT_FALSE(ev.WaitFor(0));
    SignalLikeALibrary(ev.PostProc());
    EXPECT_TRUE(ev.WaitFor(0));
    EXPECT_TRUE(ev.WaitFor(0)); // manual reset
    ev.Reset();
    EXPECT_FALSE(ev.WaitFor(0));
}

TEST(SrbEvent, WaiterWakesWhenAnotherThreadCompletes) {
    TSrbEvent ev;
    std::thread library([&] { SignalLikeALibrary(ev.PostProc()); });
    EXPECT_TRUE(ev.WaitFor(UINT32_MAX));
    library.join();
}

// The caller gives up waiting and frees the event; the library completes the request
// afterwards and must still find a live event (a freed one on POSIX, or a closed, perhaps
// reused handle on Windows, would be hit).
TEST(SrbEvent, LateCompletionOfAnAbandonedRequestIsHarmless) {
    void* postProc;
    {
        TSrbEvent ev;
        postProc = ev.PostProc();
        EXPECT_FALSE(ev.WaitFor(0));
    }
    EXPECT_TRUE(SignalLikeALibrary(postProc));
}

} // namespace
} // namespace scrivo
