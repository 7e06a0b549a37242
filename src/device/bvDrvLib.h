// The drive component: one CD/DVD drive reached through the SCSI transport, its drive
// list, command executor, capabilities, disc information and recording commands.
#pragma once
#include "bvDrvLib_answers.h"
#include "bvDrvLib_names.h"
#include "bvDrvLib_sense.h"
#include "bvDrvLib_wait.h"
#include "platform/DateTime.h"
#include "platform/Threads.h"
#include "transport/bvASPI_srb.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scrivo {

class TSCSIDevice;
class TSrbEvent;
class TEraseThread;

// Bit numbers of the Capabilities set.
enum TCapability : uint32_t {
    ReadCDR = 0, ReadCDRW = 1, ReadMethod2 = 2, ReadDVD = 3, ReadDVDR = 4, ReadDVDRW = 5,
    ReadDVDRAM = 6, ReadDVDPR = 7, ReadDVDPRW = 8, WriteCDR = 9, WriteCDRW = 10, WriteTest = 11,
    WriteDVDR = 12, WriteDVDRW = 13, WriteDVDRAM = 14, WriteDVDPR = 15, WriteDVDPRW = 16,
    UnderrunFree = 18
};
using TCapabilities = uint32_t;
constexpr TCapabilities CapBit(TCapability c) { return TCapabilities(1) << c; }

// Members of SupportedWriteModes.
enum TWriteMode : uint8_t { wmRaw = 1, wmSessionAtOnce = 2, wmTrackAtOnce = 4 };

using TOnDebugMsg = std::function<void(TSCSIDevice* Sender, const std::string& Message, uint8_t mType)>;
using TDeviceChangedEvent = std::function<void(TSCSIDevice* Sender)>;
using TEraseDoneEvent = std::function<void(TSCSIDevice* Sender, bool WithError)>;

// Request flags the command operations use: data in, data out, no data; all with the
// completion event.
constexpr uint8_t FlagsDataIn = SRB_EVENT_NOTIFY | SRB_DIR_IN;   // 48h
constexpr uint8_t FlagsDataOut = SRB_EVENT_NOTIFY | SRB_DIR_OUT; // 50h
constexpr uint8_t FlagsNoData = SRB_EVENT_NOTIFY;                // 40h

// ExecuteCommand's answer when it refused to send (no transport or no drive selected).
constexpr uint8_t ExecRefused = 226;

// What a failed command says when the drive gave no answer within the command's wait.
constexpr const char* NoAnswerText = "THE DRIVE DID NOT ANSWER";

// The transport entry every request of the device layer goes through. Empty: the loaded
// transport's SendASPI32Command. Tests put a fake transport (a function answering request
// blocks) here in place of a drive.
extern std::function<uint32_t(void* srb)> TransportEntry;
uint32_t SendToTransport(void* srb);
// Whether requests can be sent: a transport is loaded, or a fake one is in place.
bool TransportReady();

// Module-wide state shared by every device object (not guarded).
extern uint8_t CurrentDiscKind;       // the disc kind detected last
extern bool ReadyPollQuirk;           // extra ready polling (model quirk)
extern bool CloseSessionImmediate;    // close the session with the immediate bit (model quirk)
extern bool SessionAtOnceWrite;       // the write thread records session-at-once
extern bool CommandTrace;             // trace every command, with the time
constexpr size_t DiscInformationSize = 56;
extern uint8_t DiscInformation[DiscInformationSize]; // last READ DISC INFORMATION reply
constexpr size_t TransferBufferSize = 65280;
extern uint8_t TransferBuffer[TransferBufferSize];   // mode pages travel through it

class TSCSIDevice {
public:
    TSCSIDevice();
    virtual ~TSCSIDevice();
    TSCSIDevice(const TSCSIDevice&) = delete;
    TSCSIDevice& operator=(const TSCSIDevice&) = delete;

