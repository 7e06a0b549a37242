#include "engine/bvCache.h"
#include "engine/SectorChecksum.h"
#include "platform/DateTime.h"
#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {

constexpr int32_t SectorBytes = 2048;
constexpr const char* TableErrorText = "INTERNAL ERROR 0005";

TThreadPriority PriorityOfLevel(uint8_t level) {
    switch (level) {
    case 0: return TThreadPriority::Idle;
    case 1: return TThreadPriority::Lowest;
    case 2: return TThreadPriority::Lower;
    default: return TThreadPriority::Normal;
    }
}

// Reads up to `count` bytes, following short reads until the stream delivers nothing.
uint32_t ReadFully(TStreamEx* s, uint8_t* dest, uint32_t count) {
    uint32_t got = 0;
    if (!s)
        return 0;
    while (got < count) {
        const uint32_t n = s->Read(dest + got, count - got);
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

class Locked {
public:
    explicit Locked(TCriticalSection* cs) : cs_(cs) { cs_->Enter(); }
    ~Locked() { cs_->Leave(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    TCriticalSection* cs_;
};

} // namespace

std::string CantOpenText(const std::string& path) {
    return "CAN'T OPEN FILE \"" + path + "\" OR FILE IS IN USES BY OTHER SOFTWARE";
}

uint8_t CachePriorityLevel(int count, int32_t maxBlocks) {
    if (count < maxBlocks / 4)
        return 3;
    if (count < maxBlocks / 2)
        return 2;
    return 1;
}

TCacheThread::TCacheThread(const TCacheParams& p)
    : TThread(true), lock_(p.Lock), blockSize_(p.BlockSize), postGapPadding_(false), imageSize_(p.ImageSize),
      header_(p.HeaderStream), headerTail_(p.HeaderTail), files_(p.Files), lingerMs_(p.LingerMs),
      threadPriorities_(p.ThreadPriorities), sectorSums_(p.SectorSums) {
    // Blocks carry whole sectors and fit the block record.
    blockSize_ = std::clamp<int32_t>(blockSize_ / SectorBytes * SectorBytes, SectorBytes, CacheBlockCapacity);
    // Fewer than two blocks would leave no room ever ("full" is MaxBlocks - 1 queued).
    maxBlocks_ = std::max<int32_t>(p.CacheSize / blockSize_, 2);
    resumeAt_ = maxBlocks_ - 1 - std::max<int32_t>(maxBlocks_ / 4, 1);
    wakeAt_ = std::min<int32_t>(4, maxBlocks_ - 1);
    if (threadPriorities_)
        SetPriority(TThreadPriority::Lower);
    PriorityLevel = 2;
    RemainingBytes = imageSize_;
    PadBytes = imageSize_;
    postGapPadding_ = p.WritePostGap && imageSize_ < PostGapImageBytes;
    Resume();
}

TCacheThread::~TCacheThread() {
    // A thread still producing stops as on an abort; one lingering ends at once.
    releasing_ = true;
    AbortRequested = true;
    releaseEvent_.Set();
    WaitFor();
}

void TCacheThread::Signal() { StateChanged.Set(); }

// Fresh 64 KiB allocations would be returned to the system and faulted in again for
// every block; the blocks of a run are reused instead.
std::unique_ptr<TCacheBlock> TCacheThread::NewBlock() {
    {
        Locked l(lock_);
        if (!spare_.empty()) {
            std::unique_ptr<TCacheBlock> b = std::move(spare_.back());
            spare_.pop_back();
            b->SummedSectors = 0;
            return b;
        }
    }
    auto b = std::make_unique_for_overwrite<TCacheBlock>();
    b->SummedSectors = 0;
    return b;
}

void TCacheThread::SumSectors() {
    TCacheBlock& b = *current_;
    const int32_t whole = partial_ / SectorBytes;
    if (!sectorSums_ || whole <= b.SummedSectors)
        return;
    SectorChecksums(b.Data + size_t(b.SummedSectors) * SectorBytes, size_t(whole - b.SummedSectors),
                    b.Sums + b.SummedSectors);
    b.SummedSectors = whole;
}

void TCacheThread::RecycleBlock(std::unique_ptr<TCacheBlock> block) {
    Locked l(lock_);
    if (block && static_cast<int32_t>(spare_.size()) < maxBlocks_)
        spare_.push_back(std::move(block));
}

std::string TCacheThread::ErrorText() const {
    Locked l(lock_);
    return errorText_;
}

void TCacheThread::SetErrorText(const std::string& text) {
    Locked l(lock_);
    errorText_ = text;
}

std::string TCacheThread::CurrentFile() const {
    Locked l(lock_);
    return currentFile_;
}

std::vector<std::string> TCacheThread::ChangedFiles() const {
    Locked l(lock_);
    return changedFiles_;
}

std::vector<std::string> TCacheThread::UnreadableFiles() const {
    Locked l(lock_);
    return unreadableFiles_;
}

int TCacheThread::QueueCount() const {
    Locked l(lock_);
    return static_cast<int>(queue_.size());
}

void TCacheThread::SetLevel(uint8_t level) {
    if (level == PriorityLevel)
        return;
    PriorityLevel = level;
    if (threadPriorities_)
        SetPriority(PriorityOfLevel(level));
}

void TCacheThread::Fail(const std::string& text) {
    {
        Locked l(lock_);
        errorText_ = text;
        Done = true;
    }
    source_.reset();
    Signal();
}

void TCacheThread::RunAbort() {
    while (ConsumerBusy)
        SleepMs(10);
    ProducerBusy = true;
    {
        Locked l(lock_);
        queue_.clear();
        BufferedBytes = 0;
        if (errorText_.empty())
            errorText_ = AbortedText;
        Done = true;
        source_.reset();
    }
    Signal();
}

int TCacheThread::QueueCurrent() {
    SumSectors();
    current_->Length = partial_;
    queue_.push_back(std::move(current_));
    partial_ = 0;
    // A consumer that ran dry is woken once a few blocks are ready, not for each one (it also
    // looks again every millisecond, and the end of the image is signalled on its own).
    const int count = static_cast<int>(queue_.size());
    if (count >= wakeAt_)
        Signal();
    return count;
}

// Answers false when the thread must end (abort). A full queue is topped up again once a
// quarter of it was taken, not after every block: reader and writer then wake each other a
// few times per queue rather than for every block.
bool TCacheThread::WaitForRoom(int count, bool duringHeader) {
    if (count < maxBlocks_ - 1)
        return true;
    while (count > resumeAt_) {
        if (!duringHeader) {
            SetLevel(0);
            if (AbortRequested) {
                RunAbort();
                return false;
            }
        }
        if (!Primed) {
            Primed = true;
            Signal();
        }
        roomEvent_.Reset();
        {
            Locked l(lock_);
            count = static_cast<int>(queue_.size());
        }
        if (count > resumeAt_)
            roomEvent_.WaitFor(1);
        if (duringHeader && releasing_)
            return false;
    }
    return true;
}

bool TCacheThread::AppendHeader(const uint8_t* data, uint64_t bytes) {
    while (bytes > 0) {
        if (!current_) {
            current_ = NewBlock();
            partial_ = 0;
        }
        const int32_t n =
            static_cast<int32_t>(std::min<uint64_t>(bytes, static_cast<uint64_t>(blockSize_ - partial_)));
        std::memcpy(current_->Data + partial_, data, static_cast<size_t>(n));
        partial_ += n;
        SumSectors();
        data += n;
        bytes -= static_cast<uint64_t>(n);
        int count;
        {
            Locked l(lock_);
            if (partial_ == blockSize_)
                QueueCurrent();
            count = static_cast<int>(queue_.size());
            BufferedBytes += n;
        }
        if (!WaitForRoom(count, true))
            return false;
    }
    // The file data goes on in the block the metadata did not fill.
    room_ = current_ ? blockSize_ - partial_ : 0;
    return true;
}

bool TCacheThread::ProduceHeader() {
    room_ = 0;
    if (header_ && !AppendHeader(header_->Data(), header_->Size()))
        return false;
    if (header_)
        header_->Clear();
    if (!headerTail_)
        return true;
    bool stopped = false;
    const std::string failed = headerTail_([this, &stopped](const uint8_t* data, size_t bytes) {
        stopped = !AppendHeader(data, bytes);
        return !stopped;
    });
    if (!failed.empty()) {
        Fail(failed);
        return false;
    }
    return !stopped;
}

void TCacheThread::NoteChangedFile(const std::string& path) {
    Locked l(lock_);
    if (changedFiles_.empty() || changedFiles_.back() != path)
        changedFiles_.push_back(path);
}

void TCacheThread::NoteUnreadableFile(const std::string& path) {
    Locked l(lock_);
    if (unreadableFiles_.empty() || unreadableFiles_.back() != path)
        unreadableFiles_.push_back(path);
}

bool TCacheThread::ProduceFile(const std::string& path, uint64_t size, bool lastIndex, bool checkSize) {
    uint64_t left = size;
    bool shortNoted = false;
    while (left > 0) {
        if (room_ == 0) {
            partial_ = 0;
            room_ = blockSize_;
        }
        if (!current_)
            current_ = NewBlock();
        const int32_t n = static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(room_), left));
        const int32_t s = (n + SectorBytes - 1) / SectorBytes * SectorBytes;
        uint8_t* at = current_->Data + partial_;
        // A file that failed to read once is not read again: the rest of it are zeros.
        const uint32_t got = shortNoted ? 0 : ReadFully(source_.get(), at, static_cast<uint32_t>(n));
        // Never let stale bytes of an earlier block reach the disc: what the file does
        // not deliver, and the rest of its last sector, are zeros.
        std::memset(at + got, 0, static_cast<size_t>(s) - got);
        if (got < static_cast<uint32_t>(n) && checkSize && !shortNoted) {
            if (source_ && source_->ReadFailed)
                NoteUnreadableFile(path);
            else
                NoteChangedFile(path);
            shortNoted = true;
        }
        partial_ += s;
        room_ -= s;
        SumSectors(); // while the sectors just read are still in the processor's cache
        if (AbortRequested) {
            RunAbort();
            return false;
        }
        int count;
        {
            Locked l(lock_);
            ProducerBusy = false;
            if (lastIndex || room_ == 0)
                QueueCurrent();
            count = static_cast<int>(queue_.size());
            BufferedBytes += s;
            left -= static_cast<uint64_t>(n);
        }
        SetLevel(CachePriorityLevel(count, maxBlocks_));
        if (!WaitForRoom(count, false))
            return false;
    }
    // A file that grew since it was added goes out cut to its recorded size.
    if (checkSize && !shortNoted && source_->GetSize() != static_cast<int64_t>(size))
        NoteChangedFile(path);
    return true;
}

bool TCacheThread::ProduceEntries() {
    for (int index = 0;; ++index) {
        const int count = files_ ? files_->Count() : 0;
        if (index >= count)
            break;
        TCacheFileEntry e;
        if (!files_->Entry(index, e)) {
            Fail(TableErrorText);
            return false;
        }
        // Entries that take no sectors of their own in the layout.
        if ((e.Attr & 0x10) != 0 || e.SourcePath.empty() || e.IsoSize == 0 || e.Imported)
            continue;
        {
            Locked l(lock_);
            currentFile_ = e.SourcePath;
        }
        source_.reset();
        bool opened = true;
        try {
            source_ = std::make_unique<TFileStreamEx>(e.SourcePath, fmOpenReadShared);
        } catch (const EFOpenError&) {
            // Before the run starts nothing is lost by refusing it; once it writes, a file
            // that went away costs only its own bytes, not the disc.
            if (!Primed) {
                Fail(CantOpenText(e.SourcePath));
                return false;
            }
            NoteUnreadableFile(e.SourcePath);
            opened = false;
        }
        if (!ProduceFile(e.SourcePath, e.IsoSize, index == count - 1, opened))
            return false;
    }
    return true;
}

void TCacheThread::QueuePadding() {
    Locked l(lock_);
    PadBytes = PostGapImageBytes - imageSize_;
    RemainingBytes += PadBytes;
    while (PadBytes > 0) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(blockSize_, PadBytes));
        auto block = NewBlock();
        std::memset(block->Data, 0, static_cast<size_t>(n));
        block->Length = n;
        if (sectorSums_) {
            block->SummedSectors = n / SectorBytes;
            SectorChecksums(block->Data, size_t(block->SummedSectors), block->Sums);
        }
        queue_.push_back(std::move(block));
        BufferedBytes += n;
        PadBytes -= n;
    }
    Signal();
}

