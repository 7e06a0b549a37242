// GenerateImage: the writers of the laid-out session write its blocks in address order.
#include "bvISOLib_writers.h"
#include <cstring>

namespace scrivo {

uint8_t DescriptorCopy[DescriptorCopyCapacity];
uint32_t DescriptorCopyLength = 0;
const uint8_t ZeroSector[SectorSize] = {};

bool TImageBuilder::GenerateImage(bool NoDiscAccess, TDEntry* ImportDir) {
    LastNoDiscAccess = NoDiscAccess;
    LastImportDir = ImportDir;
    HeaderStream.Clear();
    GenerationError.clear();
    if (!writers_) {
        GenerationError = "internal error: the image was generated before it was laid out";
        return false;
    }
    HeaderStream.Reserve((uint64_t(FirstFileLocation) - StartAddress) * SectorSize);
    TStreamSink sink(HeaderStream, StartAddress);
    try {
        writers_->Write(sink);
    } catch (const EImageMismatch& e) {
        GenerationError = std::string("internal error: layout and generation disagree: ") + e.what();
    } catch (const std::exception& e) {
        GenerationError = e.what();
    }
    if (!GenerationError.empty()) {
        HeaderStream.Clear();
        return false;
    }

    std::memset(DescriptorCopy, 0xFF, sizeof DescriptorCopy);
    DescriptorCopyLength = (TerminatorLocation + 1 - StartAddress) * SectorSize;
    std::memcpy(DescriptorCopy, HeaderStream.Data(), DescriptorCopyLength);

    ImageSectorCount = VolumeSpaceSize - StartAddress;
    *DoDebug = true;
    return true;
}

} // namespace scrivo