    // Address of the selected drive; 254 each when none is selected.
    uint8_t HaId = 254, Target = 254, Lun = 254;
    uint8_t EraseType = 0;
    int8_t HostAdapterCount = -1; // negative: unknown
    // Data buffers are 4-byte aligned: the executor reports any that is not.
    alignas(4) uint8_t CapabilitiesPage[516] = {};   // mode page 2Ah, page code first
    alignas(4) uint8_t WriteParametersPage[54] = {}; // working copy of mode page 05h
    bool UnderrunProtection = false;
    bool TestWrite = false;
    std::string LastErrorText;
    uint8_t DeviceType = 127;
    std::string DeviceDescription;
    alignas(4) uint8_t InquiryData[131] = {};
    TCapabilities Capabilities = 0;
    bool DoDebug = false;
    std::vector<std::string> DeviceList;
    bool TargetBusy = false;
    // The last command was refused with RESERVATION CONFLICT: another program has the drive.
    bool TargetReserved = false;
    TDeviceChangedEvent OnDeviceChange;
    SRB_HAInquiry HAInquiry = {};
    TEraseDoneEvent OnEraseDone;
    alignas(4) uint8_t TrackInformation[40] = {};
    alignas(4) uint8_t TocBuffer[26] = {};
    uint16_t DeviceMaxWriteSpeed = 0, DeviceMaxReadSpeed = 0; // KB/s
    // Written by the write thread, sampled by the host's progress timer.
    std::atomic<uint32_t> DeviceBufferSize{0}, DeviceFreeBufferSize{0};  // bytes
    bool FinalizeDisc = false;
    std::atomic<bool> Erasing{false};
    uint8_t LastSense[33] = {};
    TOnDebugMsg OnDebugMessage;
    uint16_t ReadSpeed = 0; // KB/s
    uint8_t SupportedWriteModes = 0; // TWriteMode bits
    bool SlowReadyQuirk = false;
    bool ForceUnderrunProtection = false;
    bool LinkSizeQuirk = false;
    bool FailureTraceDone = false;

    // Time seams; tests replace them so that no wait takes real time.
    std::function<void(uint32_t ms)> Sleep; // default: SleepMs
    // Empty: a real wait of CompletionScale times the command's budget, at least
    // CompletionFloorMs, heeding StopWaiting.
    std::function<void(TSrbEvent& ev, uint32_t ms)> WaitForCompletion;
    double CompletionScale = 1.0;
    uint32_t CompletionFloorMs = 0;
    // Asked between the polls of every wait and, about every 100 ms, while a command is
    // awaited: true gives the wait up (Ctrl-C of the command line), and a command still
    // awaited is taken back from the transport and ends as aborted (status 02h, "OPERATION
    // ABORTED BY USER"). Empty: waits end only by the drive's answer or their budget.
    std::function<bool()> StopWaiting;

    // --- Drive list and selection
    bool InitializeTransport(bool usePassThrough, const std::string& libraryPath);
    void RescanDevices();
    const std::string& Device() const { return device_; }
    void SetDevice(const std::string& text);
    char GetDriveLetter(); // 0 when no letter is known
    void DebugMessage(const std::string& text, uint8_t mType);
    void Lock() { lock_.Enter(); }
    void Unlock() { lock_.Leave(); }
    // The lock itself, lent to the read-ahead cache of a recording run.
    TCriticalSection& LockObject() { return lock_; }

    // --- Command execution
    // Sends a request and waits for it; a command met by a unit attention is sent again.
    uint8_t ExecuteCommand(SRB_ExecSCSICmd& srb, uint32_t timeoutMs);
    void BuildFailureText(const SRB_ExecSCSICmd& srb);
    // Commands so far that got no answer within their wait. A caller that judges the disc by
    // a series of commands compares it before and after: a command that was never answered
    // reads as a refusal, and the disc as empty or full.
    uint32_t UnansweredCommands() const { return unanswered_.load(std::memory_order_relaxed); }
    // The text of the last command's failure: LastErrorText, or NoAnswerText when the failure
    // has none (the drive did not answer).
    std::string FailureText() const { return LastErrorText.empty() ? NoAnswerText : LastErrorText; }

