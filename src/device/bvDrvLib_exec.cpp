// The command executor: every command to the drive goes through ExecuteCommand.
#include "bvDrvLib.h"

#include "scsi/Mmc.h"
#include "transport/bvASPI_event.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define SCRIVO_LSAN_IGNORE(p) __lsan_ignore_object(p)
#else
#define SCRIVO_LSAN_IGNORE(p) ((void)(p))
#endif

namespace scrivo {

namespace {

// How long an aborted request is given to come back from the transport.
constexpr uint32_t AbortGraceMs = 10000;
// How often a command awaited is checked for a stop request (real time).
constexpr uint32_t StopCheckMs = 100;

// A request while the transport has it: the executor's copy of the caller's request and
// its completion event, so that a completion coming after the caller gave up lands in
// memory that is still there.
struct TInFlight {
    SRB_ExecSCSICmd Srb;
    TSrbEvent Event;
};

// A request the transport would not give back even when asked to abort it stays its own
// for good: freeing it would let a late completion write into freed memory.
void LeaveToTransport(std::unique_ptr<TInFlight> request)
{
    SCRIVO_LSAN_IGNORE(request.release());
}

// The transport may finish a pending request on another thread.
uint8_t LoadStatus(SRB_ExecSCSICmd& srb)
{
    return std::atomic_ref<uint8_t>(srb.SRB_Status).load(std::memory_order_acquire);
}

} // namespace

uint8_t TSCSIDevice::ExecuteCommand(SRB_ExecSCSICmd& srb, uint32_t timeoutMs)
{
    const uint8_t result = ExecuteOnce(srb, timeoutMs);
    // A unit attention (power on, reset, a disc just loaded) only tells of an event: the
    // command itself was not carried out, and is sent once more.
    if (result == 1 && srb.SRB_Status == SS_ERR && srb.SRB_TargStat == scsi::kStatusCheckCondition &&
        (srb.SenseArea[scsi::kSenseKeyByte] & scsi::kSenseKeyMask) == scsi::kUnitAttention) {
        srb.SRB_Status = 0;
        srb.SRB_HaStat = 0;
        srb.SRB_TargStat = 0;
        std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
        return ExecuteOnce(srb, timeoutMs);
    }
    return result;
}

uint8_t TSCSIDevice::ExecuteOnce(SRB_ExecSCSICmd& srb, uint32_t timeoutMs)
{
    LastErrorText.clear();
    TargetBusy = false;
    TargetReserved = false;
    std::memset(LastSense, 0, sizeof LastSense);
    if (!TransportReady() || HaId == 254)
        return ExecRefused;

    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = HaId;
    srb.SRB_Target = Target;
    srb.SRB_Lun = Lun;
    srb.SRB_SenseLen = 24;
    const uint32_t waitMs = std::max<uint32_t>(timeoutMs, 10000);
    srb.CDBByte[1] = uint8_t((Lun << 5) | (srb.CDBByte[1] & 0x1F));
    if (KeepDiscAnswers && keptAnswers_.Answer(srb))
        return 1; // not sent, so not traced either

    bool timedOut = false, stopped = false;
    if (srb.SRB_Flags & SRB_EVENT_NOTIFY) {
        auto request = std::make_unique<TInFlight>();
        request->Event.Reset();
        request->Srb = srb;
        request->Srb.SRB_PostProc = request->Event.PostProc();
        // A request accepted as pending is signalled once it completes, and its status is
        // published just before that signal: waiting on the status alone would let the event
        // go while the transport is about to signal it.
        const uint32_t accepted = SendToTransport(&request->Srb);
        if (accepted == SS_PENDING || LoadStatus(request->Srb) == SS_PENDING)
            stopped = AwaitCompletion(request->Event, request->Srb, waitMs);
        timedOut = LoadStatus(request->Srb) == SS_PENDING;
        if (!timedOut || AbortInFlight(request->Srb, request->Event)) {
            srb = request->Srb;
            srb.SRB_PostProc = nullptr; // its event goes with the copy
        } else {
            srb.SRB_Status = SS_PENDING;
            LeaveToTransport(std::move(request));
        }
        // Given up on for the user, the command ends as aborted whatever the transport did
        // with it: the drive may still carry it out, but nobody waits for its answer.
        if (stopped && (LoadStatus(srb) == SS_PENDING || LoadStatus(srb) == SS_ABORTED)) {
            timedOut = false;
            srb.SRB_Status = SS_ABORTED;
        }
    } else {
        // Without an event nothing is waited for: a pending request is the caller's to judge.
        srb.SRB_PostProc = nullptr;
        SendToTransport(&srb);
    }

    const uint8_t status = LoadStatus(srb);
    if (!timedOut && status != SS_PENDING && status != SS_COMP)
        BuildFailureText(srb);
    if (KeepDiscAnswers)
        keptAnswers_.Learn(srb);
    else
        keptAnswers_.Forget();
    Trace(srb);
    if (timedOut) {
        unanswered_.fetch_add(1, std::memory_order_relaxed);
        srb.SRB_Status = SS_ERR;
        srb.SRB_HaStat = 0x09; // "COMMAND TIMEOUT"
    }

    const auto address = reinterpret_cast<uintptr_t>(srb.SRB_BufPointer);
    if (address % 4 != 0)
        DebugMessage("aaaa" + std::to_string(address), 0);
    return 1;
}

bool TSCSIDevice::AbortInFlight(SRB_ExecSCSICmd& inFlight, TSrbEvent& event)
{
    SRB_Abort abort = {};
    abort.SRB_Cmd = SC_ABORT_SRB;
    abort.SRB_HaId = HaId;
    abort.SRB_ToAbort = &inFlight;
    SendToTransport(&abort);
    if (LoadStatus(inFlight) == SS_PENDING) AwaitCompletion(event, inFlight, AbortGraceMs);
    return LoadStatus(inFlight) != SS_PENDING;
}

bool TSCSIDevice::AwaitCompletion(TSrbEvent& event, SRB_ExecSCSICmd& srb, uint32_t ms) {
    if (WaitForCompletion) {
        WaitForCompletion(event, ms);
        return false;
    }
    const double scaled = std::min(double(UINT32_MAX - 1), ms * CompletionScale);
    uint32_t left = std::max(CompletionFloorMs, uint32_t(scaled));
    if (!StopWaiting) {
        event.WaitFor(left);
        return false;
    }
    // In slices, so that a stop request is heard within one.
    for (;;) {
        if (StopWaiting()) return LoadStatus(srb) == SS_PENDING;
        const uint32_t slice = std::min(left, StopCheckMs);
        if (event.WaitFor(slice) || slice == left) return false;
        left -= slice;
    }
}

void TSCSIDevice::BuildFailureText(const SRB_ExecSCSICmd& srb) {
    TargetBusy = false;
    std::string text = StatusText(srb.SRB_Status, srb.SRB_HaStat, srb.SRB_TargStat);
    if (text == "TARGET BUSY")
        TargetBusy = true;
    TargetReserved = srb.SRB_Status == SS_ERR && srb.SRB_TargStat == scsi::kStatusReservationConflict;
    if (text == "CHECK CONDITION")
        text = SenseKeyText(srb.SenseArea);
    LastErrorText = text;
    std::memcpy(LastSense, srb.SenseArea, sizeof LastSense);
    if (srb.SenseArea[7] != 0)
        LastErrorText += " (" + SenseCodeText(srb.SenseArea[12], srb.SenseArea[13]) + ")";
}

} // namespace scrivo
