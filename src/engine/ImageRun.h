// One run from the file tree to the byte stream of a new session: the layout at the
// start address, the metadata, the read-ahead cache over every source file, and a
// consumer that hands each block on. The recording component drives the same run with
// its write thread as the consumer; `scrivo image` drives it with a file as the sink.
#pragma once
#include "engine/bvCache.h"
#include "image/bvISOLib.h"
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scrivo {

// What the burner component lends a run.
struct TRunSettings {
    TCriticalSection* Lock = nullptr; // the component's recursive lock
    int32_t CacheSize = 4194304;
    int32_t BlockSize = 65536;
    bool WritePostGap = true;
    bool NoDiscAccess = true;               // lay out without asking a disc (start address 0)
    bool ThreadPriorities = true;           // the cache's priority follows its fill level
    bool SectorSums = false;                // the cache checksums every sector (for a verify)
    const std::atomic<bool>* AbortFlag = nullptr; // the run's abort request, read between blocks
    // An existing image to stream as it is instead of the file tree (no layout, no metadata),
    // starting at the builder's StartAddress; its last sector is padded with zeros.
    std::string RawImage;
    int64_t RawImageBytes = 0;
};

// The file table of the image builder as the cache reads it.
class TBuilderFileTable : public TCacheFileTable {
public:
    int Count() const override;
    bool Entry(int index, TCacheFileEntry& out) const override;
};

struct TImageRunResult {
    std::string ErrorText;                    // empty on success
    std::vector<std::string> ChangedFiles;    // sources whose size changed since they were added
    std::vector<std::string> UnreadableFiles; // sources that could not be opened or read
    int64_t BytesDelivered = 0;
};

// A single file as the whole table: an existing image streamed as it is.
class TSingleFileTable : public TCacheFileTable {
  public:
    TSingleFileTable(const std::string& path, uint64_t bytes) : path_(path), bytes_(bytes) {}
    int Count() const override { return 1; }
    bool Entry(int index, TCacheFileEntry& out) const override;

  private:
    std::string path_;
    uint64_t bytes_;
};

class TImageRun {
public:
    TImageRun(TImageBuilder& builder, const TRunSettings& settings);
    ~TImageRun();

    // Lays the image out, generates its metadata and starts the cache; then waits until
    // the cache has filled. False when generation or the cache failed (ErrorText says why).
    bool Start();
    // Sectors the run delivers: the image, or 300 with the post gap when it is shorter.
    int64_t ImageSize() const;
    TCacheThread* Cache() const { return cache_.get(); }
    std::string ErrorText() const;

    // A sink answers an error text, empty when it took the block.
    using TBlockSink = std::function<std::string(const uint8_t* data, uint32_t length)>;
    // Takes every block from the cache and hands it to `sink` until the image is complete,
    // the cache fails, the sink fails or the abort flag is set.
    TImageRunResult Deliver(const TBlockSink& sink, const std::function<void(int64_t bytes)>& progress = {});

    // Ends the run with `text`: the cache stops and keeps the text.
    void EndWithError(const std::string& text);

private:
    TImageBuilder& builder_;
    TRunSettings settings_;
    TBuilderFileTable files_;
    std::unique_ptr<TSingleFileTable> rawImage_;
    std::unique_ptr<TCacheThread> cache_;
    std::string errorText_; // why the run could not start before the cache did
};

} // namespace scrivo
