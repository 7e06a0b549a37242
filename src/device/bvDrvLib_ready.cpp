// Waiting for a drive to become ready after a long operation.
#include "bvDrvLib.h"
#include "scsi/Mmc.h"

#include <cstring>

namespace scrivo {

bool TSCSIDevice::WaitUntilReady(int32_t budgetMs, int32_t intervalMs)
{
    const uint32_t interval = intervalMs < 1 ? 1 : uint32_t(intervalMs);
    TWaitBudget budget{budgetMs};
    alignas(4) uint8_t polled[40] = {};
    const auto markBusy = [&] { polled[scsi::kSenseAscByte] = scsi::kAscNotReadyFamily; };

    // Drives of these models are polled with TEST UNIT READY first, every 1.5 s; the time
    // counts against the same budget.
    if (SlowReadyQuirk || ReadyPollQuirk) {
        if (WaitWhile(budget, 1500, [this] { return !TestUnitReady(5000) && AsksToWait(); }) ==
            TWaitEnd::Stopped)
            return false;
    }

    if (CurrentDiscKind == dkDVDRAM) {
        markBusy();
    } else if (WaitWhile(budget, interval, [this] { return !ReadDiscInformation() && AsksToWait(); }) !=
               TWaitEnd::Done) {
        return false;
    }

    const bool unitReady = TestUnitReady(5000);
    if (unitReady && polled[scsi::kSenseAscByte] != scsi::kAscNotReadyFamily)
        return true;
    // The answer just given is the first poll of this stage.
    bool asked = true;
    const auto unitBusy = [&] {
        if (!asked && TestUnitReady(5000))
            return false;
        asked = false;
        return AsksToWait();
    };
    if (WaitWhile(budget, interval, unitBusy) != TWaitEnd::Done)
        return false;

    // REQUEST SENSE tells what the drive is doing; a response code of F0h counts as busy. A
    // drive that does not even answer it is not ready.
    bool answered = false;
    const auto senseBusy = [&] {
        std::memset(polled, 0, sizeof polled);
        answered = RequestSense(polled, sizeof polled);
        if (polled[0] == 0xF0)
            markBusy();
        return polled[scsi::kSenseAscByte] == scsi::kAscNotReadyFamily;
    };
    return WaitWhile(budget, interval, senseBusy) == TWaitEnd::Done && answered &&
           polled[scsi::kSenseAscByte] == 0;
}

} // namespace scrivo
