// The Windows side of services whose POSIX side has its own tests: libraries loaded at
// run time under the error mode, and the mail layer when Simple MAPI is missing (the
// ctest entry switches Wine's MAPI32.DLL off).
#ifdef _WIN32
#include "platform/Library.h"
#include "platform/Mail.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace scrivo {
namespace {

TEST(Win32Library, ErrorModeFailsCriticalErrorsUntilRestored)
{
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    uint32_t previous = SetFailCriticalErrorMode();
    EXPECT_EQ(previous, static_cast<uint32_t>(SEM_NOGPFAULTERRORBOX));
    EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_FAILCRITICALERRORS));
    RestoreErrorMode(previous);
    EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_NOGPFAULTERRORBOX));
    SetErrorMode(0);
}

TEST(Win32Library, LoadsBySearchOrderAndFindsExports)
{
    LibraryHandle kernel = LoadLibraryFile("kernel32.dll");
    ASSERT_NE(kernel, 0u);
    EXPECT_NE(LibrarySymbol(kernel, "GetTickCount"), nullptr);
    EXPECT_EQ(LibrarySymbol(kernel, "NoSuchExport"), nullptr);
    EXPECT_TRUE(FreeLibraryFile(kernel));
    EXPECT_EQ(LoadLibraryFile(""), 0u);
    EXPECT_EQ(LoadLibraryFile("Z:\\no\\such\\folder\\WNASPI32.DLL"), 0u);
    EXPECT_EQ(LibrarySymbol(0, "GetTickCount"), nullptr);
    EXPECT_FALSE(FreeLibraryFile(0));
}

TEST(Win32Mail, WithoutSimpleMapiTheSendFails)
{
    if (HMODULE mapi = LoadLibraryW(L"MAPI32.DLL")) {
        FreeLibrary(mapi);
        GTEST_SKIP() << "Simple MAPI is installed; a send would open the mail client";
    }
    TMailMessage m{"Ombrel Support", "support@example.com", "CD Writing Support", "", ""};
    EXPECT_THROW(SendMailWithDialog(m), EMailError);
}

} // namespace
} // namespace scrivo
#endif
