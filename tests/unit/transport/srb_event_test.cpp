// The completion event as an ASPI library sees it through SRB_PostProc.
#include "transport/bvASPI_event.h"

#include <gtest/gtest.h>

#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace scrivo {
namespace {

// What an ASPI library does on completion.
void SignalLikeALibrary(void* postProc) {
#ifdef _WIN32
    SetEvent(static_cast<HANDLE>(postProc));
#else
    auto* ev = static_cast<SRB_CompletionEvent*>(postProc);
    ev->Signal(ev);
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

#ifndef _WIN32
TEST(SrbEvent, LateCompletionOfAnAbandonedRequestIsHarmless) {
    void* postProc;
    {
        TSrbEvent ev;
        postProc = ev.PostProc();
        EXPECT_FALSE(ev.WaitFor(0)); // the caller gives up and frees the event
    }
    SignalLikeALibrary(postProc); // the library completes the request afterwards
}
#endif

} // namespace
} // namespace scrivo
