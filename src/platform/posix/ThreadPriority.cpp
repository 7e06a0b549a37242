// Thread priorities on Linux as nice values of the thread (setpriority on its id).
#include "../ThreadNative.h"
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace scrivo {

NativeThread CaptureCurrentThread() { return static_cast<NativeThread>(syscall(SYS_gettid)); }

void ReleaseNativeThread(NativeThread) {}

void ApplyPriority(NativeThread t, TThreadPriority p)
{
    static const int nice[] = {19, 10, 5, 0, -5, -10, -20};
    // Raising needs CAP_SYS_NICE (or RLIMIT_NICE); without it the call fails harmlessly.
    setpriority(PRIO_PROCESS, static_cast<id_t>(t), nice[static_cast<int>(p)]);
}

} // namespace scrivo
