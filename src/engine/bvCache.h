// The read-ahead cache: a thread that reads the image of a recording run in write
// order (the metadata stream the image builder made, then every source file) into a
// bounded queue of blocks that the write thread takes one at a time.
#pragma once
#include "engine/bvStreamEx.h"
#include "image/MemoryStream.h"
#include "platform/Threads.h"
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scrivo {

constexpr int32_t CacheBlockCapacity = 65536;
constexpr int64_t PostGapImageBytes = 300 * 2048;

// What the cache needs to know of one file-table entry.
struct TCacheFileEntry {
    std::string SourcePath; // may be left empty for an entry with no data to stream
    uint64_t IsoSize = 0;
    uint32_t Attr = 0;
    bool Imported = false;
};

// The file table as the cache reads it, from its own thread, while nothing is added.
class TCacheFileTable {
public:
    virtual ~TCacheFileTable() = default;
    virtual int Count() const = 0;
    // False when the entry cannot be read.
    virtual bool Entry(int index, TCacheFileEntry& out) const = 0;
};

// What a recording run lends the cache. The lock is the burner component's recursive
// lock; the header stream and the file table must outlive the cache thread.
struct TCacheParams {
    int32_t CacheSize = 4194304;
    TCriticalSection* Lock = nullptr;
    int32_t BlockSize = CacheBlockCapacity;
    bool WritePostGap = true;
    int64_t ImageSize = 0; // bytes, without the post-gap minimum
    TMemoryStream* HeaderStream = nullptr;
    // Metadata made while it is read, after HeaderStream: it hands its bytes in order to
    // the function it is given (which answers false when the cache stops) and answers ""
    // or why it failed. Unset when HeaderStream holds all of it.
    std::function<std::string(const std::function<bool(const uint8_t*, size_t)>&)> HeaderTail;
    const TCacheFileTable* Files = nullptr;
    // How long the thread stays after the last block was taken; destroying the cache
    // object ends the wait early.
    uint32_t LingerMs = 1000;
    // Follow the fill level with the thread's priority, so that reading ahead never
    // competes with a time-critical writer. A consumer without a deadline (an image file)
    // turns it off: on a busy system the reader would otherwise starve at idle priority.
    bool ThreadPriorities = true;
    // Keep each block's sector checksums, made while its bytes are fresh from the source,
    // for a verification after the recording.
    bool SectorSums = false;
};

struct TCacheBlock {
    int32_t Length = 0;
    int32_t SummedSectors = 0; // whole sectors of Data with their checksum in Sums
    uint32_t Sums[CacheBlockCapacity / 2048];
    uint8_t Data[CacheBlockCapacity];
};

class TCacheThread : public TThread {
public:
    explicit TCacheThread(const TCacheParams& params);
    ~TCacheThread() override;

    // Copies the oldest block into `dest` (at least 65,536 bytes) and answers its
    // length; 0 at the end of the image or after an abort; -1 while none is queued yet.
    // The write thread calls it holding the lock.
    int32_t TakeBlock(void* dest);
    // The same, handing over the block itself instead of a copy of its bytes; the taker
    // gives it back with RecycleBlock when done, so blocks are reused, not reallocated.
    int32_t TakeBlock(std::unique_ptr<TCacheBlock>& block);
    void RecycleBlock(std::unique_ptr<TCacheBlock> block);

    std::string ErrorText() const;
    void SetErrorText(const std::string& text);
    std::string CurrentFile() const;
    // Files that delivered a different number of bytes than they had when they were
    // added: their missing bytes went out as zeros (the layout on disc stays valid).
    std::vector<std::string> ChangedFiles() const;
    // Files that could not be opened (once the run was under way) or read: what they did not
    // deliver went out as zeros.
    std::vector<std::string> UnreadableFiles() const;
    int QueueCount() const;
    int32_t MaxBlocks() const { return maxBlocks_; }
    int32_t BlockSize() const { return blockSize_; }
    bool PostGapPadding() const { return postGapPadding_; }

    std::atomic<bool> AbortRequested{false};
    std::atomic<bool> Done{false};
    std::atomic<bool> Primed{false};
    std::atomic<bool> ProducerBusy{false};
    std::atomic<bool> ConsumerBusy{false};
    std::atomic<int64_t> BufferedBytes{0};
    std::atomic<int64_t> RemainingBytes{0};
    std::atomic<int64_t> PadBytes{0};
    // 0 idle, 1 lowest, 2 below normal, 3 normal.
    std::atomic<uint8_t> PriorityLevel{2};
    // Set whenever a block is queued or Primed or Done changes, for waiters that would
    // rather not poll (the host waiting for Primed, a consumer that got -1).
    TEvent StateChanged;

protected:
    void Execute() override;

private:
    bool ProduceHeader();
    // Appends metadata bytes to the blocks being built, queueing each one that fills up;
    // false when the thread must end.
    bool AppendHeader(const uint8_t* data, uint64_t bytes);
    bool ProduceEntries();
    // Streams `size` bytes of the open source (zeros when there is none) as whole sectors;
    // with `checkSize`, a source of another size is noted as changed.
    bool ProduceFile(const std::string& path, uint64_t size, bool lastIndex, bool checkSize);
    void QueuePadding();
    void FinishAndLinger();
    // Queues `partial` bytes of the current block; answers the queue length.
    int QueueCurrent();
    bool WaitForRoom(int count, bool duringHeader);
    void RunAbort();
    void Fail(const std::string& text);
    void SetLevel(uint8_t level);
    void NoteChangedFile(const std::string& path);
    void NoteUnreadableFile(const std::string& path);
    void Signal();
    std::unique_ptr<TCacheBlock> NewBlock();
    // Checksums the whole sectors of the current block that have none yet.
    void SumSectors();

    TCriticalSection* lock_;
    int32_t blockSize_;
    int32_t maxBlocks_;
    int32_t resumeAt_; // a full queue is filled again once it is down to this many blocks
    int32_t wakeAt_;   // a consumer waiting for blocks is woken once this many are queued
    bool postGapPadding_;
    int64_t imageSize_;
    TMemoryStream* header_;
    std::function<std::string(const std::function<bool(const uint8_t*, size_t)>&)> headerTail_;
    const TCacheFileTable* files_;
    uint32_t lingerMs_;
    bool threadPriorities_;
    bool sectorSums_;

    std::deque<std::unique_ptr<TCacheBlock>> queue_;
    std::vector<std::unique_ptr<TCacheBlock>> spare_; // taken blocks kept for reuse
    std::unique_ptr<TCacheBlock> current_; // the block being assembled (the staging area)
    int32_t partial_ = 0;
    int32_t room_ = 0;
    std::unique_ptr<TFileStreamEx> source_;
    std::string errorText_;
    std::string currentFile_;
    std::vector<std::string> changedFiles_;
    std::vector<std::string> unreadableFiles_;

    TEvent roomEvent_;    // a block was taken
    TEvent releaseEvent_; // the object is being destroyed
    std::atomic<bool> releasing_{false};
};

// The run's end text for a source that cannot be opened.
std::string CantOpenText(const std::string& path);

// The run's end text when the user stops it (while reading ahead, writing or verifying).
inline constexpr const char* AbortedText = "OPERATION ABORTED BY USER";

// The thread priority level for a queue holding `count` of `maxBlocks` blocks.
uint8_t CachePriorityLevel(int count, int32_t maxBlocks);

} // namespace scrivo
