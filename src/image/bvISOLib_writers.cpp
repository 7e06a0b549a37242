#include "bvISOLib_writers.h"

namespace scrivo {

uint64_t TImageWriters::Reserve(TImageBuilder& builder, TFileTables& tables, uint64_t start) {
    TLayoutPass pass{builder, tables, start};
    for (TRegion& r : regions_) {
        r.Start = pass.Position;
        r.Count = r.Writer->Reserve(pass);
        pass.Position += r.Count;
    }
    return pass.Position;
}

void TImageWriters::Write(TImageSink& sink, size_t from, size_t to) {
    for (size_t i = from; i < to && i < regions_.size(); ++i) {
        TRegion& r = regions_[i];
        const std::string name = r.Writer->Name();
        if (sink.Position() != r.Start)
            throw EImageMismatch(name + " start at block " + std::to_string(sink.Position()) +
                                 ", laid out at " + std::to_string(r.Start));
        r.Writer->Write(sink);
        const uint64_t written = sink.Position() - r.Start;
        if (written != r.Count)
            throw EImageMismatch(name + " wrote " + std::to_string(written) + " blocks, laid out " +
                                 std::to_string(r.Count));
    }
}

uint8_t* TStreamSink::Blocks(uint64_t count) {
    if (streamed_ > 0) throw EImageMismatch("metadata blocks after streamed file data");
    return stream_.Extend(count * SectorSize);
}

uint8_t* TPushSink::Blocks(uint64_t count) {
    if (streamed_ > 0) throw EImageMismatch("metadata blocks after streamed file data");
    Flush();
    run_.assign(count * SectorSize, 0);
    handed_ += count;
    return run_.data();
}

void TPushSink::Streamed(uint64_t count) {
    Flush();
    streamed_ += count;
}

void TPushSink::Flush() {
    if (run_.empty()) return;
    if (!out_(run_.data(), run_.size())) throw Stopped{};
    run_.clear();
}

} // namespace scrivo
