#include "FakeDrive.h"

#include <atomic>
#include <regex>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace scrivo::test {

using ExecTest = DeviceTest;

TEST_F(ExecTest, RefusesWithoutTransportOrDrive)
{
    auto srb = NewRequestForTest();
    EXPECT_EQ(dev->ExecuteCommand(srb, 5000), ExecRefused); // no drive selected
    Address();
    ASPIInitialized = false;
    EXPECT_EQ(dev->ExecuteCommand(srb, 5000), ExecRefused);
    EXPECT_EQ(srb.SRB_Status, SS_PENDING);
    EXPECT_TRUE(drive.Sent.empty());
}

TEST_F(ExecTest, AddressesTheSelectedDrive)
{
    dev->HaId = 1;
    dev->Target = 3;
    dev->Lun = 5;
    drive.Reply(0x00, {});
    auto srb = NewRequestForTest();
    srb.CDBByte[1] = 0xFF;
    srb.SRB_Flags = 0x40;
    EXPECT_EQ(dev->ExecuteCommand(srb, 5000), 1);
    const auto& s = Last();
    EXPECT_EQ(s.SRB_Cmd, SC_EXEC_SCSI_CMD);
    EXPECT_EQ(s.SRB_HaId, 1);
    EXPECT_EQ(s.SRB_Target, 3);
    EXPECT_EQ(s.SRB_Lun, 5);
    EXPECT_EQ(s.SRB_SenseLen, 24);
    EXPECT_EQ(s.CDBByte[1], 0xBF); // LUN in bits 7-5, the rest kept
    // Packed fields are copied out: a reference to one may be misaligned.
    EXPECT_NE(static_cast<void*>(s.SRB_PostProc), nullptr);
    srb = NewRequestForTest(); // without the event bit nothing is waited on
    srb.SRB_Flags = 0x08;
    dev->ExecuteCommand(srb, 5000);
    EXPECT_EQ(static_cast<void*>(Last().SRB_PostProc), nullptr);
}

TEST_F(ExecTest, TimeoutGivesStatus4HostStatus9AndNoText)
{
    Address();
    drive.AnswerPending = true;
    drive.Handlers[0x00] = [](SRB_ExecSCSICmd&) {}; // the completion never comes
    EXPECT_FALSE(dev->TestUnitReady(5000));
    EXPECT_EQ(drive.Sent.back().WaitMs, 10000u); // waits at least 10 s
    auto srb = NewRequestForTest();
    srb.SRB_Flags = 0x40;
    dev->ExecuteCommand(srb, 5000);
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, 0x09);
    EXPECT_EQ(dev->LastErrorText, "");
    dev->SynchronizeCache(300000, false);
    EXPECT_EQ(drive.Sent.back().WaitMs, 300000u);
    EXPECT_EQ(drive.Aborts, 2); // each request the drive kept was asked back
}

// A request that outlives its wait is aborted; once the transport gives it back the
// executor is done with it, and a transport that never does keeps memory that stays valid.
TEST_F(ExecTest, TimedOutRequestIsAbortedAndNeverFreedUnderTheTransport)
{
    Address();
    dev->WaitForCompletion = [](TSrbEvent& ev, uint32_t) { ev.WaitFor(0); };
    for (const bool givesBack : {true, false}) {
        SRB_ExecSCSICmd* kept = nullptr;
        TransportEntry = [&](void* p) -> uint32_t {
            auto* header = static_cast<SRB_Header*>(p);
            if (header->SRB_Cmd != SC_ABORT_SRB) {
                kept = static_cast<SRB_ExecSCSICmd*>(p);
                return SS_PENDING;
            }
            EXPECT_EQ(static_cast<SRB_Abort*>(p)->SRB_ToAbort, kept);
            if (givesBack)
                kept->SRB_Status = SS_ABORTED;
            return header->SRB_Status = SS_COMP;
        };
        EXPECT_FALSE(dev->TestUnitReady(5000));
        ASSERT_NE(kept, nullptr);
        // The late completion a wedged transport may still deliver (ASan: no use after free).
        if (!givesBack)
            kept->SRB_Status = SS_COMP;
    }
    EXPECT_EQ(dev->UnansweredCommands(), 2u);
}

// A transport publishes the status before it signals (as ASPI libraries do): the command
// must still wait for the signal, or its event would be gone when the signal comes.
TEST_F(ExecTest, PendingRequestCompletedByTheTransportLater)
{
    Address();
    dev->WaitForCompletion = [](TSrbEvent& ev, uint32_t ms) { ev.WaitFor(ms); };
    for (const bool statusFirst : {false, true}) {
        std::thread worker;
        std::atomic<bool> signalled{false};
        TransportEntry = [&](void* p) -> uint32_t {
            auto* srb = static_cast<SRB_ExecSCSICmd*>(p);
            if (statusFirst)
                std::atomic_ref<uint8_t>(srb->SRB_Status).store(SS_COMP, std::memory_order_release);
            worker = std::thread([srb, &signalled] {
                std::atomic_ref<uint8_t>(srb->SRB_Status).store(SS_COMP, std::memory_order_release);
                signalled = true;
#ifdef _WIN32
                SetEvent(srb->SRB_PostProc);
#else
                auto* ev = static_cast<SRB_CompletionEvent*>(srb->SRB_PostProc);
                ev->Signal(ev);
#endif
            });
            return SS_PENDING;
        };
        EXPECT_TRUE(dev->TestUnitReady(5000));
        EXPECT_TRUE(signalled) << "returned before the completion signal (status first: " << statusFirst << ")";
        worker.join();
    }
}

