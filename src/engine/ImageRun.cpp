#include "engine/ImageRun.h"

namespace scrivo {

int TBuilderFileTable::Count() const { return static_cast<int>(FileTables().Files.size()); }

bool TBuilderFileTable::Entry(int index, TCacheFileEntry& out) const {
    const auto& files = FileTables().Files;
    if (index < 0 || static_cast<size_t>(index) >= files.size() || !files[static_cast<size_t>(index)])
        return false;
    const TFEntry& f = *files[static_cast<size_t>(index)];
    out.IsoSize = f.IsoSize;
    out.Attr = f.Attr;
    out.Imported = f.Imported || f.SharesData(); // no data of its own to stream
    // Only what is streamed needs its path: building it for every empty file and folder
    // of a large tree costs more than the rest of this.
    const bool streamed = (f.Attr & 0x10) == 0 && f.IsoSize > 0 && !out.Imported;
    out.SourcePath = streamed ? f.SourcePath() : std::string();
    return true;
}

bool TSingleFileTable::Entry(int index, TCacheFileEntry& out) const {
    if (index != 0) return false;
    out = TCacheFileEntry{};
    out.SourcePath = path_;
    out.IsoSize = bytes_;
    return true;
}

TImageRun::TImageRun(TImageBuilder& builder, const TRunSettings& settings)
    : builder_(builder), settings_(settings) {}

TImageRun::~TImageRun() = default;

bool TImageRun::Start() {
    const bool raw = !settings_.RawImage.empty();
    bool generated = true;
    if (raw) {
        // The image brings its own metadata; only its extent is laid out.
        rawImage_ = std::make_unique<TSingleFileTable>(settings_.RawImage, uint64_t(settings_.RawImageBytes));
        builder_.ImageSectorCount = (settings_.RawImageBytes + 2047) / 2048;
        builder_.FirstFileLocation = builder_.StartAddress;
        builder_.VolumeSpaceSize = builder_.StartAddress + builder_.ImageSectorCount;
        builder_.HeaderStream.Clear();
    } else {
        builder_.WritingImage = true;
        builder_.PrepareImage(settings_.NoDiscAccess, nullptr);
        // The cache makes the directory records as it reads them: a large tree's are never
        // all in memory at once.
        builder_.StreamDirectories = true;
        generated = builder_.GenerateImage(settings_.NoDiscAccess, nullptr);
        builder_.StreamDirectories = false;
        builder_.WritingImage = false;
    }
    cache_.reset();
    if (!generated) {
        errorText_ = builder_.GenerationError;
        return false;
    }

    TCacheParams p;
    p.CacheSize = settings_.CacheSize;
    p.Lock = settings_.Lock;
    p.BlockSize = settings_.BlockSize;
    p.WritePostGap = settings_.WritePostGap;
    p.ThreadPriorities = settings_.ThreadPriorities;
    p.SectorSums = settings_.SectorSums;
    p.ImageSize = builder_.ImageSectorCount * 2048;
    p.HeaderStream = &builder_.HeaderStream;
    if (!raw && builder_.DeferredMetadataBytes() > 0)
        p.HeaderTail = [this](const std::function<bool(const uint8_t*, size_t)>& out) {
            return builder_.WriteDeferredMetadata(out);
        };
    p.Files = raw ? static_cast<const TCacheFileTable*>(rawImage_.get()) : &files_;
    cache_ = std::make_unique<TCacheThread>(p);

    for (;;) {
        cache_->StateChanged.Reset();
        if (cache_->Primed)
            return true;
        if (!cache_->ErrorText().empty())
            return false;
        cache_->StateChanged.WaitFor(100);
    }
}

int64_t TImageRun::ImageSize() const {
    const int64_t n = builder_.ImageSectorCount;
    return settings_.WritePostGap && n < 300 ? 300 : n;
}

std::string TImageRun::ErrorText() const { return cache_ ? cache_->ErrorText() : errorText_; }

void TImageRun::EndWithError(const std::string& text) {
    cache_->AbortRequested = true;
    cache_->SetErrorText(text);
}

TImageRunResult TImageRun::Deliver(const TBlockSink& sink, const std::function<void(int64_t)>& progress) {
    TImageRunResult r;
    for (;;) {
        if (settings_.AbortFlag && *settings_.AbortFlag) {
            EndWithError(AbortedText);
            break;
        }
        cache_->StateChanged.Reset();
        std::unique_ptr<TCacheBlock> block;
        settings_.Lock->Enter();
        const int32_t a = cache_->TakeBlock(block);
        settings_.Lock->Leave();
        if (!cache_->ErrorText().empty() || a == 0)
            break;
        if (a < 0) {
            cache_->StateChanged.WaitFor(1);
            continue;
        }
        const std::string failed = sink(block->Data, static_cast<uint32_t>(a));
        cache_->RecycleBlock(std::move(block));
        if (!failed.empty()) {
            EndWithError(failed);
            break;
        }
        r.BytesDelivered += a;
        if (progress)
            progress(r.BytesDelivered);
    }
    settings_.Lock->Enter();
    r.ErrorText = cache_->ErrorText();
    settings_.Lock->Leave();
    r.ChangedFiles = cache_->ChangedFiles();
    r.UnreadableFiles = cache_->UnreadableFiles();
    return r;
}

} // namespace scrivo
