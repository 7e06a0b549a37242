#include "BootOptions.h"
#include "platform/Files.h"
#include <cstdlib>

namespace scrivo::cli {

bool TakeBootOption(TArgReader& r, TBootArgs& a) {
    if (r.Is("--boot"))
        a.Bios = r.Value();
    else if (r.Is("--efi-boot"))
        a.Efi = r.Value();
    else if (r.Is("--boot-info-table"))
        a.InfoTable = true;
    else if (r.Is("--boot-load-size"))
        a.LoadSize = r.Value();
    else
        return false;
    return true;
}

namespace {

// The size of a boot image file; UsageError when it cannot serve as one.
uint64_t CheckBootFile(const char* option, const std::string& path) {
    FileListing f;
    if (!FindFile(path, f) || (f.Attr & faDirectory))
        throw UsageError(std::string(option) + ": \"" + path + "\" is not a file");
    const FileHandle h = FileOpenSharedRead(path);
    if (h == InvalidFileHandle)
        throw UsageError(std::string(option) + ": \"" + path + "\" cannot be read: " + LastOsError().Message);
    FileClose(h);
    if (f.Size == 0) throw UsageError(std::string(option) + ": \"" + path + "\" is empty");
    return f.Size;
}

} // namespace

void CheckBootArgs(TBootArgs& a) {
    if (a.Bios.empty() && (a.InfoTable || !a.LoadSize.empty()))
        throw UsageError(std::string(a.InfoTable ? "--boot-info-table" : "--boot-load-size") +
                         " needs --boot FILE");
    if (!a.LoadSize.empty()) {
        char* end = nullptr;
        const long n = std::strtol(a.LoadSize.c_str(), &end, 10);
        if (*end || n < 1 || n > 0xFFFF)
            throw UsageError("--boot-load-size takes a number of 512-byte sectors from 1 to 65535");
        a.LoadSectors = static_cast<uint16_t>(n);
    }
    if (!a.Bios.empty()) {
        const uint64_t size = CheckBootFile("--boot", a.Bios);
        // The table ends at byte 64 of the image.
        if (a.InfoTable && size < 64)
            throw UsageError("--boot-info-table: \"" + a.Bios + "\" is shorter than the table's 64 bytes");
    }
    if (!a.Efi.empty()) CheckBootFile("--efi-boot", a.Efi);
}

void ApplyBootArgs(const TBootArgs& a, TImageOptions& o) {
    o.BiosBootFile = a.Bios;
    o.BootLoadSize = a.LoadSectors;
    o.BootInfoTable = a.InfoTable;
    o.EfiBootFile = a.Efi;
}

} // namespace scrivo::cli
