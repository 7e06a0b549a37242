// Library load. The thread runtime is linked into this library (so that it needs nothing
// but system DLLs), and that runtime cannot be unloaded cleanly: for every thread that
// enters it (the host's own, while the library initialises and at every call) it keeps a
// record with a duplicated thread handle, an event and a TLS slot, freed only when that
// thread exits, by a TLS callback that an unloaded library no longer has. Unloading would
// lose those on every cycle and leave the host's thread pointing into freed memory. So
// the library, once loaded, stays until the process ends: FreeLibrary drops the host's
// reference, and the next LoadLibrary finds the same library, whose calls leave nothing
// running and nothing loaded behind them.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    // The loader's lock, which pinning takes, is this thread's already.
    if (reason == DLL_PROCESS_ATTACH) {
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(self), &pinned);
    }
    return TRUE;
}
