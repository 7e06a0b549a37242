#include "engine/bvCDBC_write.h"
#include "engine/bvCDBC.h"
#include "engine/SectorChecksum.h"
#include "engine/bvCDBC_run.h"
#include "device/bvDrvLib_erase.h"
#include "platform/DateTime.h"
#include "platform/Text.h"
#include "scsi/Mmc.h"
#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {

constexpr const char* BusyText = "WRITER BUSY/BUFFER FULL";
constexpr const char* WriterErrorPrefix = "WRITER ERROR";
constexpr int BusyRetries = 10000;
constexpr uint32_t BusyPauseMs = 600;
constexpr int CloseRetries = 1000;
constexpr uint8_t WriteFlags = FlagsDataOut;
constexpr uint32_t EccBlocks = 16; // a DVD's unit of recording

// SET STREAMING performance descriptor for DVD-R: the whole disc, 43,965 KB/s read and
// 1,418 KB/s write per second.
constexpr uint8_t StreamingDescriptor[28] = {0x00, 0, 0, 0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x23, 0x12, 0x7F,
                                             0x00, 0x00, 0xAB, 0xBD, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x05, 0x8A,
                                             0x00, 0x00, 0x03, 0xE8};

bool IsDVDKind(uint8_t kind) { return kind >= dkDVDR && kind <= dkDVDPlusR; }

} // namespace

TThWrite::TThWrite() : TThread(true), run_(WriteRun()), c_(*run_.Component), cache_(*run_.Cache()) {}

// A failure without sense data (no answer, an adapter error, a timeout) is a drive that does
// not answer, not one that asks to wait: retrying it would hold the run for hours.
bool TThWrite::Busy() const { return c_.AsksToWait(); }

std::string TThWrite::WriterErrorText() const {
    return std::string(WriterErrorPrefix) + " [" + c_.FailureText() + "]";
}

void TThWrite::EndWithError(const std::string& text) {
    cache_.AbortRequested = true;
    c_.Lock();
    cache_.SetErrorText(text);
    c_.Unlock();
}

bool TThWrite::Prepare() {
    run_.RunAbortFlag = false;
    run_.WritingFlag = true;
    c_.BytesWritten = 0;
    c_.Lock();
    cache_.SetErrorText("");
    c_.Unlock();
    retries_ = 0;
    formatTried_ = false;
    verify_ = c_.VerifyWrite && !c_.TestWrite;
    sums_.clear();
    // One checksum per sector: reserved once so the write loop never reallocates (a DVD's
    // last block is padded to a whole one), which would hold both copies at once.
    if (verify_) sums_.reserve(size_t(std::max<int64_t>(c_.ImageSize(), 0)) + CacheBlockCapacity / 2048);
    c_.Verifying = false;
    c_.BytesVerified = 0;
    c_.MismatchedFiles.clear();
    pollCountdown_ = 5;
    t_ = 1;
    const uint32_t unanswered = c_.UnansweredCommands();

    uint32_t length = 0, blank = 0;
    pollSupported_ = c_.ReadBufferCapacity(length, blank);
    kind_ = c_.DetectDiscKind();
    CurrentDiscKind = kind_;
    c_.StartStopUnit(false);
    if (kind_ != dkDVDPlusRW)
        c_.RezeroUnit();
    c_.SetCDSpeed(c_.ReadSpeed, c_.WriteSpeed());
    c_.WaitUntilReady(10000, 1000);
    const uint16_t speed = c_.CurrentWriteSpeed();
    const bool finalize = c_.FinalizeDisc;
    c_.FinalizeDisc = true;
    const bool accepted = c_.SetWriteParameters(c_.TestWrite, c_.UnderrunProtection, kind_);
    c_.FinalizeDisc = finalize;
    // Recording with whatever parameters the drive had before could close the disc for good.
    if (!accepted) {
        EndWithError(WriterErrorText());
        return false;
    }
    t_ = int(c_.LastTrackInLastSession());

    if (kind_ == dkDVDR) {
        std::memcpy(run_.ParameterBuffer, StreamingDescriptor, sizeof StreamingDescriptor);
        c_.SetStreaming(run_.ParameterBuffer, sizeof StreamingDescriptor);
        c_.SendTimestamp(Now());
        std::memset(run_.ParameterBuffer, 0, sizeof run_.ParameterBuffer);
        int64_t n = c_.ImageSize();
        if (n % 32 != 0)
            n += 32 - n % 32;
        c_.ReserveTrack(uint32_t(n));
        c_.WaitUntilReady(10000, 1000);
    }
    if (kind_ != dkDVDRAM && !c_.TestWrite && c_.PerformOPC)
        c_.SendOPC();
    // A drive silent while the run was set up may have taken none of it (the track to close,
    // the write parameters): nothing is recorded on that ground.
    if (c_.UnansweredCommands() != unanswered) {
        EndWithError(std::string(WriterErrorPrefix) + " [" + NoAnswerText + "]");
        return false;
    }
    Announce(speed);
    return true;
}

