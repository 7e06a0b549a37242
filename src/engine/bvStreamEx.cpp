#include "engine/bvStreamEx.h"

namespace scrivo {

EOSError::EOSError(int code, const std::string& message)
    : std::runtime_error("System Error.  Code: " + std::to_string(code) + ".\n" + message), ErrorCode(code) {}

EFOpenError::EFOpenError(const std::string& fileName, const std::string& reason, int code)
    : std::runtime_error("Cannot open file \"" + fileName + "\". " + reason), FileName(fileName), Reason(reason), ErrorCode(code) {}

void TStreamEx::SetSize(int64_t) {}

int64_t TStreamEx::GetSize() {
    const int64_t pos = Seek(0, soFromCurrent);
    const int64_t size = Seek(0, soFromEnd);
    Seek(pos, soFromBeginning);
    return size;
}

void THandleStreamEx::SetSize(int64_t size) {
    if (Seek(size, soFromBeginning) != size || !FileSetEnd(Handle)) {
        const OsError e = LastOsError();
        throw EOSError(e.Code, e.Message);
    }
}

uint32_t THandleStreamEx::Read(void* buffer, uint32_t count) {
    bool failed = false;
    const uint32_t n = FileRead(Handle, buffer, count, failed);
    ReadFailed = ReadFailed || failed;
    return n;
}

uint32_t THandleStreamEx::Write(const void* buffer, uint32_t count) {
    return FileWrite(Handle, buffer, count);
}

int64_t THandleStreamEx::Seek(int64_t offset, uint16_t origin) {
    return FileSeek(Handle, offset, origin);
}

namespace {

FileHandle OpenByMode(const std::string& fileName, uint16_t mode) {
    const FileHandle h = mode == fmCreate ? FileCreateExclusive(fileName) : FileOpenSharedRead(fileName);
    if (h == InvalidFileHandle) {
        const OsError e = LastOsError();
        throw EFOpenError(fileName, e.Message, e.Code);
    }
    return h;
}

} // namespace

TFileStreamEx::TFileStreamEx(const std::string& fileName, uint16_t mode)
    : THandleStreamEx(OpenByMode(fileName, mode)) {}

TFileStreamEx::~TFileStreamEx() {
    if (Handle != InvalidFileHandle)
        FileClose(Handle);
}

} // namespace scrivo
