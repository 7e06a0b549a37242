// What the thread class needs from the system: a reference to the running thread that
// another thread can use to change its priority.
#pragma once
#include "Threads.h"
#include <cstdint>

namespace scrivo {

// Linux: the kernel thread id; Windows: a real (duplicated) thread handle.
using NativeThread = intptr_t;

NativeThread CaptureCurrentThread();
void ReleaseNativeThread(NativeThread t);
// Failures (missing privileges) are ignored: the level stays recorded by the caller.
void ApplyPriority(NativeThread t, TThreadPriority p);

} // namespace scrivo