void TThWrite::Announce(uint16_t speed) {
    const std::string factor =
        IsDVDKind(kind_) ? FormatFloat("0.0", speed / 1385.0) : FormatFloat("0", speed / 176.4);
    const std::string speedText = factor + FormatFloat("X (#,##0 KB/s)", speed);
    c_.DebugMessage(std::string(">>> STARTING WRITE PROCESS ON ") + DiscKindName(kind_) + " AT " + speedText, 1);
    if (c_.TestWrite)
        c_.DebugMessage(">>> TEST/DUMMY WRITE", 1);
}

bool TThWrite::NextBlock() {
    // The cache's own block is written, not a copy; the one written last goes back for reuse.
    cache_.RecycleBlock(std::move(block_));
    for (;;) {
        cache_.StateChanged.Reset();
        c_.Lock();
        a_ = cache_.TakeBlock(block_);
        c_.Unlock();
        if (!cache_.ErrorText().empty())
            return false;
        if (a_ != -1)
            return true;
        cache_.StateChanged.WaitFor(1);
    }
}

bool TThWrite::FormatBlankPlusRW() {
    const bool incompatible = c_.LastSense[scsi::kSenseAscByte] == scsi::AscOf(scsi::kAscIncompatibleMedium);
    if (kind_ != dkDVDPlusRW || !incompatible || formatTried_)
        return false;
    formatTried_ = true;
    if (c_.FormatFitted(DVDPlusRWFormatList)) {
        TWaitBudget formatting{FormatReadyBudgetMs};
        c_.WaitWhile(formatting, 2000, [this] { return !c_.ReadDiscInformation() && c_.AsksToWait(); });
    }
    return true;
}

uint32_t TThWrite::PrepareDescriptorBlocks(uint32_t blocks) {
    std::memcpy(descriptor_, DescriptorCopy, size_t(blocks) * 2048);
    if (kind_ != dkDVDRWRestricted && kind_ != dkDVDRWSequential)
        return blocks;
    // Restricted overwrite takes whole ECC units only. The rest of the last unit keeps what
    // the disc holds there (an earlier session's data), zeros where nothing can be read.
    const uint32_t padded = (blocks + EccBlocks - 1) / EccBlocks * EccBlocks;
    if (padded > blocks) {
        uint8_t* rest = descriptor_ + size_t(blocks) * 2048;
        const uint16_t n = uint16_t(padded - blocks);
        const uint32_t unanswered = c_.UnansweredCommands();
        if (!c_.ReadBlocks(blocks, n, uint32_t(n) * 2048, rest)) {
            // Zeros there could hide an earlier session's data the drive did not tell of.
            if (c_.UnansweredCommands() != unanswered)
                return 0;
            std::memset(rest, 0, size_t(n) * 2048);
        }
    }
    return padded;
}

bool TThWrite::WriteDescriptorCopy() {
    // A session starting at 0 has its own descriptors there; one starting within the copy's
    // blocks keeps the blocks it wrote from its start on.
    const uint32_t blocks = uint32_t(std::min<int64_t>(copyLength_ / 2048, int64_t(c_.StartAddress)));
    if (blocks == 0 && heldBlocks_ == 0)
        return true;
    const uint32_t padded = heldBlocks_ > 0 ? heldBlocks_ : PrepareDescriptorBlocks(blocks);
    if (padded == 0) {
        EndWithError(WriterErrorText());
        return false;
    }
    if (!WriteAt(0, padded * 2048, descriptor_))
        return false;
    if (c_.SynchronizeCache(1800000, false))
        return true;
    EndWithError(WriterErrorText());
    return false;
}

bool TThWrite::WriteAt(uint32_t lba, uint32_t bytes, uint8_t* data) {
    for (;;) {
        // The first attempt and up to BusyRetries - 1 more, BusyPauseMs apart.
        TWaitBudget busy{int64_t(BusyPauseMs) * (BusyRetries - 1)};
        bool written = false, aborted = false;
        const TWaitEnd end = c_.WaitWhile(busy, BusyPauseMs, [&] {
            if (run_.RunAbortFlag) {
                aborted = true;
                return false;
            }
            written = c_.WriteBlocks(lba, uint16_t(bytes / 2048), WriteFlags, bytes, data);
            return !written && Busy();
        });
        if (written)
            return true;
        // A blank DVD+RW answers the session's first write with 30h: formatted, it goes again.
        if (!aborted && end == TWaitEnd::Done && FormatBlankPlusRW()) continue;
        // A WRITE given up on at the user's request ends as the user's abort.
        if (aborted || end == TWaitEnd::Stopped || run_.RunAbortFlag)
            EndWithError(AbortedText);
        else
            EndWithError(end == TWaitEnd::OutOfTime ? BusyText : WriterErrorText());
        return false;
    }
}