    // --- The device command set; true when the request completed.
    bool TestUnitReady(uint32_t timeoutMs);
    void RezeroUnit();
    bool RequestSense(uint8_t* buffer, uint8_t length);
    bool FormatUnit(uint8_t byte1, const uint8_t* parameterList, uint32_t length);
    bool Inquiry(); // 128 bytes into InquiryData
    bool StartStopUnit(bool eject);
    bool PreventAllowRemoval(bool allow);
    bool ReadFormatCapacities(uint8_t* buffer248);
    bool ReadBlocks(uint32_t lba, uint16_t blocks, uint32_t byteLength, uint8_t* buffer);
    // The most bytes one transfer of the selected drive's adapter carries (its host adapter
    // inquiry); 65,536 when the adapter does not say.
    uint32_t MaxTransferBytes();
    bool WriteBlocks(uint32_t lba, uint16_t blocks, uint8_t flags, uint32_t byteLength, uint8_t* buffer);
    bool SynchronizeCache(uint32_t timeoutMs, bool immediate);
    bool ReadTOC(bool msf, uint8_t format, uint8_t trackSession, uint8_t* buffer, uint8_t length);
    bool GetConfiguration(uint8_t rt, uint16_t startingFeature, uint8_t* buffer, uint8_t length);
    bool ReadDiscInformation(); // into DiscInformation
    bool ReadTrackInformation(uint32_t track); // into TrackInformation
    bool ReserveTrack(uint32_t blocks);
    bool SendOPC();
    bool ModeSelect(const uint8_t* parameterList, uint16_t length);
    bool ModeSense(uint8_t page, bool defaults, uint8_t* buffer, uint16_t length);
    bool CloseTrackSession(bool immediate, uint8_t function, uint8_t byte3, uint8_t byte4, uint8_t byte5);
    bool CloseSession(bool closeTrack, bool immediate, bool finalize);
    bool ReadBufferCapacity(uint32_t& bufferLength, uint32_t& blankLength);
    bool SendCueSheet(const uint8_t* buffer, uint32_t length);
    bool Blank(uint8_t blankingType);
    bool SetStreaming(const uint8_t* buffer, uint16_t length);
    bool SetCDSpeed(uint16_t readSpeed, uint16_t writeSpeed); // 0 = the drive's maximum
    bool SendDVDStructure(uint8_t format, const uint8_t* buffer, uint16_t length);
    bool SendTimestamp(TDateTime dateTime);
    void SetHandleRelease(bool value);
    // Keeps one handle to the drive open from here on, through START STOP UNIT and PREVENT
    // ALLOW MEDIUM REMOVAL too: for a caller that lives for one run (the command line). Behind
    // Linux's CD driver every reopening costs the driver's own commands.
    void HoldHandle();
    // While true, a question about the disc the drive answered already is answered from
    // there, unless a command that may change the disc, or a refusal, came since (see
    // TKeptAnswers): for a caller that examines the disc with several questions in a row (the
    // command line before a run). Never while a run's threads poll the drive.
    std::atomic<bool> KeepDiscAnswers{false};

    // --- Capabilities and speeds
    bool ReadCapabilities();
    uint16_t MaxWriteSpeed();
    uint16_t MaxReadSpeed();
    uint16_t CurrentWriteSpeed();
    bool HasVendorPage30();
    uint16_t WriteSpeed() const { return writeSpeed_; }
    void SetWriteSpeed(uint16_t kbps);
    bool Has(TCapability c) const { return (Capabilities & CapBit(c)) != 0; }

