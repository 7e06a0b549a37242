// Scrivo.dll loaded, called and freed again and again in one process, as hosts that show
// the wizard now and then do: no failed load, no crash, no handles or threads left
// behind, and no thread of ours still running when the call returns.
#include "HostFiles.h"
#include "ScrivoLibrary.h"
#include "WizardWindows.h"
#include "host_win32/WindowDriver.h"
#include "transport/bvASPI_srb.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

namespace scrivo::e2e {
namespace {

using test::TWindowDriver;

const wchar_t kCycleKey[] = L"Software\\ScrivoE2E\\Cycles";
constexpr int kCycles = 20;
// The cycle drive's place in the wizard's list (reader, writer, spare, host, cycle).
const wchar_t kCycleDrive[] = L"4";
constexpr uint8_t kCycleTarget = 4; // its address 0:4:0

// The process's open handles, from the system's handle table (GetProcessHandleCount
// answers 0 under Wine).
DWORD HandleCount()
{
    struct Entry {
        ULONG OwnerPid;
        BYTE ObjectType, Flags;
        USHORT Handle;
        PVOID Object;
        ACCESS_MASK Access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    constexpr ULONG kSystemHandleInformation = 16;
    std::vector<BYTE> buffer(1 << 16);
    for (ULONG needed = 0;;) {
        LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0)
            break;
        if (buffer.size() > (1u << 26))
            return 0;
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
    }
    const ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
    const Entry* e = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    DWORD n = 0;
    for (ULONG i = 0; i < count; ++i)
        n += e[i].OwnerPid == GetCurrentProcessId();
    return n;
}

int ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    int n = 0;
    THREADENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Thread32First(snap, &e); ok; ok = Thread32Next(snap, &e))
        n += e.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snap);
    return n;
}

// The user puts a blank disc into the cycle drive, which the last recording ejected, and
// closes the tray: START STOP UNIT (load) through the recorder's ASPI library, which stays
// in the process once a call has loaded it (as a system's ASPI layer does).
bool CloseCycleTray()
{
    HMODULE aspi = GetModuleHandleW(L"WNASPI32.DLL");
    if (!aspi)
        return true; // not loaded yet: its first load reads the disc anyway
    auto send = reinterpret_cast<TSendASPI32Command>(reinterpret_cast<void*>(GetProcAddress(aspi, "SendASPI32Command")));
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Target = kCycleTarget;
    srb.SRB_Flags = SRB_EVENT_NOTIFY;
    srb.SRB_PostProc = done;
    srb.SRB_SenseLen = SRB_SENSE_AREA_LEN;
    srb.SRB_CDBLen = 6;
    srb.CDBByte[0] = 0x1B; // START STOP UNIT
    srb.CDBByte[4] = 0x03; // load, start
    if (send && send(&srb) == SS_PENDING)
        WaitForSingleObject(done, 10000);
    CloseHandle(done);
    return srb.SRB_Status == SS_COMP;
}

// One call on a library loaded for it: the wizard is cancelled, or records the file
// onto a fresh blank disc and is closed. Gives the call's result; `threadsLeft` the
// threads the call left running.
struct CallOutcome {
    DWORD LoadError = 0;
    int Result = -1;
    int ThreadsLeft = 0;
    bool TimedOut = false;
    std::string Box; // the text of the box after Finish
};

CallOutcome CallOnce(const std::string& file, bool record, HMODULE& module) {
    CallOutcome out;
    module = LoadLibraryW(L"Scrivo.dll");
    if (!module) {
        out.LoadError = GetLastError();
        return out;
    }
    auto write = reinterpret_cast<ScrivoWriteFilesToCDProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "WriteFilesToCD")));
    if (!write) return out;
    std::string error;
    if (record && (!MakeBlankCdR(SceneFolder() + L"cycle.img", error) || !CloseCycleTray()))
        return out;
    AnsiFileList files({file});
    HostWindow host;
    HWND wizard = nullptr;
    TWindowDriver driver;
    driver.Then([&] {
        wizard = FindForm(L"Write Files to CD");
        driver.Escape = wizard;
        return wizard != nullptr;
    });
    if (record) {
        driver.Then([&] {
            Click(VisibleButton(wizard, L"Finish"));
            return true;
        });
        driver.Then([&] {
            HWND box = FindMessageBox(wizard);
            if (box) {
                out.Box = Utf8(MessageBoxText(box));
                Answer(box, IDOK);
            }
            return box != nullptr;
        });
        driver.Then([&] {
            HWND close = VisibleButton(wizard, L"Close");
            if (close) Click(close);
            return close != nullptr;
        });
    } else {
        driver.Then([&] {
            Click(VisibleButton(wizard, L"Cancel"));
            return true;
        });
    }
    const int before = ThreadCount();
    out.Result =
        write(host.Handle(), files.Get(), 0, nullptr, "CYCLE", "Software\\ScrivoE2E\\Cycles", 0, 0, 0);
    out.ThreadsLeft = ThreadCount() - before;
    out.TimedOut = driver.TimedOut;
    return out;
}

