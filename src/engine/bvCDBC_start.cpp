// Starting a recording run: block size by disc kind, DVD-RW formatting, the layout at the
// disc's real start address, generation, the cache and, once it has filled, the write thread.
#include "engine/bvCDBC.h"
#include "engine/bvCDBC_run.h"
#include "engine/bvCDBC_write.h"
#include "engine/bvCache.h"
#include "engine/bvStreamEx.h"

namespace scrivo {

namespace {

// FORMAT UNIT parameter lists for DVD-RW: the quick format (15h) that makes a sequential disc
// restricted overwrite, and the quick grow (13h, nothing added) that opens the formatted
// area of one for growth by the session written next.
constexpr uint8_t SequentialFormat[12] = {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00, 0x03, 0xE8, 0x54, 0x00, 0x00, 0x10};
constexpr uint8_t QuickGrowFormat[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x4C, 0x00, 0x00, 0x10};
constexpr uint8_t QuickGrowType = 0x13;

constexpr uint32_t FormatPollMs = 5000;

constexpr const char* NoDriveText = "WRITER ERROR [NO DRIVE SELECTED]";
const std::string NoAnswerStartText = std::string("WRITER ERROR [") + NoAnswerText + "]";

} // namespace

bool TBrenvik::FormatDVDRW(uint8_t kind) {
    // Every session grows the formatted area by what it writes, up to the whole disc, and its
    // close ends the growth. A formatted disc is never formatted anew, which would lose its
    // sessions: it is grown when the drive offers room to grow (none when the disc is all
    // formatted, or still open for growth after a run that did not close it).
    bool ok = false;
    if (kind == dkDVDRWSequential) {
        ok = FormatUnit(0x11, SequentialFormat, 12);
    } else {
        uint32_t room = 0;
        if (!FormatCapacityOf(QuickGrowType, room) || room == 0)
            return true;
        ok = FormatUnit(0x11, QuickGrowFormat, 12);
    }
    TWaitBudget formatting{FormatReadyBudgetMs};
    WaitWhile(formatting, FormatPollMs, [this] { return !ReadDiscInformation() && AsksToWait(); });
    return ok;
}

bool TBrenvik::PrepareRawImage(uint8_t kind, TRunSettings& settings) {
    int64_t bytes = -1;
    try {
        TFileStreamEx image(RawImageFile, fmOpenReadShared);
        bytes = image.GetSize();
    } catch (const EFOpenError&) {
    }
    if (bytes <= 0) {
        FailStart(bytes < 0 ? CantOpenText(RawImageFile) : "THE IMAGE \"" + RawImageFile + "\" IS EMPTY");
        return false;
    }
    uint32_t address = 0;
    if (!IsOverwritableKind(kind) && !Disc->FindStartAddress(address)) {
        FailStart("ERROR GETTING NEXT WRITABLE ADDRESS");
        return false;
    }
    DiscKind = kind;
    StartAddress = address;
    settings.RawImage = RawImageFile;
    settings.RawImageBytes = bytes;
    return true;
}

void TBrenvik::FailStart(const std::string& text) {
    if (OnWriteDone)
        OnWriteDone(this, UnansweredCommands() != unansweredAtStart_ ? NoAnswerStartText : text);
}

bool TBrenvik::StartWrite() {
    TWriteRun& run = WriteRun();
    if (run.WritingFlag)
        return false; // a run is in progress; its own OnWriteDone is still to come
    run.ThreadEnded.WaitFor(UINT32_MAX); // the last run's thread is past its report
    unansweredAtStart_ = UnansweredCommands();
    // Without a drive no command is sent, and a WRITE (10) that was never sent would pass
    // for a pending one: refuse before anything is laid out.
    if (!TransportReady() || HaId == 254) {
        FailStart(NoDriveText);
        return false;
    }

    run.Component = this;
    run.BlockSize = DVDBlockSize;
    const uint8_t kind = DetectDiscKind();
    if (kind == dkCDR || kind == dkCDRW)
        run.BlockSize = CDBlockSize;
    // The kind just detected is the one to record on: a host that never stored it would
    // otherwise leave a DVD-RW unformatted and have it written incrementally, which a
    // sequential disc refuses after its first block (and a minimally blanked one at once).
    CurrentDiscKind = kind;
    // A test run changes nothing on the disc: it is refused where the drive cannot simulate
    // the recording, and a DVD-RW it simulates on stays unformatted.
    if (TestWrite) {
        const std::string refused = TestWriteRefusal(kind, false);
        if (!refused.empty()) {
            FailStart(refused);
            return false;
        }
    } else if (CurrentDiscKind == dkDVDRWRestricted || CurrentDiscKind == dkDVDRWSequential) {
        FormatDVDRW(CurrentDiscKind);
    }

    run.Image.reset();
    TRunSettings settings;
    settings.Lock = &LockObject();
    settings.CacheSize = cacheSize_;
    settings.BlockSize = run.BlockSize;
    settings.WritePostGap = WritePostGap;
    settings.NoDiscAccess = false;
    settings.SectorSums = VerifyWrite && !TestWrite;
    if (!RawImageFile.empty() && !PrepareRawImage(kind, settings)) return false;
    run.Image = std::make_unique<TImageRun>(*this, settings);
    // The start address comes from the drive's answers: one it never gave would place the
    // session over earlier ones (address 0 of a DVD+RW holding sessions).
    const bool started = run.Image->Start();
    if (UnansweredCommands() != unansweredAtStart_) {
        run.Image.reset(); // its cache stops reading
        FailStart("");
        return false;
    }
    if (!started) {
        FailStart(run.Image->ErrorText());
        return false;
    }
    StartWriteThread();
    return true;
}

void TBrenvik::StartWriteThread() {
    KeepDiscAnswers = false; // the thread polls the drive for what it is doing now
    TWriteRun& run = WriteRun();
    JoinWriteThread(run); // the last run's, which ended before this run could start
    run.ThreadEnded.Reset();
    auto* thread = new TThWrite();
    thread->SetPriority(TThreadPriority::TimeCritical);
    run.WriteThread = thread;
    thread->Resume();
}

} // namespace scrivo
