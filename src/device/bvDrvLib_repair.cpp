// Closing the session a recording left open: what a kill, a crash or a power loss during the
// recording or its close leaves on a write-once disc.
#include "bvDrvLib.h"

namespace scrivo {

namespace {
// Closing a session (lead-out, border) takes a drive a minute or two; finalising longer.
constexpr int32_t CloseReadyBudgetMs = 600000;
constexpr int32_t CloseReadyPollMs = 1000;
} // namespace

bool TSCSIDevice::CloseUnfinishedSession(uint8_t kind) {
    // Track-at-once on CD, incremental on DVD-R, "next session allowed": closed with the page a
    // recording of one more session would send, the close leaves the disc appendable.
    const bool finalize = FinalizeDisc;
    FinalizeDisc = false;
    SetWriteParameters(false, false, kind);
    FinalizeDisc = finalize;
    if (!ReadDiscInformation()) return false;
    // Each close is waited for (the drive is not ready while it writes the run-out, border or
    // lead-out); a wait given up at the user's request ends the repair there.
    const auto close = [this](uint8_t function, uint32_t track) {
        if (!CloseTrackSession(true, function, 0, uint8_t(track >> 8), uint8_t(track))) return false;
        return WaitUntilReady(CloseReadyBudgetMs, CloseReadyPollMs) || !StopWaiting || !StopWaiting();
    };
    const uint32_t first = uint32_t(DiscInformation[10]) << 8 | DiscInformation[5];
    const uint32_t last = uint32_t(DiscInformation[11]) << 8 | DiscInformation[6];
    for (uint32_t track = first; track != 0 && track <= last; ++track) {
        if (!ReadTrackInformation(track)) return false;
        // The blank track after the last one is where the next session goes, not part of this.
        const bool open = TrackDamaged() || (NextWritableValid() && (!TrackBlank() || TrackReserved()));
        if (!open) continue;
        if (!close(1, track)) return false;
    }
    return close(2, 0);
}

} // namespace scrivo
