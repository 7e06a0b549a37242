#include "WindowDriver.h"

#include <cstdio>
#include <vector>

namespace scrivo::test {

namespace {
TWindowDriver* current = nullptr;
constexpr DWORD kMaxRunMs = 30000;
} // namespace

TWindowDriver::TWindowDriver(UINT tickMs) : started_(GetTickCount())
{
    current = this;
    timer_ = SetTimer(nullptr, 0, tickMs, Tick);
}

TWindowDriver::~TWindowDriver()
{
    KillTimer(nullptr, timer_);
    current = nullptr;
}

void CALLBACK TWindowDriver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (current)
        current->Step();
}

void TWindowDriver::Step()
{
    if (GetTickCount() - started_ > kMaxRunMs) {
        if (!TimedOut && Escape)
            PostMessageW(Escape, WM_CLOSE, 0, 0);
        TimedOut = true;
        return;
    }
    if (Finished())
        return;
    // Moved on first: a step that opens a message box runs the next steps from its loop.
    size_t i = next_++;
    if (!steps_[i]() && next_ == i + 1)
        next_ = i;
}

HWND FindChild(HWND parent, const wchar_t* className, const wchar_t* text)
{
    return FindWindowExW(parent, nullptr, className, text);
}

void MouseClick(HWND window, int x, int y)
{
    LPARAM at = MAKELPARAM(x, y);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(window, WM_LBUTTONUP, 0, at);
}

std::wstring ArtifactPath(const std::wstring& name)
{
    std::string dir = "Z:" SCRIVO_ARTIFACTS_DIR;
    std::wstring w(dir.begin(), dir.end());
    CreateDirectoryW(w.c_str(), nullptr);
    return w + L"/" + name;
}

bool SaveScreenshot(HWND window, const std::wstring& path)
{
    RECT r;
    GetWindowRect(window, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h; // bottom-up, as BMP files store rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u), size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    bool ok = false;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD n1 = 0, n2 = 0, n3 = 0;
        ok = WriteFile(f, &fh, sizeof fh, &n1, nullptr) && WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &n2, nullptr) &&
             WriteFile(f, bits, size, &n3, nullptr);
        CloseHandle(f);
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

} // namespace scrivo::test
