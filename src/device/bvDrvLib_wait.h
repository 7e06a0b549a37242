// Waiting for a drive: the one loop every wait of the drive layer and the engine goes
// through. It asks the drive first and sleeps only while the answer says to wait, so a drive
// that is ready is never kept waiting and a slow one still gets the whole budget.
#pragma once
#include <cstdint>

namespace scrivo {

// Time a wait may spend sleeping, in drive time (the device's sleep seam). Waits that share
// one budget (an erase counts all of its waiting against its expected duration) pass the
// same object on.
struct TWaitBudget {
    int64_t BudgetMs = 0;
    int64_t WaitedMs = 0;
    // Whether one more sleep of `intervalMs` still fits.
    bool Fits(uint32_t intervalMs) const { return WaitedMs + int64_t(intervalMs) <= BudgetMs; }
};

enum class TWaitEnd : uint8_t {
    Done,      // the drive no longer asks to be waited for
    OutOfTime, // it still did when the budget was spent
    Stopped,   // the device's StopWaiting asked to give up
};

} // namespace scrivo
