// The loader's choice between the pass-through layer and an ASPI library, and the
// binding to a library, with stand-in drives and stand-in libraries.
#include "FakeDrives.h"
#include "platform/Library.h"
#include "transport/bvASPI.h"
#include "transport/bvSPTI.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace scrivo {
namespace {

using test::FakeDrives;

// Paths as the loader of this platform takes them (Wine reaches Unix paths via Z:).
std::string StubPath(const char* built) {
#ifdef _WIN32
    return std::string("Z:") + built;
#else
    return built;
#endif
}

void SetAspiEnvironment(const std::string& value) {
#ifndef _WIN32
    if (value.empty())
        unsetenv(AspiLibraryEnvVar);
    else
        setenv(AspiLibraryEnvVar, value.c_str(), 1);
#else
    (void)value;
#endif
}

class TransportLoader : public ::testing::Test {
protected:
    void SetUp() override {
        SetAspiEnvironment("");
        Reset();
    }
    void TearDown() override {
        Reset();
        SetAspiEnvironment("");
    }
    // Back to no transport: nothing to find, then release whatever is loaded.
    void Reset() {
        FakeDrives none;
        ReloadTransport();
        UnloadTransport();
        CloseDriveTable();
        ASSERT_FALSE(ASPIInitialized);
    }
    static bool SystemHasAspiLibrary() {
        LibraryHandle h = LoadLibraryFile(AspiLibraryFileName);
        if (h)
            FreeLibraryFile(h);
        return h != 0;
    }
    static std::string ManagerOfAdapterZero() {
        SRB_HAInquiry r;
        std::memset(&r, 0, sizeof r);
        r.SRB_Cmd = SC_HA_INQUIRY;
        if (SendASPI32Command(&r) != SS_COMP)
            return "";
        return std::string(reinterpret_cast<char*>(r.HA_ManagerId),
                           strnlen(reinterpret_cast<char*>(r.HA_ManagerId), 16));
    }

    FakeDrives drives;
};

TEST_F(TransportLoader, PreferredPassThroughWithADriveIsChosen) {
    drives.Add('E');
    EXPECT_TRUE(LoadTransport(true, StubPath(STUB_ASPI_FULL)));
    EXPECT_TRUE(ASPIInitialized);
    EXPECT_EQ(TransportName, "HXASPI32");
    EXPECT_EQ(ManagerOfAdapterZero(), "HXASPI32");
    EXPECT_EQ(GetASPI32SupportInfo(), 0x0101u);
}

TEST_F(TransportLoader, PreferredPassThroughWithoutDrivesFallsToTheLibrary) {
    EXPECT_TRUE(LoadTransport(true, StubPath(STUB_ASPI_FULL)));
    EXPECT_EQ(TransportName, "WNASPI32.DLL");
    EXPECT_EQ(ManagerOfAdapterZero(), "STUB ASPI");
    EXPECT_EQ(GetASPI32SupportInfo(), 0x0103u);
}

TEST_F(TransportLoader, LibraryIsAskedForSupportInfoOnceOnLoad) {
    ASSERT_TRUE(LoadTransport(false, StubPath(STUB_ASPI_FULL)));
    // The same module again, to read its counter.
    LibraryHandle h = LoadLibraryFile(StubPath(STUB_ASPI_FULL));
    ASSERT_NE(h, 0u);
    auto calls = reinterpret_cast<int (*)()>(LibrarySymbol(h, "StubSupportInfoCalls"));
    ASSERT_NE(calls, nullptr);
    EXPECT_EQ(calls(), 1);
    FreeLibraryFile(h);
}

TEST_F(TransportLoader, MissingLibraryFallsBackToPassThrough) {
    if (SystemHasAspiLibrary())
        GTEST_SKIP() << "this system has an ASPI library of its own";
    drives.Add('D');
    EXPECT_TRUE(LoadTransport(false, StubPath("/nonexistent/WNASPI32.DLL")));
    EXPECT_EQ(TransportName, "HXASPI32");
}

TEST_F(TransportLoader, NothingAtAll) {
    if (SystemHasAspiLibrary())
        GTEST_SKIP() << "this system has an ASPI library of its own";
    EXPECT_FALSE(LoadTransport(false, ""));
    EXPECT_FALSE(ASPIInitialized);
    EXPECT_EQ(TransportName, "");
    EXPECT_EQ(GetASPI32SupportInfo(), uint32_t(SS_NO_ADAPTERS) << 8);
    SRB_Header r{};
    EXPECT_EQ(SendASPI32Command(&r), SS_ERR);
    EXPECT_EQ(r.SRB_Status, SS_ERR);
}

TEST_F(TransportLoader, LibraryWithoutAnEntryPointIsAnAssertionFailure) {
    drives.Add('D'); // no fallback in that call
    struct {
        const char* path;
        int line;
    } cases[] = {{STUB_ASPI_NO_INFO, 477}, {STUB_ASPI_NO_SEND, 478}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            LoadTransport(false, StubPath(c.path));
            ADD_FAILURE() << "no exception";
        } catch (const EAssertionFailed& e) {
            EXPECT_EQ(e.SourceName, "bvASPI");
            EXPECT_EQ(e.Line, c.line);
            EXPECT_EQ(std::string(e.what()),
                      "Assertion failure (bvASPI, line " + std::to_string(c.line) + ")");
        }
        EXPECT_FALSE(ASPIInitialized);
        EXPECT_EQ(TransportName, "");
    }
}