void TCacheThread::FinishAndLinger() {
    Primed = true;
    Signal();
    for (;;) {
        roomEvent_.Reset();
        // Everything queued has been taken: the image is complete, or shorter than its
        // layout said, which must end the run rather than keep the consumer waiting.
        if (RemainingBytes <= 0 || QueueCount() == 0) {
            Done = true;
            Signal();
            releaseEvent_.WaitFor(lingerMs_);
            return;
        }
        if (AbortRequested) {
            while (ConsumerBusy)
                SleepMs(10);
            ProducerBusy = true;
            Done = true;
            Signal();
            return;
        }
        roomEvent_.WaitFor(10);
    }
}

void TCacheThread::Execute() {
    BufferedBytes = 0;
    AbortRequested = releasing_.load();
    Done = false;
    SetErrorText("");
    partial_ = 0;
    room_ = 0;
    if (!ProduceHeader()) {
        RunAbort();
        return;
    }
    if (!ProduceEntries())
        return;
    if (partial_ > 0) {
        Locked l(lock_);
        QueueCurrent();
    }
    source_.reset();
    if (postGapPadding_)
        QueuePadding();
    FinishAndLinger();
}

int32_t TCacheThread::TakeBlock(void* dest) {
    std::unique_ptr<TCacheBlock> block;
    const int32_t length = TakeBlock(block);
    if (length > 0)
        std::memcpy(dest, block->Data, static_cast<size_t>(length));
    RecycleBlock(std::move(block));
    return length;
}

int32_t TCacheThread::TakeBlock(std::unique_ptr<TCacheBlock>& block) {
    if (RemainingBytes == 0 && Done)
        return 0;
    {
        Locked l(lock_);
        if (queue_.empty())
            return Done ? 0 : -1;
    }
    while (ProducerBusy) {
        if (AbortRequested)
            return 0;
        SleepMs(1);
    }
    Locked l(lock_);
    ConsumerBusy = true;
    int32_t length = 0;
    if (!queue_.empty()) {
        block = std::move(queue_.front());
        queue_.pop_front();
        length = block->Length;
        BufferedBytes -= length;
        RemainingBytes -= length;
    }
    ConsumerBusy = false;
    if (static_cast<int>(queue_.size()) <= resumeAt_)
        roomEvent_.Set();
    return length;
}

} // namespace scrivo
