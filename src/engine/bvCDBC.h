// The burner component: the drive component extended with the file tree and image builder,
// the recording run (read-ahead cache feeding the write thread) and the settings and events a
// host uses. One recording run exists per process; see bvCDBC_run.h for its shared state.
#pragma once
#include "device/bvDrvLib.h"
#include "image/bvISOLib.h"
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scrivo {

class TBrenvik;
class TBrenvikDisc;
struct TRunSettings;

using TWriteDoneEvent = std::function<void(TBrenvik* Sender, const std::string& Error)>;
using TFinalizingTrackEvent = std::function<void(void* Sender)>;

constexpr int32_t MinCacheSize = 2097152;
constexpr int32_t DefaultCacheSize = 4194304;
constexpr const char* EngineVersion = "1.21";
constexpr const char* MetadataMismatch = "(sectors outside every file: the volume and directory records)";
// The run's error when the user stopped it while the session, recorded and closed, was being
// read back: nothing of the recording was lost.
constexpr const char* VerifyAbortedText = "VERIFICATION ABORTED BY USER (THE SESSION WAS RECORDED)";
// Images shorter than this are padded with zero sectors when WritePostGap is set.
constexpr int64_t PostGapSectors = 300;
// A drive still reporting "not ready" an hour after a FORMAT UNIT is given up on.
constexpr int64_t FormatReadyBudgetMs = 3600000;

class TBrenvik : public TSCSIDevice, public TImageBuilder {
public:
    explicit TBrenvik(void* Owner = nullptr);
    ~TBrenvik() override;

    // Both halves have a DoDebug; the published one is the drive component's, and the
    // builder follows it through its pointer.
    using TSCSIDevice::DoDebug;

    // ---- Published settings (plain fields unless they have a setter)
    bool FinalizeTrack = true;
    bool PerformOPC = false;
    bool WritePostGap = true;
    std::string ISOFileName;
    TWriteDoneEvent OnWriteDone;
    TFinalizingTrackEvent OnFinalizingTrack;

    int32_t CacheSize() const { return cacheSize_; }
    void SetCacheSize(int32_t bytes);
    std::string Version() const { return EngineVersion; }
    void SetVersion(const std::string&) {}
    bool ASPIInitialized() const { return TransportReady(); }

    // ---- The recording run
    // Prepares the image and starts a run on the selected drive; true when the write thread
    // was started. Blocks until the cache has filled. On failure OnWriteDone has been called.
    bool StartWrite();
    // Asks the running write thread to stop; returns at once.
    void AbortWrite();
    // Stops a recording and waits until it and any erase have ended and reported their end;
    // for an owner about to go, whose handlers must not be called after it.
    void EndRun();

    // Image size in sectors, with the 300-sector minimum when WritePostGap is set.
    int64_t ImageSize() const;
    int CacheFillPercent() const;
    std::atomic<int64_t> BytesWritten{0};
    // When set, StartWrite records this existing image as the session, byte for byte (its
    // last sector padded with zeros), instead of the file tree: at address 0 of an
    // overwritable disc, replacing what it held, else at the next writable address (an
    // image made for address 0 is readable there only when the disc is blank).
    std::string RawImageFile;
    // Read the new session back after it was closed and compare it with what was written.
    bool VerifyWrite = false;
    // While the run verifies: set, and the bytes compared so far.
    std::atomic<bool> Verifying{false};
    std::atomic<int64_t> BytesVerified{0};
    // The sources whose data on the disc differs from what was written (set before OnWriteDone);
    // metadata that differs is named as MetadataMismatch.
    std::vector<std::string> MismatchedFiles;
    // The text the write thread hands to OnWriteDone.
    std::string LastRunError;
    // Sources of the last run that went out with zeros for bytes they did not deliver: those
    // whose size changed since they were added, and those that could not be opened or read.
    std::vector<std::string> ChangedFiles() const;
    std::vector<std::string> UnreadableFiles() const;

    // Sleeps through the drive component's time seam (tests replace it).
    void Pause(uint32_t ms) { DoSleep(ms); }

private:
    bool FormatDVDRW(uint8_t kind);
    void StartWriteThread();
    // Ends a start that failed with `text`, or with the drive's silence when a command of
    // the start got no answer: the failure then tells nothing of the disc.
    void FailStart(const std::string& text);
    // Sets the start address and size of a raw image run; false (OnWriteDone called) when
    // the image cannot be read or the drive gives no start address.
    bool PrepareRawImage(uint8_t kind, TRunSettings& settings);

    int32_t cacheSize_ = DefaultCacheSize;
    uint32_t unansweredAtStart_ = 0; // UnansweredCommands() when StartWrite began
    std::unique_ptr<TBrenvikDisc> disc_;
};

} // namespace scrivo