    // --- Disc and track information
    uint8_t DetectDiscKind();
    int DiscStatus();
    int RecordedSessionCount();
    // The last track of the last session (the incomplete one on an appendable disc), from
    // the disc information; without it the session count + 1 (one track per session).
    uint32_t LastTrackInLastSession();
    // The last session holds a track a recording left unfinished (written in part, never
    // closed: a process killed or a drive cut off while writing), or is still open with a
    // track in it (a recording that failed or was stopped); `start` is where it begins.
    bool HasUnfinishedTrack(uint32_t& start);
    // Closes what a recording left open in the last session (bvDrvLib_repair.cpp): each of its
    // tracks not closed (written in part, damaged, reserved), then the session, with the
    // write parameters of a multi-session recording, so that the disc takes a next session;
    // a track cut off is closed where its recording stopped. False when the drive refused.
    bool CloseUnfinishedSession(uint8_t kind);
    bool IsErasable();
    bool ReadFormatCapacity(uint32_t& blocks, uint32_t& blockSize);
    // Puts the block count the drive offers for the format type of a 12-byte FORMAT UNIT
    // parameter list into it; false (the list unchanged) when the drive offers none.
    bool FitFormatList(uint8_t* list12);
    // FORMAT UNIT (byte 1 = 11h) with a copy of the list fitted to the disc as above.
    bool FormatFitted(const uint8_t* list12);
    // The block count READ FORMAT CAPACITIES offers for a format type; false when it offers none.
    bool FormatCapacityOf(uint8_t type, uint32_t& blocks);
    uint32_t ReadISOVolumeSize();
    uint32_t GetFreeBlocks();
    // Why the drive cannot test-write on the disc of `kind` in it (after a quick erase when
    // `erasedFirst`), naming the disc; empty when it can.
    std::string TestWriteRefusal(uint8_t kind, bool erasedFirst);
    // Whether feature `code` is current; `firstDataByte` is its byte 4.
    bool CurrentFeature(uint16_t code, uint8_t& firstDataByte);
    bool WaitUntilReady(int32_t budgetMs, int32_t intervalMs);

    // --- Waiting (bvDrvLib_wait.cpp)
    // Whether the last command failed because the drive asks to be waited for: BUSY status,
    // or a "not ready" sense code (ASC 04h: becoming ready, operation in progress). A failure
    // without sense data (no answer, an adapter error, a timeout) is not one.
    bool AsksToWait() const { return TargetBusy || LastSense[12] == 0x04; }
    // Whether the last command failed with neither sense data (fixed-format response code
    // 70h/71h, valid bit or not) nor BUSY status: the drive gave no answer to go by.
    bool FailedWithoutSense() const { return !TargetBusy && (LastSense[0] & 0x7E) != 0x70; }
    // Calls `ask` (one poll or attempt; true while the drive asks to be waited for) at once
    // and again after each `intervalMs` of sleep, until it answers false, one more interval
    // would overrun the budget, or StopWaiting says to give up.
    template <class Ask>
    TWaitEnd WaitWhile(TWaitBudget& budget, uint32_t intervalMs, Ask ask)
    {
        while (ask()) {
            if (!budget.Fits(intervalMs))
                return TWaitEnd::OutOfTime;
            if (!SleepUnlessStopped(intervalMs))
                return TWaitEnd::Stopped;
            budget.WaitedMs += intervalMs;
        }
        return TWaitEnd::Done;
    }
    // Sleeps `ms` of drive time; false (possibly early) when StopWaiting asks to give up.
    bool SleepUnlessStopped(uint32_t ms);
    // Fields of TrackInformation after a successful read.
    uint32_t TrackStartAddress() const { return TrackField(8); }
    uint32_t NextWritableAddress() const { return TrackField(12); }
    uint32_t FreeBlocks() const { return TrackField(16); }
    uint32_t FixedPacketSize() const { return TrackField(20); }
    uint32_t TrackSize() const { return TrackField(24); }
    uint32_t LastRecordedAddress() const { return TrackField(28); }
    // Bits of TrackInformation: damaged (a recording cut off; with no valid next writable
    // address it takes no more data), reserved, blank, and the validity of the next
    // writable and the last recorded address.
    bool TrackDamaged() const { return (TrackInformation[5] & 0x20) != 0; }
    bool TrackReserved() const { return (TrackInformation[6] & 0x80) != 0; }
    bool TrackBlank() const { return (TrackInformation[6] & 0x40) != 0; }
    bool NextWritableValid() const { return (TrackInformation[7] & 0x01) != 0; }
    bool LastRecordedValid() const { return (TrackInformation[7] & 0x02) != 0; }

