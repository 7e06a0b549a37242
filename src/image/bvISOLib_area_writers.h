// The writers of the regions around the trees: the system area, the volume descriptors,
// the padding before the file data and the file data itself.
#pragma once
#include "bvISOLib_namespace.h"
#include "bvISOLib_writers.h"

namespace scrivo {

// The 16 zero blocks before the volume descriptors.
class TSystemAreaWriter : public TImageWriter {
  public:
    std::string Name() const override { return "system area"; }
    uint64_t Reserve(TLayoutPass&) override { return 16; }
    void Write(TImageSink& sink) override { sink.Blocks(16); }
};

// The descriptor set: the primary descriptor (the first namespace), the El Torito boot
// record when there is one, a supplementary descriptor per further namespace, the terminator.
class TVolumeDescriptorWriter : public TImageWriter {
  public:
    TVolumeDescriptorWriter(std::vector<const TNamespace*> namespaces, bool bootRecord)
        : namespaces_(std::move(namespaces)), bootRecord_(bootRecord) {}
    std::string Name() const override { return "volume descriptors"; }
    uint64_t Reserve(TLayoutPass& pass) override;
    void Write(TImageSink& sink) override;

  private:
    std::vector<const TNamespace*> namespaces_;
    bool bootRecord_;
    TImageBuilder* builder_ = nullptr;
    const TFileTables* tables_ = nullptr;
};

// Zero blocks that keep the file data from starting before block 150.
class TPaddingWriter : public TImageWriter {
  public:
    std::string Name() const override { return "padding"; }
    uint64_t Reserve(TLayoutPass& pass) override;
    void Write(TImageSink& sink) override { sink.Blocks(sectors_); }

  private:
    uint32_t sectors_ = 0;
};

// The data of the new files, in file-table order. The blocks are streamed by the reader of
// the file table; generation checks every file starts where the layout placed it.
class TFileDataWriter : public TImageWriter {
  public:
    std::string Name() const override { return "file data"; }
    uint64_t Reserve(TLayoutPass& pass) override;
    void Write(TImageSink& sink) override;

  private:
    const TFileTables* tables_ = nullptr;
    uint64_t sectors_ = 0;
};

} // namespace scrivo
