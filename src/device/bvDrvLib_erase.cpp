#include "bvDrvLib_erase.h"
#include "bvDrvLib.h"
#include "platform/DateTime.h"
#include "platform/Text.h"
#include "scsi/Mmc.h"
#include "transport/bvASPI.h"
#include <climits>
#include <cmath>
#include <functional>
#include <vector>

namespace scrivo {

const uint8_t DVDPlusRWFormatList[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23, 0x05, 0x40, 0x98, 0x00, 0x00, 0x00};
const uint8_t DVDRAMFullFormatList[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x22, 0x21, 0x20, 0x00, 0x00, 0x08, 0x00};

namespace {

constexpr uint8_t WriteFlags = 0x50;
constexpr uint16_t RunBlocks = 32;
constexpr uint32_t RunBytes = RunBlocks * 2048;
constexpr int QuickOverwriteRuns = 65;
constexpr int FullOverwriteRuns = 71001;
constexpr int DVDRAMQuickStartRuns = 11;

std::string EraseSpeedText(uint8_t kind, uint16_t speed) {
    const std::string factor = kind >= dkDVDRAM && kind <= dkDVDPlusRW ? FormatFloat("0.0X", speed / 1385.0)
                                                                       : FormatFloat("0X", speed / 176.4);
    return factor + FormatFloat("(#,##0 KB/s)", speed);
}

} // namespace

uint16_t ExpectedEraseSeconds(uint8_t discKind, uint8_t eraseType) {
    if (discKind < dkDVDROM)
        return eraseType == 1 ? 150 : 4500;
    return eraseType == 1 ? 600 : eraseType == 0 ? 4440 : 8880;
}

bool TSCSIDevice::Erase(uint8_t eraseType) {
    WaitForErase(); // one erase at a time, and the previous thread is joined
    TestUnitReady(10000);
    StartStopUnit(false);
    const uint8_t kind = DetectDiscKind();
    CurrentDiscKind = kind;
    EraseType = eraseType;
    const auto ready = [this] { return TestUnitReady(10000) || WaitUntilReady(30000, 5000); };
    if (!ready())
        return false;
    if (kind != dkDVDRAM) {
        SetCDSpeed(ReadSpeed, WriteSpeed());
        SetWriteParameters(false, false, kind);
    }
    const uint16_t speed = CurrentWriteSpeed();
    if (!ready())
        return false;
    DebugMessage(std::string(">>> STARTING ERASE PROCESS ON ") + DiscKindName(kind) + " AT " +
                     EraseSpeedText(kind, speed),
                 1);

    bool accepted = false;
    if (kind == dkDVDPlusRW) {
        accepted = FormatFitted(DVDPlusRWFormatList);
        if (!accepted) {
            RezeroUnit();
            DoSleep(1000);
            accepted = FormatFitted(DVDPlusRWFormatList);
        }
    } else if (kind == dkDVDRAM && EraseType == 1) {
        std::vector<uint8_t> zeros(RunBytes);
        for (int i = 0; i < DVDRAMQuickStartRuns; ++i)
            WriteBlocks(uint32_t(i) * RunBlocks, RunBlocks, WriteFlags, RunBytes, zeros.data());
        SynchronizeCache(30000, false);
        accepted = true;
    } else if (kind == dkDVDRAM) {
        accepted = FormatFitted(DVDRAMFullFormatList);
    } else {
        accepted = Blank(EraseType);
    }
    if (!accepted) {
        Erasing = false;
        if (OnEraseDone)
            OnEraseDone(this, true);
        return false;
    }

    eraseThread_ = std::make_unique<TEraseThread>(kind, *this, ExpectedEraseSeconds(kind, EraseType));
    Erasing = true;
    eraseThread_->Resume();
    return true;
}

void TSCSIDevice::WaitForErase() {
    while (Erasing) {
        if (IsMainThread())
            CheckSynchronize(10); // the thread's last step runs here
        else
            SleepMs(10);
    }
    // Called from the thread's own report, the thread is let go to free itself once it
    // returns; otherwise it only returns now, so the join never waits for the main thread.
    if (eraseThread_ && eraseThread_->InReport)
        eraseThread_.release()->FreeOnTerminate = true;
    else
        eraseThread_.reset();
}

int TSCSIDevice::EraseProgress() const {
    return Erasing && eraseThread_ ? eraseThread_->Progress.load() : 0;
}

TEraseThread::TEraseThread(uint8_t discKind, TSCSIDevice& device, uint16_t expectedSeconds)
    : TThread(true), discKind_(discKind), device_(device), expected_(expectedSeconds) {}

void TEraseThread::UpdateProgress() {
    const double p = std::round(double(t_) / double(expected_ ? expected_ : 1) * 100.0);
    Progress = p > 100 ? 100 : int32_t(p);
}

bool TEraseThread::Busy() const { return device_.AsksToWait(); }

bool TEraseThread::WaitWhile(uint32_t intervalMs, const std::function<bool()>& ask) {
    // The rounds count against the expected duration (in `t_`), not against a budget.
    TWaitBudget unbounded{INT64_MAX};
    return device_.WaitWhile(unbounded, intervalMs, ask) == TWaitEnd::Done;
}

// A DVD+RW formats in the background; then its lead-in area is rewritten with zeros so
// that no earlier file system shows through.
void TEraseThread::WaitForFormatThenOverwrite() {
    // The format wait is bounded at four times the expected duration: a drive that never
    // stops reporting "not ready" must not hold the thread for ever.
    WaitWhile(2000, [this] {
        device_.ReadDiscInformation();
        t_ += 2;
        UpdateProgress();
        return Busy() && t_ <= int64_t(expected_) * 4;
    });

    std::vector<uint8_t> zeros(RunBytes);
    const int runs = device_.EraseType == 1 ? QuickOverwriteRuns : FullOverwriteRuns;
    for (int i = 0; i < runs; ++i) {
        if (!device_.WriteBlocks(uint32_t(i) * RunBlocks, RunBlocks, WriteFlags, RunBytes, zeros.data()))
            return;
    }
    // SYNCHRONIZE CACHE itself waits for the written blocks to reach the disc.
    UpdateProgress();
    device_.SynchronizeCache(30000, false);
    device_.CloseTrackSession(false, 3, 0, 0, 0);
    t_ += 1;
}

// Polls TEST UNIT READY while the drive reports itself busy, 2 s apart, counting `step`
// seconds a round, up to the expected duration.
void TEraseThread::PollTestUnitReady(int step) {
    WaitWhile(2000, [this, step] {
        UpdateProgress();
        const bool ready = device_.TestUnitReady(10000);
        t_ += step;
        return !ready && Busy() && t_ <= int64_t(expected_);
    });
}

void TEraseThread::WaitForReady() {
    const int64_t q = expected_;
    if (ReadyPollQuirk) {
        PollTestUnitReady(2);
        device_.ReadDiscInformation();
    }
    if (device_.TestUnitReady(10000) && device_.ReadDiscInformation())
        return;
    if (discKind_ != dkDVDRAM) {
        WaitWhile(5000, [this, q] {
            UpdateProgress();
            device_.ReadDiscInformation();
            t_ += 5;
            return Busy() && t_ <= q;
        });
    }
    PollTestUnitReady(2);
    // REQUEST SENSE tells what the drive is doing; a response code of F0h counts as busy.
    uint8_t polled[40];
    WaitWhile(2000, [&] {
        UpdateProgress();
        std::fill(std::begin(polled), std::end(polled), uint8_t(0));
        device_.RequestSense(polled, sizeof polled);
        if (polled[0] == 0xF0)
            polled[scsi::kSenseAscByte] = scsi::kAscNotReadyFamily;
        return polled[scsi::kSenseAscByte] == scsi::kAscNotReadyFamily && (t_ += 2) <= q;
    });
}

void TEraseThread::RestoreDrive() {
    device_.SetWriteParameters(false, false, 1);
    device_.SetCDSpeed(device_.MaxReadSpeed(), 2);
    device_.RezeroUnit();
    device_.PreventAllowRemoval(true);
    device_.StartStopUnit(false);
    device_.RezeroUnit();
    device_.TestUnitReady(10000);
}

void TEraseThread::Execute() {
    Progress = 0;
    const uint8_t current = CurrentDiscKind;
    if (current == dkDVDRWRestricted || current == dkDVDRWSequential) {
        // Asked at once again rather than after a fixed pause: a drive still blanking says so.
        PollTestUnitReady(1);
        UpdateProgress();
        PollTestUnitReady(1);
    } else if (current == dkDVDPlusRW) {
        WaitForFormatThenOverwrite();
    } else {
        if (current == dkDVDRAM && device_.EraseType == 1) {
            std::vector<uint8_t> zeros(RunBytes);
            for (int i = 0; i < QuickOverwriteRuns; ++i)
                device_.WriteBlocks(uint32_t(i) * RunBlocks, RunBlocks, WriteFlags, RunBytes, zeros.data());
            device_.SynchronizeCache(30000, false);
        }
        t_ = 0;
    }
    WaitForReady();
    if (TransportName == PassThroughTransportName)
        ReloadTransport();
    Progress = 100;
    RestoreDrive();

    // Command failures while waiting are not errors of the erase: it always ends without one.
    TSCSIDevice& device = device_;
    Synchronize([this, &device] {
        device.Erasing = false;
        InReport = true;
        if (device.OnEraseDone)
            device.OnEraseDone(&device, false);
        InReport = false;
    });
}

} // namespace scrivo
