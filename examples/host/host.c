/* A host for Scrivo.dll: one window, one button, and the files named on the command
 * line written to a CD or DVD through the library's wizard.
 *
 *   ScrivoHost.exe C:\Reports\march.pdf "C:\My Pictures"
 *
 * Keep Scrivo.dll beside the program (or on the DLL search path). */
#include <stdlib.h>
#include <windows.h>

#include "scrivo.h"

#define ID_WRITE 1

static ScrivoFileList files;

static LRESULT CALLBACK MainWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        CreateWindowA("BUTTON", "Write to CD...", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 20, 20, 180, 30,
                      window, (HMENU)ID_WRITE, NULL, NULL);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == ID_WRITE) {
            /* Plain files into the root, the "Review Files..." button shown, no "Previous"
             * (this host has no step before), the activity log on, settings under the
             * library's default key. Returns when the user closes the wizard. */
            int result = WriteFilesToCD(window, &files, SCRIVO_ADD_TO_ROOT, NULL, NULL, NULL, 1, 0, 1);
            MessageBoxA(window, result == SCRIVO_RESULT_WRITTEN ? "The disc was written." : "Nothing was written.",
                        "Scrivo host", MB_OK | MB_ICONINFORMATION);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    WNDCLASSA wc = {0};
    HWND window;
    MSG msg;
    (void)previous;
    (void)commandLine;

    /* The arguments as the C runtime split them, in the ANSI code page the library takes. */
    files.Count = __argc - 1;
    files.Items = (const char* const*)(__argv + 1);

    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "ScrivoSampleHost";
    RegisterClassA(&wc);
    window = CreateWindowA("ScrivoSampleHost", "Scrivo sample host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           240, 120, NULL, NULL, instance, NULL);
    ShowWindow(window, show);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