    // --- Recording
    bool SetWriteParameters(bool testWrite, bool underrunProtection, uint8_t discKind);

    // --- Erase (bvDrvLib_erase.cpp): starts an erase of the inserted disc; OnEraseDone follows.
    bool Erase(uint8_t eraseType);
    int EraseProgress() const;
    // Waits until a running erase has ended, delivered OnEraseDone and its thread has
    // returned: the thread uses this object to the end, and no code of ours may still be
    // running once the host has been told.
    void WaitForErase();

protected:
    friend class TEraseThread;
    void DoSleep(uint32_t ms);

private:
    std::string device_;
    uint16_t writeSpeed_ = 0;
    bool handleHeld_ = false;
    TKeptAnswers keptAnswers_;
    // Runs one command with the handle released after it, unless it is held.
    void ExecuteReleasing(SRB_ExecSCSICmd& srb, uint32_t timeoutMs);
    std::atomic<uint32_t> unanswered_{0};
    // The erase started last; joined by WaitForErase, after its report.
    std::unique_ptr<TEraseThread> eraseThread_;
    TCriticalSection lock_;

    void Deselect();
    int8_t ReadHostAdapterCount(uint8_t adapter);
    void SetModelQuirks();
    void ProbeWriteModes();
    bool SendWriteParametersPage(size_t pageOffset);
    void Trace(const SRB_ExecSCSICmd& srb);
    uint8_t ExecuteOnce(SRB_ExecSCSICmd& srb, uint32_t timeoutMs);
    // Asks the transport to abort the request in flight; true when it then completed.
    bool AbortInFlight(SRB_ExecSCSICmd& inFlight, TSrbEvent& event);
    // Waits up to `ms` (command time) for `srb` to complete; true when StopWaiting gave the
    // wait up first.
    bool AwaitCompletion(TSrbEvent& event, SRB_ExecSCSICmd& srb, uint32_t ms);
    uint32_t TrackField(size_t offset) const;
    uint16_t CapabilitiesWord(size_t offset) const;
};

// Locates a mode page in a MODE SENSE (10) reply: at offset 16 (header and one block
// descriptor), else 8, else 7; `fallback` when found nowhere.
size_t LocateModePage(const uint8_t* reply, uint8_t pageCode, size_t fallback);

// A speed as users see it: "16X (2,822 KB/s)" on CD media, "2.4X (3,324 KB/s)" on DVD media.
std::string WriteSpeedText(uint16_t kbps, bool dvd);
// "Max", then the distinct write speeds the drive accepts for the disc in it, fastest first:
// each speed from the maximum down in steps (176 KB/s on CD media, 700 on DVD media) is set
// and the speed the drive then reports is listed. The drive keeps the last speed tried.
std::vector<std::string> WriteSpeedItems(TSCSIDevice& dev);

// Why a disc with an unfinished track (see HasUnfinishedTrack) takes no new session: its new
// session would start in the middle of a broken one and hide the earlier ones.
std::string UnfinishedSessionText(uint8_t kind, uint32_t start);
// The same, and what to do where the session cannot be closed: erase or copy the disc.
std::string UnfinishedDiscText(uint8_t kind, bool erasable, uint32_t start);

// One trace line for a finished request: "<<< " + optional "nn:ss:zzz " + body + result.
std::string TraceLine(const SRB_ExecSCSICmd& srb, const std::string& lastErrorText, const std::string& timeText);

} // namespace scrivo