// A stop request (Ctrl-C) ends the wait for a command the drive keeps: the command is taken
// back and ends as the user's abort, not as a drive that did not answer; whether the
// transport gives it back or not.
TEST_F(ExecTest, StopRequestEndsTheWaitForACommandAsAborted) {
    Address();
    dev->WaitForCompletion = nullptr; // the real wait, in slices
    for (const bool givesBack : {true, false}) {
        std::atomic<bool> stop{false};
        dev->StopWaiting = [&] { return stop.load(); };
        TransportEntry = [&](void* p) -> uint32_t {
            auto* header = static_cast<SRB_Header*>(p);
            if (header->SRB_Cmd == SC_ABORT_SRB) {
                if (givesBack)
                    static_cast<SRB_ExecSCSICmd*>(static_cast<SRB_Abort*>(p)->SRB_ToAbort)->SRB_Status =
                        SS_ABORTED;
                return header->SRB_Status = SS_COMP;
            }
            stop = true; // pressed while the command is under way
            return SS_PENDING;
        };
        const uint32_t started = TickCount();
        EXPECT_FALSE(dev->WriteBlocks(0, 1, FlagsDataOut, 2048, TransferBuffer));
        EXPECT_LT(TickCount() - started, 1000u) << "gives back: " << givesBack;
        EXPECT_EQ(dev->LastErrorText, "OPERATION ABORTED BY USER");
        EXPECT_EQ(dev->UnansweredCommands(), 0u);
    }
}

TEST_F(ExecTest, UnalignedBufferIsReportedAndStillSent) {
    Address();
    drive.Reply(0x28, {});
    alignas(4) uint8_t buffer[16];
    EXPECT_TRUE(dev->ReadBlocks(0, 1, 8, buffer + 1));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, "aaaa" + std::to_string(reinterpret_cast<uintptr_t>(buffer + 1)));
    EXPECT_EQ(messages[0].second, 0);
}

class TraceTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        Address(1, 10, 0);
        dev->FailureTraceDone = false;
    }
};

TEST_F(TraceTest, FailureLineByteForByteWith257DataBytes)
{
    drive.On(0x28, [](SRB_ExecSCSICmd& srb) {
        for (uint32_t i = 0; i < srb.SRB_BufLen; ++i)
            srb.SRB_BufPointer[i] = uint8_t(i);
        FakeDrive::CheckCondition(srb, 3, 0x11, 0x00);
    });
    alignas(4) uint8_t buffer[2048];
    EXPECT_FALSE(dev->ReadBlocks(0x12345678, 1, sizeof buffer, buffer));
    ASSERT_EQ(messages.size(), 1u);
    std::string data;
    char hex[4];
    for (int i = 0; i < 257; ++i) {
        std::snprintf(hex, sizeof hex, "%02X ", i & 0xFF);
        data += hex;
    }
    EXPECT_EQ(messages[0].first,
              "<<< READ (10)              (28) {48|0A} - 1:A:0 <04> [00800] 00 12 34 56 78 00 00 01 00 00 00 00 "
              "00 00 00  |" + data + "= 00 02 70 03 ASC:11,ASQ:00 MEDIUM ERROR (UNRECOVERED READ ERROR)");
    EXPECT_EQ(messages[0].second, 0);
    EXPECT_TRUE(dev->FailureTraceDone);
    dev->ReadBlocks(0, 1, sizeof buffer, buffer); // one shot only
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(TraceTest, OneByteBufferAndUnnamedCode)
{
    drive.Fail(0xC0, 5, 0x20, 0x00);
    alignas(4) uint8_t byte = 0x7E;
    auto srb = NewRequestForTest();
    srb.CDBByte[0] = 0xC0;
    srb.SRB_CDBLen = 6;
    srb.SRB_Flags = 0x48;
    srb.SRB_BufPointer = &byte;
    srb.SRB_BufLen = 1;
    dev->ExecuteCommand(srb, 0);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().first,
              "<<< C0 (C0) {48|06} - 1:A:0 <04> [00001] 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00  |7E = 00 02 70 05 "
              "ASC:20,ASQ:00 ILLEGAL REQUEST (INVALID COMMAND OPERATION CODE)");
}

TEST_F(TraceTest, QuietFailuresAndSuccessStillUseUpTheOneShot)
{
    drive.Fail(0x5A, 5, 0x24, 0x00);
    uint8_t page[128];
    EXPECT_FALSE(dev->ModeSense(0x2A, false, page, sizeof page));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(dev->FailureTraceDone);

    dev->FailureTraceDone = false;
    drive.Reply(0x5C, {});
    uint32_t a, b;
    dev->ReadBufferCapacity(a, b);
    drive.Fail(0x54, 5, 0x24, 0x00);
    dev->SendOPC(); // failed, but after the first command
    EXPECT_TRUE(messages.empty());

    dev->FailureTraceDone = false;
    drive.Fail(0x2A, 2, 0x04, 0x08); // long write in progress is expected
    dev->WriteBlocks(0, 0, 0x50, 0, nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(dev->FailureTraceDone);
}

TEST_F(TraceTest, FullTraceHasTheTimeAndCoversEverything)
{
    CommandTrace = true;
    drive.Reply(0x00, {});
    dev->TestUnitReady(5000);
    dev->TestUnitReady(5000);
    CommandTrace = false;
    ASSERT_EQ(messages.size(), 2u);
    const std::regex line(R"(<<< \d\d:\d\d:\d\d\d TEST UNIT READY        \(00\) \{40\|06\} - 1:A:0 <01> \[00000\] )"
                          R"((00 ){15} \|= 00 00 00 00 ASC:00,ASQ:00 )");
    EXPECT_TRUE(std::regex_match(messages[0].first, line)) << messages[0].first;
}

} // namespace scrivo::test