std::string Figures(const std::vector<DWORD>& handles, const std::vector<int>& threads) {
    std::ostringstream s;
    s << "handles:";
    for (DWORD h : handles)
        s << ' ' << h;
    s << "; threads:";
    for (int t : threads)
        s << ' ' << t;
    return s.str();
}

// The host's next loader calls: the library again, and a system one.
DWORD WINAPI LoadAgain(LPVOID)
{
    HMODULE again = LoadLibraryW(L"Scrivo.dll");
    HMODULE other = LoadLibraryW(L"version.dll");
    if (other)
        FreeLibrary(other);
    if (again)
        FreeLibrary(again);
    return again && other ? 0 : 1;
}

class LoadCycles : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteKeyTree(kCycleKey);
        WriteRegString(kCycleKey, L"UseInternalASPI", L"false");
        WriteRegString(kCycleKey, L"CDRomDrive", kCycleDrive);
        const std::wstring folder = FreshWorkFolder(L"cycles");
        MakeFile(folder + L"cycle.txt", "written again and again\r\n");
        file_ = AnsiPath(folder + L"cycle.txt");
    }

    // kCycles rounds of load, call, free; every round's handle and thread count after
    // the free. The first rounds may still grow (the system's own first-use caches, the
    // recorder's, whose locks keep an event once two of its threads meet on one), the
    // second half must stay flat within that: a leak of one handle a round shows.
    void Run(bool record) {
        std::vector<DWORD> handles;
        std::vector<int> threads;
        for (int i = 0; i < kCycles; ++i) {
            HMODULE module = nullptr;
            CallOutcome c = CallOnce(file_, record, module);
            if (module) FreeLibrary(module);
            ASSERT_NE(module, nullptr) << "round " << i << ": LoadLibrary failed with " << c.LoadError;
            ASSERT_FALSE(c.TimedOut) << "round " << i << " " << c.Box;
            ASSERT_EQ(c.Result, record ? SCRIVO_RESULT_WRITTEN : SCRIVO_RESULT_NOT_WRITTEN) << "round " << i;
            // The first call may start the system's own helpers (they stay, and are counted
            // below); after it, a call leaves no thread behind.
            if (i > 0) {
                EXPECT_LE(c.ThreadsLeft, 0) << "round " << i << ": threads of the call still run after it returned";
            }
            handles.push_back(HandleCount());
            threads.push_back(ThreadCount());
        }
        RecordProperty("figures", Figures(handles, threads));
        std::printf("%s cycles: %s\n", record ? "recording" : "cancel", Figures(handles, threads).c_str());
        EXPECT_LE(handles.back(), handles[kCycles / 2] + 4) << Figures(handles, threads);
        EXPECT_LE(threads.back(), threads[1]) << Figures(handles, threads);
    }

    std::string file_;
};

TEST_F(LoadCycles, CancelTwentyTimes) {
    Run(false);
}

TEST_F(LoadCycles, RecordTwentyTimes) {
    Run(true);
}

// A host frees the library the moment the call returns and goes on loading libraries:
// nothing of ours may still run or hold the loader then.
TEST_F(LoadCycles, FreedRightAfterARecordingTheNextLoadGoesThrough) {
    HMODULE module = nullptr;
    CallOutcome c = CallOnce(file_, true, module);
    ASSERT_NE(module, nullptr) << c.LoadError;
    FreeLibrary(module);
    EXPECT_EQ(c.Result, SCRIVO_RESULT_WRITTEN);
    // The next loader calls, on a thread of their own, so that a lock still held shows
    // as a failure rather than a hang.
    HANDLE loader = CreateThread(nullptr, 0, LoadAgain, nullptr, 0, nullptr);
    ASSERT_NE(loader, nullptr);
    EXPECT_EQ(WaitForSingleObject(loader, 30000), WAIT_OBJECT_0) << "the loader is still held";
    DWORD code = 2;
    GetExitCodeThread(loader, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(loader);
}

} // namespace
} // namespace scrivo::e2e