void TThWrite::WriteImage() {
    written_ = 0;
    if (!NextBlock())
        return;
    bool retry = false;
    copyLength_ = a_;
    heldBlocks_ = 0;
    // A raw image recorded in place carries its volume descriptors in its first block: that
    // block goes last, so a run that fails leaves no descriptors pointing at unwritten data.
    bool holdHead = IsOverwritableKind(kind_) && !c_.RawImageFile.empty() && c_.StartAddress == 0;
    if (IsOverwritableKind(kind_))
        c_.FailureTraceDone = true; // a blank DVD+RW's first write is refused, then formatted

    for (;;) {
        if (!retry) {
            if (a_ == 0) {
                // The cache ended: the image is complete unless it delivered less than laid out.
                if (written_ < c_.ImageSize())
                    EndWithError(std::string(WriterErrorPrefix) + " [IMAGE INCOMPLETE]");
                return;
            }
            if (kind_ != dkCDR && kind_ != dkCDRW) {
                // The rounded-up last data block may already reach the image's end; the
                // padding blocks that follow hold nothing but zeros, and writing them too
                // would run past the image (and past a reserved DVD-R track).
                if (written_ >= c_.ImageSize()) {
                    while (NextBlock() && a_ > 0) {
                    }
                    return;
                }
                // Every DVD write is 32 sectors; what follows a short last block is not part of
                // any file and goes out as zeros.
                static_assert(CacheBlockCapacity >= DVDBlockSize);
                std::memset(block_->Data + a_, 0, size_t(DVDBlockSize - a_));
                a_ = DVDBlockSize;
            }
            int64_t bytes = c_.BytesWritten + a_;
            if (bytes / 2048 > c_.ImageSize())
                bytes = c_.ImageSize() * 2048;
            c_.BytesWritten = bytes;
            if (pollSupported_ && pollCountdown_ == 0) {
                uint32_t length = 0, blank = 0;
                if (c_.ReadBufferCapacity(length, blank))
                    pollCountdown_ = 5;
            }
            --pollCountdown_;
        }
        retry = false;

        if (holdHead) {
            std::memcpy(descriptor_, block_->Data, size_t(a_));
            heldBlocks_ = uint32_t(a_ / 2048);
            holdHead = false;
        } else if (!WriteAt(uint32_t(c_.StartAddress + written_), uint32_t(a_), block_->Data))
            return;
        written_ += a_ / 2048;
        if (verify_)
            KeepSums();

        if (run_.RunAbortFlag) {
            EndWithError(AbortedText);
            return;
        }
        if (!NextBlock())
            return;
    }
}

void TThWrite::KeepSums() {
    // The cache checksummed the sectors it read; what it did not (a DVD's zero padding,
    // a cache that was not asked to) is done here.
    TCacheBlock& b = *block_;
    const int32_t n = a_ / 2048;
    const int32_t have = std::clamp<int32_t>(b.SummedSectors, 0, n);
    SectorChecksums(b.Data + size_t(have) * 2048, size_t(n - have), b.Sums + have);
    sums_.insert(sums_.end(), b.Sums, b.Sums + n);
}

bool TThWrite::FinalFlush() {
    if (c_.OnFinalizingTrack)
        c_.OnFinalizingTrack(static_cast<TSCSIDevice*>(&c_));
    if (kind_ == dkDVDR || kind_ == dkDVDRWRestricted || kind_ == dkDVDRWSequential) {
        const bool started = c_.SynchronizeCache(1800000, true);
        const std::string refused = started ? "" : WriterErrorText();
        c_.DeviceFreeBufferSize = c_.DeviceBufferSize.load();
        // The drive answers READ DISC INFORMATION again once the flush is done; meanwhile the
        // buffer display drains.
        // A drive that answers nothing at all (no sense data) is not flushing: that ends it.
        TWaitBudget flushing{int64_t(FinalFlushPolls) * 1000};
        bool answered = false;
        c_.WaitWhile(flushing, 1000, [this, &answered] {
            answered = c_.ReadDiscInformation();
            if (answered)
                return false;
            c_.DeviceFreeBufferSize -= c_.DeviceBufferSize / 960;
            return !c_.FailedWithoutSense();
        });
        if (!answered)
            return Failed();
        // A flush the drive refused outright did not happen; one that ran, ended with the poll.
        if (!started && cache_.ErrorText().empty())
            EndWithError(refused);
        return started;
    }
    if (c_.SynchronizeCache(120000, false) || c_.SynchronizeCache(120000, true))
        return true;
    return Failed();
}

