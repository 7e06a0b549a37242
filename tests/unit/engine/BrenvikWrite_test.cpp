// Recording runs of the burner component on a virtual recorder: the commands each disc kind
// gets, the data that reaches the disc, and every way a run can end.
#include "BrenvikRun.h"
#include "device/bvDrvLib_erase.h"
#include "scsi/Mmc.h"

namespace scrivo::test {
namespace {

using vrecorder::MediaKind;

using BrenvikWriteThreadTest = BrenvikRun;

// Function (byte 2 low bits) and track (byte 5) of each CLOSE TRACK/SESSION, with the
// immediate bit.
std::vector<std::string> Closes(VirtualDrive& vd) {
    std::vector<std::string> out;
    for (const SentCdb& c : vd.Sent(scsi::kCloseTrackSession))
        out.push_back(std::to_string(c.Cdb[2] & 7) + "/" + std::to_string(c.Cdb[5]) + ((c.Cdb[1] & 1) ? "i" : ""));
    return out;
}

TEST_F(BrenvikWriteThreadTest, CdrGoesOutIn27SectorWritesAndClosesTheSession) {
    Make(MediaKind::CdR);
    b->WritePostGap = false;
    AddFiles({100000, 3000, 0});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneCount, 1);
    EXPECT_EQ(doneError, "");
    EXPECT_TRUE(doneOnMain);
    EXPECT_EQ(finalizing, 1);

    const auto writes = vd.Sent(scsi::kWrite10);
    ASSERT_FALSE(writes.empty());
    int64_t total = 0;
    for (size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].Lba(), b->StartAddress + total);
        if (i + 1 < writes.size()) {
            EXPECT_EQ(writes[i].Blocks10(), 27u);
        }
        total += writes[i].Blocks10();
    }
    EXPECT_EQ(total, b->ImageSize());
    EXPECT_EQ(b->BytesWritten, b->ImageSize() * 2048);
    EXPECT_EQ(Closes(vd), std::vector<std::string>{"2/0i"});
    EXPECT_TRUE(HasMessage("1 >>> STARTING WRITE PROCESS ON CD-R AT "));
    EXPECT_EQ(b->DeviceBufferSize, 0u);
    ExpectFilesOnDisc();
    EXPECT_EQ(b->CacheFillPercent(), 0);
}

