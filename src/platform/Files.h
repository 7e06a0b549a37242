// Files with 64-bit positions and the two sharing modes the engine uses, and the
// file system listing with attributes, times and 8.3 alternate names.
#pragma once
#include "DateTime.h"
#include <cstdint>
#include <string>
#include <vector>

namespace scrivo {

// The separator of local source paths: "\" on Windows, "/" on POSIX.
#ifdef _WIN32
constexpr char PathDelim = '\\';
#else
constexpr char PathDelim = '/';
#endif

using FileHandle = intptr_t;
constexpr FileHandle InvalidFileHandle = -1;

// Creates (replacing) a file for reading and writing without sharing. (POSIX has no
// mandatory sharing modes; there the file is simply created and opened.)
FileHandle FileCreateExclusive(const std::string& path);
// Opens an existing file for reading, others may read and write it meanwhile.
// Folders are refused on every platform.
FileHandle FileOpenSharedRead(const std::string& path);
// Bytes transferred, 0 when the system call fails.
uint32_t FileRead(FileHandle h, void* buffer, uint32_t count);
// The same, and `failed` tells a read that stopped at a failure of the system from one that
// reached the end of the file.
uint32_t FileRead(FileHandle h, void* buffer, uint32_t count, bool& failed);
uint32_t FileWrite(FileHandle h, const void* buffer, uint32_t count);
// origin 0 begin, 1 current, 2 end; the new position or -1.
int64_t FileSeek(FileHandle h, int64_t offset, int origin);
// Sets the end of the file at the current position.
bool FileSetEnd(FileHandle h);
void FileClose(FileHandle h);

struct OsError {
    int Code;
    std::string Message;
};
// The calling thread's last system error, with the system's text for it.
OsError LastOsError();

// Attribute bits as the Windows listing reports them.
constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faHidden = 0x02;
constexpr uint32_t faSysFile = 0x04;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;
constexpr uint32_t faAnyFile = 0x3F;

// File types of a POSIX mode (st_mode), spelled out so that code compiled for Windows,
// which writes them to discs too, shares them.
constexpr uint32_t PosixTypeMask = 0170000;
constexpr uint32_t PosixFifo = 0010000;
constexpr uint32_t PosixCharDevice = 0020000;
constexpr uint32_t PosixDirectory = 0040000;
constexpr uint32_t PosixBlockDevice = 0060000;
constexpr uint32_t PosixRegular = 0100000;
constexpr uint32_t PosixSymlink = 0120000;
constexpr uint32_t PosixSocket = 0140000;

// What a POSIX system tells of a listed entry beyond the Windows attributes. All zero where
// the system has none of it (Windows).
struct PosixFacts {
    uint32_t Mode = 0; // file type and permission bits
    uint32_t Uid = 0, Gid = 0;
    uint32_t Links = 0;
    // Device and inode identify the file: hard links of one file share them.
    uint64_t Device = 0, Inode = 0;
    uint64_t SpecialDevice = 0; // the device a character or block device stands for
    // Seconds since 1970-01-01 UTC and the nanoseconds within them.
    int64_t AccessTime = 0, ModifyTime = 0, ChangeTime = 0;
    uint32_t AccessNs = 0, ModifyNs = 0, ChangeNs = 0;
};

struct FileListing {
    std::string Name;    // long name
    std::string AltName; // 8.3 alternate name; empty when Name already is a valid 8.3 name
    uint64_t Size = 0;
    uint32_t Attr = 0;
    TDateTime Time = 0; // modification time, local
    bool TimeValid = false;
    PosixFacts Posix;
    std::string LinkTarget; // what a symbolic link listed as a link points to
};

// What a listing does with symbolic links and with entries that are neither files nor
// folders. POSIX only: Windows lists the same way in every mode.
enum class ListingMode {
    // Links are followed; broken links and everything that is neither a file nor a folder
    // are left out.
    Files,
    // Links are listed as themselves (Attr a file's, size 0, LinkTarget set); fifos,
    // sockets and devices are listed too (size 0), for the caller to name them.
    Posix,
    // As Posix, but links are followed; only links that lead nowhere stay links.
    PosixFollowLinks,
};

// Entries of `folder` whose names match `mask` ("*.*", "*.txt", "a?c"; Windows rules:
// "*.*" matches every name, with or without a dot), with any of the attributes in `attr`
// (directories only when faDirectory is among them, hidden and system entries only when
// their bit is; normal files always). "." and ".." are not listed; nor, on POSIX, are
// linked folders leading back to the folder or above it (a recursive walk would never
// end), nor what `mode` leaves out (by default broken symbolic links and entries that are
// neither files nor folders: a fifo would hang the reader). POSIX: sorted by ordinal
// comparison of the upper-cased names. A folder that cannot be read gives an empty list.
std::vector<FileListing> ListDirectory(const std::string& folder, const std::string& mask, uint32_t attr,
                                       ListingMode mode = ListingMode::Files);
// The listing record of one path (file or folder); false when it does not exist. A link
// named by `path` itself is always followed (as a command line argument is).
bool FindFile(const std::string& path, FileListing& out);
// Whether `path` names something that is neither a file nor a folder: a device or a pipe
// (Windows: "\\.\" paths and the DOS device names NUL, CON, AUX, PRN, COM1..9, LPT1..9 in
// any folder and with any extension; POSIX: an existing entry that is not a regular file
// or directory).
bool IsDevicePath(const std::string& path);

// Windows mask matching, case-insensitive: "*" any run, "?" one character, a trailing
// ".*" also matches names without a dot, a trailing "." matches names without a dot.
bool MatchesMask(const std::string& name, const std::string& mask);
// Whether a listing entry with `entryAttr` passes the `wanted` attribute filter.
bool AttrWanted(uint32_t entryAttr, uint32_t wanted);

// True when `name` is a valid upper-case 8.3 name (no alternate name needed).
bool IsValid83Name(const std::string& name);
// Windows-style alternate names (BASE~N.EXT, upper case), unique among `taken`
// (compared without regard to case). A name that only needs upper-casing to be a valid
// 8.3 name keeps it without a tail when that is free.
std::string Make83Name(const std::string& longName, const std::vector<std::string>& taken);
// Alternate names for the entries of one folder, given in listing order: "" for the
// valid 8.3 names, which keep their own; every other name gets a generated one that is
// unique in the folder.
std::vector<std::string> AssignAltNames(const std::vector<std::string>& names);

} // namespace scrivo
