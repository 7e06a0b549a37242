#include "engine/bvCDBC.h"
#include "engine/bvCDBC_disc.h"
#include "engine/bvCDBC_run.h"
#include "engine/bvCDBC_write.h"
#include <cmath>

namespace scrivo {

namespace {
constexpr size_t HeaderStreamReserve = 67108864; // 64 MiB
constexpr int InitialMaxFiles = 65535;
constexpr int InitialMaxDirs = 8191;
} // namespace

TWriteRun& WriteRun() {
    static TWriteRun run;
    return run;
}

TBrenvik::TBrenvik(void*) : disc_(std::make_unique<TBrenvikDisc>(*this)) {
    HeaderStream.Reserve(HeaderStreamReserve);
    WritePostGap = true;
    Sender = static_cast<TSCSIDevice*>(this);
    TImageBuilder::DoDebug = &(static_cast<TSCSIDevice*>(this)->DoDebug);
    ReportMessage = [this](const std::string& text, uint8_t type) { DebugMessage(text, type); };
    Disc = disc_.get();
    ClearFiles(InitialMaxFiles, InitialMaxDirs);
    SetCacheSize(DefaultCacheSize);
    JolietFileSystem = true;
    FinalizeTrack = true;
    UnderrunProtection = true;
}

TBrenvik::~TBrenvik() {
    EndRun();
    TWriteRun& run = WriteRun();
    if (run.Component == this) {
        run.Image.reset();
        run.Component = nullptr;
    }
    Disc = nullptr;
}

void TBrenvik::EndRun() {
    TWriteRun& run = WriteRun();
    // The write thread works on this object to its last statement: stop it and let it
    // deliver its end (OnWriteDone comes through the main thread).
    if (run.Component == this && !run.ThreadEnded.IsSet()) {
        run.RunAbortFlag = true;
        while (!run.ThreadEnded.IsSet()) {
            if (IsMainThread())
                CheckSynchronize(10);
            else
                run.ThreadEnded.WaitFor(10);
        }
    }
    if (run.Component == this)
        JoinWriteThread(run);
    WaitForErase();
}

void JoinWriteThread(TWriteRun& run) {
    delete run.WriteThread; // a thread not freeing itself is joined by its destructor
    run.WriteThread = nullptr;
}

void TBrenvik::SetCacheSize(int32_t bytes) {
    cacheSize_ = bytes < MinCacheSize ? MinCacheSize : bytes - bytes % 2048;
}

int64_t TBrenvik::ImageSize() const {
    return WritePostGap && ImageSectorCount < PostGapSectors ? PostGapSectors : ImageSectorCount;
}

int TBrenvik::CacheFillPercent() const {
    const TWriteRun& run = WriteRun();
    const TCacheThread* cache = run.Cache();
    if (!run.WritingFlag || !cache)
        return 0;
    const int32_t buffered = static_cast<int32_t>(static_cast<uint32_t>(cache->BufferedBytes.load()));
    return static_cast<int>(std::nearbyint(double(buffered) / double(cacheSize_) * 100.0));
}

std::vector<std::string> TBrenvik::ChangedFiles() const {
    const TCacheThread* cache = WriteRun().Cache();
    return cache ? cache->ChangedFiles() : std::vector<std::string>();
}

std::vector<std::string> TBrenvik::UnreadableFiles() const {
    const TCacheThread* cache = WriteRun().Cache();
    return cache ? cache->UnreadableFiles() : std::vector<std::string>();
}

void TBrenvik::AbortWrite() { WriteRun().RunAbortFlag = true; }

} // namespace scrivo
