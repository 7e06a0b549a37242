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

struct FileListing {
    std::string Name;    // long name
    std::string AltName; // 8.3 alternate name; empty when Name already is a valid 8.3 name
    uint64_t Size = 0;
    uint32_t Attr = 0;
    TDateTime Time = 0; // modification time, local
    bool TimeValid = false;
};

// Entries of `folder` whose names match `mask` ("*.*", "*.txt", "a?c"; Windows rules:
// "*.*" matches every name, with or without a dot), with any of the attributes in `attr`
// (directories only when faDirectory is among them, hidden and system entries only when
// their bit is; normal files always). "." and ".." are not listed; nor, on POSIX, are
// broken symbolic links, entries that are neither files nor folders (a fifo would hang
// the reader) and linked folders leading back to the folder or above it (a recursive
// walk would never end). POSIX: sorted by ordinal comparison of the upper-cased names. A folder
// that cannot be read gives an empty list.
std::vector<FileListing> ListDirectory(const std::string& folder, const std::string& mask, uint32_t attr);
// The listing record of one path (file or folder); false when it does not exist.
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