#ifndef _WIN32
TEST_F(TransportLoader, EnvironmentNamesTheLibraryAfterTheGivenPath) {
    SetAspiEnvironment(STUB_ASPI_FULL);
    EXPECT_TRUE(LoadTransport(false, "/nonexistent/libwnaspi32.so"));
    EXPECT_EQ(TransportName, "WNASPI32.DLL");
    EXPECT_EQ(ManagerOfAdapterZero(), "STUB ASPI");
}
#endif

TEST_F(TransportLoader, UnloadReleasesTheLibraryAndItsEntryPoints) {
    ASSERT_TRUE(LoadTransport(false, StubPath(STUB_ASPI_FULL)));
    EXPECT_TRUE(UnloadTransport());
    EXPECT_FALSE(ASPIInitialized);
    SRB_HAInquiry r{};
    EXPECT_EQ(SendASPI32Command(&r), SS_ERR);
    EXPECT_TRUE(UnloadTransport()); // nothing left to release
}

TEST_F(TransportLoader, UnloadLeavesThePassThroughLayerAlone) {
    drives.Add('D');
    ASSERT_TRUE(LoadTransport(true, ""));
    EXPECT_TRUE(UnloadTransport());
    EXPECT_TRUE(ASPIInitialized);
    EXPECT_EQ(TransportName, "HXASPI32");
}

TEST_F(TransportLoader, ReloadScansTheDrivesAgain) {
    drives.Add('D');
    ASSERT_TRUE(LoadTransport(true, ""));
    EXPECT_EQ(DriveLetterOf(0, 1, 0), NoDriveLetter);
    drives.Add('E').Target = 1;
    EXPECT_TRUE(ReloadTransport());
    EXPECT_TRUE(ASPIInitialized);
    EXPECT_EQ(TransportName, "HXASPI32");
    EXPECT_EQ(DriveLetterOf(0, 1, 0), 'E');
}

TEST_F(TransportLoader, ReloadKeepsThePreferenceButNotTheLibraryPath) {
    if (SystemHasAspiLibrary())
        GTEST_SKIP() << "this system has an ASPI library of its own";
    drives.Add('D');
    ASSERT_TRUE(LoadTransport(false, StubPath(STUB_ASPI_FULL)));
    ASSERT_EQ(TransportName, "WNASPI32.DLL");
    EXPECT_TRUE(ReloadTransport());
    EXPECT_EQ(TransportName, "HXASPI32");
}

} // namespace
} // namespace scrivo
