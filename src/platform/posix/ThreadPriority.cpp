// Thread priorities on Linux as nice values of the thread (setpriority on its id).
//
// An unprivileged thread may raise its nice value but never lower it again below what
// RLIMIT_NICE allows (usually not at all). A thread that went idle would then stay idle
// for good, so levels are only applied within the range the process can always return
// from; without that right nothing is changed and the level is merely recorded.
#include "../ThreadNative.h"
#include <algorithm>
#include <cerrno>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace scrivo {

namespace {

bool HasCapSysNice()
{
    __user_cap_header_struct hdr{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &hdr, data) != 0)
        return false;
    return (data[CAP_SYS_NICE / 32].effective >> (CAP_SYS_NICE % 32)) & 1u;
}

// The lowest nice value (highest priority) a thread of this process may set.
int LowestNiceAllowed()
{
    if (HasCapSysNice())
        return -20;
    struct rlimit rl;
    if (getrlimit(RLIMIT_NICE, &rl) != 0)
        return 20;
    if (rl.rlim_cur == RLIM_INFINITY || rl.rlim_cur >= 40)
        return -20;
    return 20 - static_cast<int>(rl.rlim_cur);
}

struct Range {
    int Base;   // the nice value threads start with
    int Lowest; // see LowestNiceAllowed
};

const Range& NiceRange()
{
    static const Range r = [] {
        errno = 0;
        int base = getpriority(PRIO_PROCESS, 0);
        return Range{errno ? 0 : base, LowestNiceAllowed()};
    }();
    return r;
}

} // namespace

NativeThread CaptureCurrentThread()
{
    NiceRange(); // read while the process still runs at its starting level
    return static_cast<NativeThread>(syscall(SYS_gettid));
}

void ReleaseNativeThread(NativeThread) {}

void ApplyPriority(NativeThread t, TThreadPriority p)
{
    static const int nice[] = {19, 10, 5, 0, -5, -10, -20};
    const Range& r = NiceRange();
    if (r.Lowest > r.Base)
        return; // a lowered thread could never come back
    int value = r.Base + nice[static_cast<int>(p)];
    setpriority(PRIO_PROCESS, static_cast<id_t>(t), std::clamp(value, r.Lowest, 19));
}

} // namespace scrivo
