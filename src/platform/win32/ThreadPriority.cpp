// Thread priorities on Windows.
#include "../ThreadNative.h"
#include <windows.h>

namespace scrivo {

NativeThread CaptureCurrentThread()
{
    HANDLE h = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &h,
                    THREAD_SET_INFORMATION | THREAD_QUERY_INFORMATION, FALSE, 0);
    return reinterpret_cast<NativeThread>(h);
}

void ReleaseNativeThread(NativeThread t)
{
    if (t)
        CloseHandle(reinterpret_cast<HANDLE>(t));
}

void ApplyPriority(NativeThread t, TThreadPriority p)
{
    static const int level[] = {THREAD_PRIORITY_IDLE, THREAD_PRIORITY_LOWEST,
                                THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                THREAD_PRIORITY_TIME_CRITICAL};
    if (t)
        SetThreadPriority(reinterpret_cast<HANDLE>(t), level[static_cast<int>(p)]);
}

} // namespace scrivo
