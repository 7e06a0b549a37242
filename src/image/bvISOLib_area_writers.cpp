#include "bvISOLib_area_writers.h"
#include "bvISOLib_layout.h"
#include "bvISOLib_records.h"

namespace scrivo {

// ---- Volume descriptors ----

uint64_t TVolumeDescriptorWriter::Reserve(TLayoutPass& pass) {
    builder_ = &pass.Builder;
    tables_ = &pass.Tables;
    uint64_t at = pass.Position;
    for (size_t i = 0; i < namespaces_.size(); ++i) {
        pass.Builder.*namespaces_[i]->DescriptorLocation = static_cast<uint32_t>(at++);
        if (i == 0 && bootRecord_) pass.Builder.BootRecordLocation = static_cast<uint32_t>(at++);
    }
    pass.Builder.TerminatorLocation = static_cast<uint32_t>(at++);
    return at - pass.Position;
}

void TVolumeDescriptorWriter::Write(TImageSink& sink) {
    for (size_t i = 0; i < namespaces_.size(); ++i) {
        const TNamespace& ns = *namespaces_[i];
        PutVolumeDescriptor(sink.Blocks(1), *builder_, *builder_, ns, tables_->Root()->*ns.DirSize);
        if (i == 0 && bootRecord_) PutBootRecord(sink.Blocks(1), builder_->BootCatalogLocation);
    }
    PutTerminator(sink.Blocks(1));
}

// ---- Padding ----

uint64_t TPaddingWriter::Reserve(TLayoutPass& pass) {
    sectors_ = pass.Position < 150 ? static_cast<uint32_t>(150 - pass.Position) : 0;
    TImageLayout& l = pass.Builder;
    l.PaddingSectors = sectors_;
    // Kept apart for callers that still tell the metadata stream's end from the boot
    // image's: both now come out of the same stream.
    l.HeaderPaddingSectors = l.Bootable ? 0 : sectors_;
    l.BootImagePaddingSectors = l.Bootable ? sectors_ : 0;
    return sectors_;
}

// ---- File data ----

uint64_t TFileDataWriter::Reserve(TLayoutPass& pass) {
    tables_ = &pass.Tables;
    pass.Builder.FirstFileLocation = static_cast<uint32_t>(pass.Position);
    uint64_t sectors = 0;
    std::vector<TFEntry*> links; // hard links whose data another entry carries
    for (TFEntry* e : pass.Tables.Files) {
        if (e->Imported || e->Dir) continue;
        if (e->SharesData()) {
            links.push_back(e);
            continue;
        }
        // Files carry their data place in both trees' fields.
        if (e->IsoSize == 0) {
            e->IsoLocation = e->JolietLocation = 0;
            e->JolietSize = 0;
        } else {
            e->IsoLocation = e->JolietLocation = static_cast<uint32_t>(sectors);
            e->JolietSize = e->IsoSize;
            sectors += SectorsFor(e->IsoSize);
        }
    }
    // Hard links point at the data of the first of them.
    for (TFEntry* e : links) {
        const TFEntry* data = e->DataOf();
        e->IsoLocation = e->JolietLocation = data->IsoLocation;
        e->IsoSize = e->JolietSize = data->IsoSize;
    }
    pass.Builder.FileDataSectors = static_cast<int64_t>(sectors);
    sectors_ = sectors;
    return sectors;
}

void TFileDataWriter::Write(TImageSink& sink) {
    // The reader streams the files one after another in table order: each must start
    // where the directory records say its data is.
    uint64_t at = 0;
    for (const TFEntry* e : tables_->Files) {
        if (e->Imported || e->Dir || e->IsoSize == 0 || e->SharesData()) continue;
        if (e->IsoLocation != at)
            throw EImageMismatch("file data: \"" + e->LongName + "\" is recorded at " +
                                 std::to_string(e->IsoLocation) + ", streamed at " + std::to_string(at));
        at += SectorsFor(e->IsoSize);
    }
    if (at != sectors_) throw EImageMismatch("file data: the files take other blocks than laid out");
    sink.Streamed(at);
}

} // namespace scrivo
