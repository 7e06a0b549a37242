// The image is made by writers, one per structure on the disc (system area, volume
// descriptors, path tables and directory extents of each namespace, El Torito catalog and
// boot images, padding, file data). Each writer has two halves:
//
//   Reserve(pass)  layout: answers how many blocks it takes at pass.Position(), and stores
//                  in the layout (TImageLayout, the tree's entries) whatever others need to
//                  know of its place (a descriptor points at path tables, a directory
//                  record at an extent).
//   Write(sink)    generation: writes exactly those blocks, in address order.
//
// TImageWriters keeps the writers in disc order, which is stated once (MakeWriters of the
// builder); it remembers where the layout put each one and, during generation, checks
// that every writer starts there and writes exactly the blocks it reserved. A mismatch
// throws EImageMismatch naming the writer: a generation error, never a wrong disc.
//
// Adding a structure (Rock Ridge continuation areas, UDF, a partition table) means one
// writer class and one line in that list; the tree writer (bvISOLib_tree_writer.h) takes a
// system-use hook for entries inside directory records.
#pragma once
#include "bvISOLib.h"
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace scrivo {

// The layout and the generation of the image disagree: a fault of the builder.
class EImageMismatch : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

// What a writer sees in the layout pass.
struct TLayoutPass {
    TImageBuilder& Builder; // options and the layout results (TImageOptions, TImageLayout)
    TFileTables& Tables;
    uint64_t Position = 0; // absolute block where the writer being reserved starts
};

// Where generation puts the image's blocks. Blocks written into memory form the metadata
// stream (HeaderStream); blocks of file data are streamed from the file table by the
// read-ahead cache and are only counted here. Memory blocks cannot follow streamed ones.
class TImageSink {
  public:
    virtual ~TImageSink() = default;
    // The absolute block the next write goes to.
    virtual uint64_t Position() const = 0;
    // `count` zeroed blocks of memory for the caller to fill.
    virtual uint8_t* Blocks(uint64_t count) = 0;
    // `count` blocks that the reader of the file table delivers.
    virtual void Streamed(uint64_t count) = 0;
};

class TImageWriter {
  public:
    virtual ~TImageWriter() = default;
    // For messages: what the writer writes ("Joliet directories").
    virtual std::string Name() const = 0;
    virtual uint64_t Reserve(TLayoutPass& pass) = 0;
    virtual void Write(TImageSink& sink) = 0;
};

// The writers of one image in disc order, with the place the layout gave each one.
class TImageWriters {
  public:
    // Appends a writer (the next region of the disc); answers it for wiring.
    template <class W> W& Add(std::unique_ptr<W> w) {
        W& ref = *w;
        regions_.push_back({std::move(w), 0, 0});
        return ref;
    }
    // The first writer of type W, or null.
    template <class W> W* Find() const {
        for (const TRegion& r : regions_)
            if (W* w = dynamic_cast<W*>(r.Writer.get())) return w;
        return nullptr;
    }
    // The position of the first writer of type W in disc order; Count() when there is none.
    template <class W> size_t IndexOf() const {
        for (size_t i = 0; i < regions_.size(); ++i)
            if (dynamic_cast<W*>(regions_[i].Writer.get())) return i;
        return regions_.size();
    }
    size_t Count() const { return regions_.size(); }
    // The layout pass: reserves every writer from `start` on; answers the block after the last.
    uint64_t Reserve(TImageBuilder& builder, TFileTables& tables, uint64_t start);
    // The generation pass; throws EImageMismatch when a writer does not start where it was
    // placed or writes other than the blocks it reserved.
    void Write(TImageSink& sink) { Write(sink, 0, regions_.size()); }
    // The same for the writers [from, to) only (a generation in parts).
    void Write(TImageSink& sink, size_t from, size_t to);
    // Where the layout placed the writer at `index` (Count(): the end of the last one).
    uint64_t StartOf(size_t index) const {
        return index < regions_.size() ? regions_[index].Start
                                       : regions_.empty() ? 0 : regions_.back().Start + regions_.back().Count;
    }

  private:
    struct TRegion {
        std::unique_ptr<TImageWriter> Writer;
        uint64_t Start, Count;
    };
    std::vector<TRegion> regions_;
};

// A sink over the builder's metadata stream, counting blocks from `start`.
class TStreamSink : public TImageSink {
  public:
    TStreamSink(TMemoryStream& stream, uint64_t start) : stream_(stream), start_(start) {}
    uint64_t Position() const override { return start_ + stream_.Size() / SectorSize + streamed_; }
    uint8_t* Blocks(uint64_t count) override;
    void Streamed(uint64_t count) override { streamed_ += count; }

  private:
    TMemoryStream& stream_;
    uint64_t start_;
    uint64_t streamed_ = 0;
};

// A sink that hands each run of memory blocks to `out` as soon as the writer is done with it
// (at its next request), so that a large part (directory extents) is never held whole.
// `out` answering false stops the generation (TPushSink::Stopped is thrown through the
// writers).
class TPushSink : public TImageSink {
  public:
    struct Stopped {};
    using TOut = std::function<bool(const uint8_t* data, size_t bytes)>;
    TPushSink(uint64_t start, TOut out) : start_(start), out_(std::move(out)) {}
    uint64_t Position() const override { return start_ + handed_ + streamed_; }
    uint8_t* Blocks(uint64_t count) override;
    void Streamed(uint64_t count) override;
    // Hands on the last run of blocks.
    void Flush();

  private:
    uint64_t start_;
    TOut out_;
    std::vector<uint8_t> run_;
    uint64_t handed_ = 0, streamed_ = 0;
};

} // namespace scrivo
