// Handing the review list to the engine's file tree, and screening every file the engine
// offers back before it takes it.
#include "host/uCDMain.h"
#include "host/uCDFiles.h"
#include "host/ui/Dialogs.h"
#include "image/bvISOLib_names.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace scrivo {

namespace {

// The longest file and folder names taken, in UTF-16 code units.
constexpr uint32_t MaxFileNameLength = 107;
constexpr uint32_t MaxDirNameLength = 127;
constexpr int AnyAttribute = 63;

bool IsFolder(const std::string& path)
{
    FileListing found;
    return FindFile(path, found) && (found.Attr & faDirectory) != 0;
}

} // namespace

void TfrmCDMain::AddFilesToBurner()
{
    // Start-up makes the review dialog; without one the list is empty.
    const std::vector<std::string> items = dlgCDFiles ? dlgCDFiles->lbxFiles.Items() : std::vector<std::string>();
    if (items.empty()) {
        ShowInformation("At least one file or folder must be specified.");
        return;
    }
    // Plain files of mode 2 go into DestFolder, made with its parents first: the tree
    // starts with nothing but the root.
    std::string destination = "\\";
    if (AddMode == 2) {
        const TDEntry* dest = brenvik.MakeDestinationPath(DestFolder);
        destination = dest ? dest->Path : DestFolder; // a refused name: the engine reports it
    }
    for (const std::string& item : items) {
        if (AddMode < 0 || AddMode > 2)
            continue;
        brenvik.KeepLastFolderOnly = AddMode != 0;
        if (IsFolder(item)) {
            // The folder's own files, whether or not the item ends with a delimiter; a
            // folder is never descended into.
            std::string folder = item;
            if (folder.back() != PathDelim)
                folder += PathDelim;
            brenvik.AddDir(FileTables().Root(), folder, "*.*", AnyAttribute, false, false, false);
        } else if (IsDevicePath(item)) {
            // Opening it would read a device or wait on a pipe; its name would become an
            // empty file on the disc.
            brenvik.DebugMessage("> ERROR: Skipping device, not a file or folder: " + item, 0);
        } else {
            // The item as given: one without any delimiter stays relative to the current
            // folder rather than being moved to the root of the file system.
            brenvik.AddFile(destination, item, false);
        }
    }
}

void TfrmCDMain::brenvikAddFile(void* Sender, const std::string& FullPath, std::string& LongFileName,
                                std::string& ShortFileName, TDateTime& DateTime, uint32_t Attr, int64_t FileSize,
                                bool& Skip)
{
    (void)Sender, (void)ShortFileName, (void)DateTime, (void)Attr, (void)FileSize;
    if (!FullPath.empty()) {
        const FileHandle h = FileOpenSharedRead(FullPath);
        if (h == InvalidFileHandle) {
            brenvik.DebugMessage("> ERROR: Skipping file, already in use: " + FullPath, 0);
            Skip = true;
        } else {
            FileClose(h);
        }
    }
    if (Utf16Length(LongFileName) > MaxFileNameLength) {
        brenvik.DebugMessage("> ERROR: Skipping file, file name length exceeds 107 characters: " + FullPath, 0);
        Skip = true;
    }
}

void TfrmCDMain::brenvikAddDirName(void* Sender, std::string& LongName, std::string& ShortName, bool& Skip)
{
    (void)Sender, (void)ShortName;
    if (UpperCase(LongName) == "RECYCLED") {
        brenvik.DebugMessage(">>> ERROR: Skipping Recycle Bin", 0);
        Skip = true;
    }
    if (Utf16Length(LongName) > MaxDirNameLength) {
        brenvik.DebugMessage(
            ">>> ERROR: Skipping invalid file name (length of file name must be less than 126 characters)", 0);
        brenvik.DebugMessage("     " + LongName, 0);
        Skip = true;
    }
}

} // namespace scrivo