TEST_F(BrenvikWriteThreadTest, DvdPlusRWritesWhole32SectorBlocksAndClosesTrackThenSession) {
    Make(MediaKind::DvdPlusR);
    b->WritePostGap = false;
    AddFiles({70000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    for (const SentCdb& w : vd.Sent(scsi::kWrite10))
        EXPECT_EQ(w.Blocks10(), 32u);
    EXPECT_LE(b->BytesWritten, b->ImageSize() * 2048);
    EXPECT_EQ(b->BytesWritten, b->ImageSize() * 2048);
    EXPECT_EQ(Closes(vd), (std::vector<std::string>{"1/1", "2/255"}));
    ExpectFilesOnDisc();
}

TEST_F(BrenvikWriteThreadTest, DvdMinusRReservesTheImageRoundedUpTo32Sectors) {
    Make(MediaKind::DvdR);
    AddFiles({5000, 70003, 0, 1000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    const auto reserve = vd.Sent(scsi::kReserveTrack);
    ASSERT_EQ(reserve.size(), 1u);
    const uint32_t n = uint32_t(reserve[0].Cdb[5]) << 24 | uint32_t(reserve[0].Cdb[6]) << 16 |
                       uint32_t(reserve[0].Cdb[7]) << 8 | reserve[0].Cdb[8];
    EXPECT_EQ(n, 320u); // a short image is padded to 300 sectors by the post gap
    EXPECT_EQ(Closes(vd), (std::vector<std::string>{"1/1", "1/2", "2/3"}));
    ExpectFilesOnDisc();
}

TEST_F(BrenvikWriteThreadTest, DvdMinusRPostGapAfterAShortLastBlockStaysInsideTheReservedTrack) {
    Make(MediaKind::DvdR);
    AddFiles({40000}); // 170 sectors of data: 192 when rounded, then 130 sectors of padding
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    const auto writes = vd.Sent(scsi::kWrite10);
    EXPECT_EQ(writes.size(), 10u);
    EXPECT_EQ(writes.back().Lba() + writes.back().Blocks10(), 320u);
    EXPECT_EQ(b->BytesWritten, 300 * 2048);
    ExpectFilesOnDisc();
}

TEST_F(BrenvikWriteThreadTest, BlankDvdPlusRwIsFormattedAndTheDescriptorsGoToAddressZero) {
    Make(MediaKind::DvdPlusRw);
    AddFiles({40000, 2});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    const auto writes = vd.Sent(scsi::kWrite10);
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[0].Lba(), 0u);
    EXPECT_FALSE(vd.Sent(scsi::kFormatUnit).empty());
    EXPECT_EQ(Closes(vd), std::vector<std::string>{"3/255"});
    // The volume descriptors of the session are readable at 16 whatever the start address.
    const auto pvd = vd.ReadDisc(16, 1);
    EXPECT_EQ(std::string(pvd.begin() + 1, pvd.begin() + 6), "CD001");
    ExpectFilesOnDisc();
}

TEST_F(BrenvikWriteThreadTest, ShortRestrictedOverwriteSessionGoesOutInWholeEccUnits) {
    Make(MediaKind::DvdRwRestricted);
    b->WritePostGap = false;
    AddFiles({2000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    for (const SentCdb& w : vd.Sent(scsi::kWrite10))
        EXPECT_EQ(w.Blocks10() % 16, 0u) << "write at " << w.Lba();
    ExpectFilesOnDisc();
}

// The padding of a short session's descriptor copy keeps what the disc holds there: a read
// of it that the drive never answered is no ground for writing zeros over an earlier session.
TEST_F(BrenvikWriteThreadTest, ADriveSilentAtTheDescriptorPaddingLeavesTheEarlierSession) {
    Make(MediaKind::DvdRwRestricted);
    b->WritePostGap = false;
    AddFiles({2000});
    ASSERT_TRUE(Record());
    const auto head = vd.ReadDisc(0, 32);
    b->ClearFiles(100, 10);
    doneCount = 0;
    std::atomic<bool> writing{false};
    vd.LoseIf = [&](const SentCdb& c) {
        writing = writing || c.Op() == scsi::kWrite10;
        return writing && c.Op() == scsi::kRead10;
    };
    AddFiles({2000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "WRITER ERROR [THE DRIVE DID NOT ANSWER]");
    EXPECT_EQ(vd.ReadDisc(0, 32), head);
}

TEST_F(BrenvikWriteThreadTest, DvdPlusRwIsFormattedToItsOwnCapacity) {
    Make(MediaKind::DvdPlusRw, "", 1000000);
    AddFiles({70000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    ExpectFilesOnDisc();
}

// The volume space size in the descriptors at 16, which is what a reader of the disc sees.
uint32_t VisibleVolumeSize(VirtualDrive& vd) {
    const auto pvd = vd.ReadDisc(16, 1);
    return uint32_t(pvd[80]) | uint32_t(pvd[81]) << 8 | uint32_t(pvd[82]) << 16 | uint32_t(pvd[83]) << 24;
}

TEST_F(BrenvikWriteThreadTest, ASecondDvdPlusRwSessionGetsItsDescriptorCopyLastAfterAFlush) {
    Make(MediaKind::DvdPlusRw);
    AddFiles({40000});
    ASSERT_TRUE(Record());
    ASSERT_EQ(doneError, "");
    b->ClearFiles(100, 10);
    sources.clear();
    doneCount = 0;
    const size_t before = vd.Sent().size();
    AddFiles({70000, 3});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    ASSERT_GT(b->StartAddress, 0u);
    const auto all = vd.Sent();
    std::vector<SentCdb> writes;
    size_t copyAt = 0;
    for (size_t i = before; i < all.size(); ++i)
        if (all[i].Op() == scsi::kWrite10) {
            writes.push_back(all[i]);
            copyAt = i;
        }
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[0].Lba(), b->StartAddress);
    EXPECT_EQ(writes.back().Lba(), 0u);
    EXPECT_EQ(writes.back().Blocks10(), 32u);
    EXPECT_EQ(all[copyAt - 1].Op(), scsi::kSynchronizeCache); // the data is on the disc before the copy
    EXPECT_EQ(all[copyAt + 1].Op(), scsi::kSynchronizeCache);
    EXPECT_GT(VisibleVolumeSize(vd), b->StartAddress);
    ExpectFilesOnDisc();
}

// A command the drive never answers while the run is set up tells nothing of the disc: a lost
// READ of the descriptors would start the new session at address 0, over the earlier one.
TEST_F(BrenvikWriteThreadTest, ADriveSilentWhileTheRunIsSetUpRecordsNothing) {
    Make(MediaKind::DvdPlusRw);
    AddFiles({40000});
    ASSERT_TRUE(Record());
    const uint32_t visible = VisibleVolumeSize(vd);
    for (const uint8_t lost : {scsi::kRead10, scsi::kReadBufferCapacity}) {
        doneCount = 0;
        std::atomic<bool> once{false};
        vd.LoseIf = [&](const SentCdb& c) {
            return c.Op() == lost && (lost == scsi::kRead10 || !once.exchange(true));
        };
        const size_t before = vd.Sent(scsi::kWrite10).size();
        EXPECT_EQ(Record(), lost == scsi::kReadBufferCapacity); // the write thread's own set-up
        EXPECT_EQ(doneCount, 1);
        EXPECT_EQ(doneError, "WRITER ERROR [THE DRIVE DID NOT ANSWER]");
        EXPECT_EQ(vd.Sent(scsi::kWrite10).size(), before);
        EXPECT_EQ(VisibleVolumeSize(vd), visible);
        vd.LoseIf = nullptr;
    }
}

// A later session that ends early on an overwritable disc leaves the earlier one in view.
class BrenvikOverwritableFailureTest : public BrenvikRun,
                                       public ::testing::WithParamInterface<std::tuple<MediaKind, std::string>> {};

TEST_P(BrenvikOverwritableFailureTest, KeepsTheEarlierSessionInView) {
    const auto& [kind, fault] = GetParam();
    Make(kind);
    if (kind == MediaKind::DvdRam) {
        ASSERT_TRUE(b->FormatUnit(0x11, DVDRAMFullFormatList, 12));
        b->WaitUntilReady(60000, 1000);
    }
    CurrentDiscKind = b->DetectDiscKind();
    AddFiles({40000});
    ASSERT_TRUE(Record());
    ASSERT_EQ(doneError, "");
    const uint32_t firstSize = VisibleVolumeSize(vd);
    const auto firstDescriptors = vd.ReadDisc(0, 32);
    // Where the next session goes: after the volume, or at the track's next writable address.
    uint32_t next = firstSize;
    if (kind == MediaKind::DvdRwRestricted && b->ReadTrackInformation(1))
        next = std::max(next, b->NextWritableAddress());

    b->ClearFiles(100, 10);
    sources.clear();
    doneCount = 0;
    int writes = 0;
    if (fault == "abort")
        vd.OnCommand = [&](const SentCdb& c) {
            if (c.Op() == scsi::kWrite10 && ++writes == 3)
                b->AbortWrite();
        };
    else
        vd.Reload(fault == "header" ? "write_error_at=" + std::to_string(next + 17) : fault);
    vd.Attach(*b);
    AddFiles({300000});
    ASSERT_TRUE(Record());
    EXPECT_NE(doneError, "");
    EXPECT_EQ(vd.ReadDisc(0, 32), firstDescriptors);
    EXPECT_EQ(VisibleVolumeSize(vd), firstSize);
}

INSTANTIATE_TEST_SUITE_P(KindsAndFaults, BrenvikOverwritableFailureTest,
                         ::testing::Combine(::testing::Values(MediaKind::DvdPlusRw, MediaKind::DvdRwRestricted,
                                                              MediaKind::DvdRam),
                                            ::testing::Values("header", "abort", "sync_error")));

// Failures after the last block: the run reports them like a failed write.
class BrenvikCloseFailureTest : public BrenvikRun,
                                public ::testing::WithParamInterface<std::tuple<MediaKind, std::string>> {};

TEST_P(BrenvikCloseFailureTest, EndsTheRunWithAWriterError) {
    const auto& [kind, fault] = GetParam();
    Make(kind, fault);
    CurrentDiscKind = b->DetectDiscKind();
    AddFiles({9000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneCount, 1);
    EXPECT_EQ(doneError.rfind("WRITER ERROR [", 0), 0u) << doneError;
}

INSTANTIATE_TEST_SUITE_P(KindsAndFaults, BrenvikCloseFailureTest,
                         ::testing::Combine(::testing::Values(MediaKind::CdR, MediaKind::DvdPlusR, MediaKind::DvdR,
                                                              MediaKind::DvdRwRestricted, MediaKind::DvdPlusRw),
                                            ::testing::Values("close_error", "sync_error")));

TEST_F(BrenvikWriteThreadTest, RefusedWriteParametersFailTheRunBeforeAnyWrite) {
    Make(MediaKind::CdR, "refuse_write_types=packet,tao,sao,raw");
    AddFiles({1000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError.rfind("WRITER ERROR [", 0), 0u) << doneError;
    EXPECT_TRUE(vd.Sent(scsi::kWrite10).empty());
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
}

TEST_F(BrenvikWriteThreadTest, DvdRamIsNeitherCalibratedNorClosed) {
    Make(MediaKind::DvdRam);
    // A new DVD-RAM is formatted before use (the erase does that); the run itself never formats it.
    ASSERT_TRUE(b->FormatUnit(0x11, DVDRAMFullFormatList, 12));
    b->WaitUntilReady(60000, 1000);
    b->PerformOPC = true;
    AddFiles({9000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
    EXPECT_TRUE(vd.Sent(scsi::kSendOpcInformation).empty());
    // No READ BUFFER CAPACITY once the last block is out.
    const auto all = vd.Sent();
    size_t lastWrite = 0;
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].Op() == scsi::kWrite10)
            lastWrite = i;
    for (size_t i = lastWrite; i < all.size(); ++i)
        EXPECT_NE(all[i].Op(), scsi::kReadBufferCapacity);
    ExpectFilesOnDisc();
}

TEST_F(BrenvikWriteThreadTest, TestWriteClosesNothingAndSaysSo) {
    Make(MediaKind::CdR);
    b->TestWrite = true;
    b->PerformOPC = true;
    AddFiles({1000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
    EXPECT_TRUE(vd.Sent(scsi::kSendOpcInformation).empty());
    EXPECT_TRUE(HasMessage("1 >>> TEST/DUMMY WRITE"));
}

TEST_F(BrenvikWriteThreadTest, WithoutFinalizeTrackTheDriveIsStillReturnedToNeutral) {
    Make(MediaKind::CdR);
    b->FinalizeTrack = false;
    AddFiles({1000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
    EXPECT_FALSE(vd.Sent(scsi::kRezeroUnit).empty()); // REZERO UNIT of the neutral state
}

TEST_F(BrenvikWriteThreadTest, ABusyDriveIsWaitedFor) {
    Make(MediaKind::CdR, "busy=5");
    AddFiles({20000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    size_t failed = 0;
    for (const SentCdb& w : vd.Sent(scsi::kWrite10))
        failed += w.Failed;
    EXPECT_EQ(failed, 5u);
    ExpectFilesOnDisc();
}

TEST_F(BrenvikWriteThreadTest, TenThousandBusyAnswersEndTheRun) {
    Make(MediaKind::DvdPlusR, "busy=20000");
    AddFiles({1000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneCount, 1);
    EXPECT_EQ(doneError, "WRITER BUSY/BUFFER FULL");
    EXPECT_EQ(vd.Sent(scsi::kWrite10).size(), 10000u);
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
}

TEST_F(BrenvikWriteThreadTest, AMediumErrorEndsTheRunWithTheSenseText) {
    Make(MediaKind::CdR, "write_error_at=40");
    AddFiles({200000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneCount, 1);
    EXPECT_EQ(doneError.rfind("WRITER ERROR [", 0), 0u) << doneError;
    EXPECT_NE(doneError.find("MEDIUM ERROR"), std::string::npos) << doneError;
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
    EXPECT_EQ(finalizing, 1);
}

TEST_F(BrenvikWriteThreadTest, ALostCompletionFailsTheRunInsteadOfRetryingForHours) {
    Make(MediaKind::CdR);
    vd.LoseWrite = 2;
    AddFiles({200000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneCount, 1);
    EXPECT_EQ(doneError, "WRITER ERROR [THE DRIVE DID NOT ANSWER]");
    EXPECT_EQ(vd.Sent(scsi::kWrite10).size(), 2u);
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
}

TEST_F(BrenvikWriteThreadTest, AbortBetweenBlocksFlushesButNeverCloses) {
    Make(MediaKind::CdR);
    AddFiles({300000});
    int writes = 0;
    vd.OnCommand = [&](const SentCdb& c) {
        if (c.Op() == scsi::kWrite10 && ++writes == 3)
            b->AbortWrite();
    };
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneCount, 1);
    EXPECT_EQ(doneError, "OPERATION ABORTED BY USER");
    EXPECT_EQ(vd.Sent(scsi::kWrite10).size(), 3u);
    EXPECT_FALSE(vd.Sent(scsi::kSynchronizeCache).empty());
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
    EXPECT_FALSE(WriteRun().WritingFlag);
}

TEST_F(BrenvikWriteThreadTest, ASourceThatCannotBeOpenedFailsTheStartOnTheCallersThread) {
    Make(MediaKind::CdR);
    AddFiles({1000, 2000});
    const std::string gone = src.File("f1.bin");
    std::filesystem::remove(gone);
    EXPECT_FALSE(Record());
    EXPECT_EQ(doneCount, 1);
    EXPECT_TRUE(doneOnMain);
    EXPECT_NE(doneError.find(gone), std::string::npos) << doneError;
    EXPECT_TRUE(vd.Sent(scsi::kWrite10).empty());
}

TEST_F(BrenvikWriteThreadTest, ASourceThatVanishesDuringTheRunGoesOutAsZerosAndIsNamed) {
    Make(MediaKind::CdR);
    b->SetCacheSize(MinCacheSize);
    AddFiles({3000000, 5000});
    const std::string gone = src.File("f1.bin");
    vd.OnCommand = [&](const SentCdb& c) {
        if (c.Op() == scsi::kWrite10)
            std::filesystem::remove(gone);
    };
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    EXPECT_EQ(b->UnreadableFiles(), std::vector<std::string>{gone});
    EXPECT_TRUE(b->ChangedFiles().empty());
    sources[gone].assign(5000, 0);
    ExpectFilesOnDisc();
}

TEST_F(BrenvikWriteThreadTest, ACleanRunVerifiesEverySectorItWrote) {
    Make(MediaKind::DvdPlusR);
    b->VerifyWrite = true;
    AddFiles({40000, 300000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    EXPECT_FALSE(b->Verifying);
    EXPECT_EQ(b->BytesVerified, int64_t(vd.Sent(scsi::kWrite10).size()) * 32 * 2048);
    EXPECT_TRUE(b->MismatchedFiles.empty());
    EXPECT_TRUE(HasMessage("1 >>> VERIFICATION PASSED"));
}

TEST_F(BrenvikWriteThreadTest, VerificationNamesTheFileOfACorruptedBlockAndFailsTheRun) {
    Make(MediaKind::CdR);
    b->VerifyWrite = true;
    AddFiles({40000, 300000});
    ASSERT_TRUE(b->PrepareImage(true, nullptr));
    for (const TFEntry* f : FileTables().Files)
        if (f && f->SourcePath() == src.File("f1.bin"))
            vd.Reload("corrupt_write_at=" + std::to_string(b->FirstFileLocation + f->IsoLocation + 40));
    vd.Attach(*b);
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError.rfind("VERIFY ERROR [1 SECTORS", 0), 0u) << doneError;
    EXPECT_EQ(b->MismatchedFiles, std::vector<std::string>{src.File("f1.bin")});
}

TEST_F(BrenvikWriteThreadTest, NoDriveSelectedIsAFailureNotASilentSuccess) {
    Make(MediaKind::CdR);
    b->HaId = 254;
    AddFiles({1000});
    EXPECT_FALSE(Record());
    EXPECT_EQ(doneCount, 1);
    EXPECT_NE(doneError, "");
}

TEST_F(BrenvikWriteThreadTest, ASecondSessionStartsAtTheNextWritableAddress) {
    Make(MediaKind::CdR);
    AddFiles({5000});
    ASSERT_TRUE(Record());
    ASSERT_EQ(doneError, "");
    const uint32_t firstEnd = uint32_t(b->StartAddress + b->ImageSize());
    b->ClearFiles(100, 10);
    sources.clear();
    doneCount = 0;
    AddFiles({7000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    EXPECT_GT(b->StartAddress, firstEnd);
    const auto pvd = vd.ReadDisc(b->StartAddress + 16, 1);
    EXPECT_EQ(std::string(pvd.begin() + 1, pvd.begin() + 6), "CD001");
    ExpectFilesOnDisc();
}

} // namespace
} // namespace scrivo::test

namespace scrivo::test {
namespace {

using vrecorder::MediaKind;

class BrenvikDvdRwThreadTest : public BrenvikRun, public ::testing::WithParamInterface<MediaKind> {};

TEST_P(BrenvikDvdRwThreadTest, IsFormattedWhereNeededAndClosedWithOneImmediateSessionClose) {
    Make(GetParam());
    // The host's checks before a run leave the kind of the disc in the drive layer.
    CurrentDiscKind = b->DetectDiscKind();
    AddFiles({30000, 4096});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    // A sequential disc is formatted; one formatted all over already has its room.
    const auto formats = vd.Sent(scsi::kFormatUnit);
    ASSERT_EQ(formats.size(), GetParam() == MediaKind::DvdRwSequential ? 1u : 0u);
    for (const SentCdb& f : formats)
        EXPECT_EQ(f.Cdb[1], 0x11);
    const auto writes = vd.Sent(scsi::kWrite10);
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[0].Lba(), 0u);
    for (const SentCdb& w : writes)
        EXPECT_EQ(w.Blocks10(), 32u);
    std::vector<std::string> closes;
    for (const SentCdb& c : vd.Sent(scsi::kCloseTrackSession))
        closes.push_back(std::to_string(c.Cdb[2] & 7) + "/" + std::to_string(c.Cdb[5]) + ((c.Cdb[1] & 1) ? "i" : ""));
    EXPECT_EQ(closes, std::vector<std::string>{"2/0i"});
    ExpectFilesOnDisc();
}

INSTANTIATE_TEST_SUITE_P(BothModes, BrenvikDvdRwThreadTest,
                         ::testing::Values(MediaKind::DvdRwSequential, MediaKind::DvdRwRestricted));

} // namespace
} // namespace scrivo::test

namespace scrivo::test {
namespace {

using vrecorder::MediaKind;

// A recording cut off after a few blocks (a killed process): the track stays open.
class BrenvikInterruptedDiscTest : public BrenvikRun, public ::testing::WithParamInterface<MediaKind> {};

TEST_P(BrenvikInterruptedDiscTest, ItsUnfinishedTrackIsFoundWhereTheNextSessionWouldGo) {
    Make(GetParam());
    AddFiles({5000});
    ASSERT_TRUE(Record());
    ASSERT_EQ(doneError, "");
    uint32_t at = 1;
    EXPECT_FALSE(b->HasUnfinishedTrack(at));
    EXPECT_EQ(at, 0u);

    const uint8_t kind = b->DetectDiscKind();
    ASSERT_TRUE(b->SetWriteParameters(false, false, kind));
    ASSERT_TRUE(b->ReadTrackInformation(b->LastTrackInLastSession()));
    const uint32_t sessionStart = b->NextWritableAddress();
    if (kind == dkDVDR) {
        ASSERT_TRUE(b->ReserveTrack(640));
    }
    ASSERT_TRUE(b->ReadTrackInformation(b->LastTrackInLastSession()));
    const uint32_t start = b->NextWritableAddress();
    std::vector<uint8_t> block(65536, 0x33);
    // No SYNCHRONIZE CACHE: on a track-at-once CD it would close the track.
    ASSERT_TRUE(b->WriteBlocks(start, 32, FlagsDataOut, uint32_t(block.size()), block.data()));

    EXPECT_TRUE(b->HasUnfinishedTrack(at));
    EXPECT_EQ(at, sessionStart); // on DVD-R the reserved track before the one written
    EXPECT_NE(UnfinishedDiscText(kind, false, at).find("unfinished session"), std::string::npos);
}

TEST_P(BrenvikInterruptedDiscTest, AnOpenSessionIsUnfinishedWhenItsTrackWasEndedOrOnlyReserved) {
    Make(GetParam());
    AddFiles({5000});
    ASSERT_TRUE(Record());
    const uint8_t kind = b->DetectDiscKind();
    ASSERT_TRUE(b->SetWriteParameters(false, false, kind));
    ASSERT_TRUE(b->ReadTrackInformation(b->LastTrackInLastSession()));
    const uint32_t start = b->NextWritableAddress();
    if (kind == dkDVDR) {
        ASSERT_TRUE(b->ReserveTrack(640)); // and nothing written into it
    } else {
        std::vector<uint8_t> block(65536, 0x33);
        ASSERT_TRUE(b->WriteBlocks(start, 32, FlagsDataOut, uint32_t(block.size()), block.data()));
        ASSERT_TRUE(b->SynchronizeCache(10000, false)); // ends a track-at-once CD track
    }
    uint32_t at = 0;
    EXPECT_TRUE(b->HasUnfinishedTrack(at));
    EXPECT_EQ(at, start);
}

INSTANTIATE_TEST_SUITE_P(SequentialKinds, BrenvikInterruptedDiscTest,
                         ::testing::Values(MediaKind::CdR, MediaKind::CdRw, MediaKind::DvdPlusR, MediaKind::DvdR));

} // namespace
} // namespace scrivo::test
