// GenerateImage: the writers of the laid-out session write its blocks in address order.
#include "bvISOLib_tree_writer.h"
#include "bvISOLib_writers.h"
#include <algorithm>
#include <cstring>

namespace scrivo {

uint8_t DescriptorCopy[DescriptorCopyCapacity];
uint32_t DescriptorCopyLength = 0;
const uint8_t ZeroSector[SectorSize] = {};

namespace {

std::string GenerationFailure(const std::exception& e) {
    if (dynamic_cast<const EImageMismatch*>(&e))
        return std::string("internal error: layout and generation disagree: ") + e.what();
    return e.what();
}

} // namespace

bool TImageBuilder::GenerateImage(bool NoDiscAccess, TDEntry* ImportDir) {
    LastNoDiscAccess = NoDiscAccess;
    LastImportDir = ImportDir;
    HeaderStream.Clear();
    GenerationError.clear();
    deferredFrom_ = 0;
    deferredBytes_ = 0;
    if (!writers_) {
        GenerationError = "internal error: the image was generated before it was laid out";
        return false;
    }
    const size_t deferFrom =
        StreamDirectories ? writers_->IndexOf<TDirectoryWriter>() : writers_->Count();
    const uint64_t deferAt = writers_->StartOf(deferFrom);
    HeaderStream.Reserve((std::min<uint64_t>(deferAt, FirstFileLocation) - StartAddress) * SectorSize);
    TStreamSink sink(HeaderStream, StartAddress);
    try {
        writers_->Write(sink, 0, deferFrom);
    } catch (const std::exception& e) {
        GenerationError = GenerationFailure(e);
    }
    if (!GenerationError.empty()) {
        HeaderStream.Clear();
        return false;
    }
    if (deferFrom < writers_->Count()) {
        deferredFrom_ = deferFrom;
        deferredBytes_ = (uint64_t(FirstFileLocation) - deferAt) * SectorSize;
    }

    std::memset(DescriptorCopy, 0xFF, sizeof DescriptorCopy);
    DescriptorCopyLength = (TerminatorLocation + 1 - StartAddress) * SectorSize;
    std::memcpy(DescriptorCopy, HeaderStream.Data(), DescriptorCopyLength);

    ImageSectorCount = VolumeSpaceSize - StartAddress;
    *DoDebug = true;
    return true;
}

std::string TImageBuilder::WriteDeferredMetadata(const std::function<bool(const uint8_t*, size_t)>& out) {
    if (deferredBytes_ == 0 || !writers_) return "";
    TPushSink sink(writers_->StartOf(deferredFrom_), out);
    try {
        writers_->Write(sink, deferredFrom_, writers_->Count());
        sink.Flush();
    } catch (const TPushSink::Stopped&) {
    } catch (const std::exception& e) {
        return GenerationFailure(e);
    }
    return "";
}

} // namespace scrivo