bool TThWrite::Failed() {
    // A flush or close whose wait the user cut short did not fail on the drive's side.
    if (cache_.ErrorText().empty()) EndWithError(run_.RunAbortFlag ? AbortedText : WriterErrorText());
    return false;
}

bool TThWrite::CloseStep(bool done) { return done || Failed(); }

bool TThWrite::Close() {
    if (kind_ != dkDVDR && !c_.SetWriteParameters(c_.TestWrite, c_.UnderrunProtection, kind_))
        return Failed();
    const uint8_t t = uint8_t(t_);
    switch (kind_) {
    case dkDVDPlusR:
        return CloseStep(c_.CloseTrackSession(false, 1, 0, 0, t)) &&
               CloseStep(c_.CloseTrackSession(false, 2, 0, 0, 0xFF));
    case dkDVDR:
        // The track after the reserved one may not exist; only the data track and the
        // session must close.
        if (!CloseStep(c_.CloseTrackSession(false, 1, 0, 0, t)))
            return false;
        c_.CloseTrackSession(false, 1, 0, 0, uint8_t(t + 1));
        return CloseStep(c_.CloseTrackSession(false, 2, 0, 0, uint8_t(t + 2)));
    case dkDVDRWRestricted:
    case dkDVDRWSequential:
        return CloseStep(c_.CloseTrackSession(true, 2, 0, 0, 0));
    case dkDVDPlusRW:
        return CloseStep(c_.CloseTrackSession(false, 3, 0, 0, 0xFF));
    default:
        break;
    }
    // Sent again every second while the drive is busy (up to 1,000 times); a failure of
    // another kind gets one more attempt.
    TWaitBudget busy{int64_t(CloseRetries - 1) * 1000};
    bool closed = false;
    const TWaitEnd end = c_.WaitWhile(busy, 1000, [this, &closed] {
        closed = c_.CloseSession(false, CloseSessionImmediate, false);
        return !closed && Busy();
    });
    if (!closed && end == TWaitEnd::Done)
        closed = c_.CloseSession(false, CloseSessionImmediate, false);
    return CloseStep(closed);
}

void TThWrite::NeutralState() {
    c_.SetWriteParameters(false, false, 1);
    c_.SetCDSpeed(c_.MaxReadSpeed(), 2);
    c_.RezeroUnit();
    c_.PreventAllowRemoval(true);
    c_.StartStopUnit(false);
    c_.RezeroUnit();
    c_.TestUnitReady(5000);
}

void TThWrite::Report() {
    c_.Lock();
    const std::string text = cache_.ErrorText();
    c_.Unlock();
    run_.WritingFlag = false;
    if (c_.OnWriteDone) {
        TBrenvik& c = c_;
        c.LastRunError = text;
        Synchronize([&c] { c.OnWriteDone(&c, c.LastRunError); });
    }
    c_.SetHandleRelease(true);
}

void TThWrite::Execute() {
    if (Prepare())
        WriteImage();

    uint32_t length = 0, blank = 0;
    if (kind_ != dkDVDRAM)
        c_.ReadBufferCapacity(length, blank);
    // Only a session whose every block is on the disc gets the descriptor copy that makes it
    // the one an overwritable disc shows: a run that ends early leaves the earlier sessions in view.
    const bool flushed = FinalFlush() && cache_.ErrorText().empty();
    if (flushed && IsOverwritableKind(kind_))
        WriteDescriptorCopy();
    c_.DeviceBufferSize = 0;
    c_.DeviceFreeBufferSize = 0;
    if (cache_.ErrorText().empty()) {
        if (!c_.TestWrite && kind_ != dkDVDRAM && c_.FinalizeTrack)
            Close();
        // A drive that never comes back after the close cannot be said to hold the session.
        if (!c_.WaitUntilReady(240000, 5000))
            Failed();
        if (verify_ && cache_.ErrorText().empty())
            Verify();
        if (kind_ != dkDVDRAM)
            c_.ReadBufferCapacity(length, blank);
        NeutralState();
        // The buffer figures describe a run; the last poll above is not one.
        c_.DeviceBufferSize = 0;
        c_.DeviceFreeBufferSize = 0;
    }
    Report();

    TWriteRun& run = run_;
    run.ThreadEnded.Set(); // from here on the component may go; nothing of it is touched
}

} // namespace scrivo
