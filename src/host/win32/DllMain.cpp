// Library load and unload. The toolkit's window classes point into this library's code,
// so a host that frees the library and loads it again must not meet them still
// registered with the old address.
#include "host/ui/win32/Win32BackEnd.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // At process exit (reserved not null) the classes go with the process.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        scrivo::TWin32BackEnd::UnregisterWindowClasses();
    return TRUE;
}
