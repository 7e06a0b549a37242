// The completion event of one request: a manual-reset event whose PostProc() value goes
// into SRB_PostProc with SRB_EVENT_NOTIFY. A Win32 event handle on Windows; on POSIX an
// SRB_CompletionEvent that the library signals by calling its Signal member.
#pragma once
#include "transport/bvASPI_srb.h"

#include <cstdint>
#include <memory>

namespace scrivo {

class TSrbEvent {
public:
    TSrbEvent(); // created non-signalled
    ~TSrbEvent();
    TSrbEvent(const TSrbEvent&) = delete;
    TSrbEvent& operator=(const TSrbEvent&) = delete;

    // False when the system could not create the event.
    bool Valid() const;
    void* PostProc() const;
    void Reset();
    void Signal();
    // True when signalled within timeoutMs (UINT32_MAX waits without end).
    bool WaitFor(uint32_t timeoutMs);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace scrivo
