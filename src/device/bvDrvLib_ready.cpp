// Waiting for a drive to become ready after a long operation.
#include "bvDrvLib.h"

#include <cstring>

namespace scrivo {

bool TSCSIDevice::WaitUntilReady(int32_t budgetMs, int32_t intervalMs)
{
    // The drive reports "becoming ready" and long operations with ASC 04h.
    const auto busy = [this] { return LastSense[12] == 0x04; };
    if (intervalMs < 1)
        intervalMs = 1; // every round must use up budget
    alignas(4) uint8_t polled[40] = {};
    const auto markBusy = [&] { polled[12] = 0x04; };

    if (SlowReadyQuirk || ReadyPollQuirk) {
        do {
            DoSleep(1500);
            budgetMs -= 1500;
            if (budgetMs < 0)
                break;
            TestUnitReady(5000);
        } while (busy());
    }

    if (CurrentDiscKind == dkDVDRAM) {
        markBusy();
    } else {
        do {
            DoSleep(uint32_t(intervalMs));
            ReadDiscInformation();
            budgetMs -= intervalMs;
            if (budgetMs < 0)
                return false;
        } while (busy());
    }

    if (TestUnitReady(5000) && polled[12] != 0x04)
        return true;

    do {
        DoSleep(uint32_t(intervalMs));
        budgetMs -= intervalMs;
        if (budgetMs < 0)
            return false;
        TestUnitReady(5000);
    } while (busy());

    do {
        std::memset(polled, 0, sizeof polled);
        RequestSense(polled, sizeof polled);
        budgetMs -= intervalMs;
        if (budgetMs < 0)
            return false;
        if (polled[0] == 0xF0)
            markBusy();
        if (polled[12] == 0x04)
            DoSleep(uint32_t(intervalMs));
    } while (polled[12] != 0);
    return true;
}

} // namespace scrivo
