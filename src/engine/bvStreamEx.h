// The engine's own source streams: 64-bit positions over an operating-system file
// handle, opened with the sharing that lets other programs keep the sources open.
#pragma once
#include "platform/Files.h"
#include <cstdint>
#include <stdexcept>
#include <string>

namespace scrivo {

// Open modes of TFileStreamEx.
constexpr uint16_t fmCreate = 0xFFFF;         // create or replace; read/write, no sharing
constexpr uint16_t fmOpenReadShared = 0x0040; // read; others may read and write meanwhile

// Origins of Seek.
constexpr uint16_t soFromBeginning = 0;
constexpr uint16_t soFromCurrent = 1;
constexpr uint16_t soFromEnd = 2;

// An operating-system refusal: the code and text of the last error.
class EOSError : public std::runtime_error {
public:
    EOSError(int code, const std::string& message);
    int ErrorCode;
};

// A file that could not be created or opened; the text names the file.
class EFOpenError : public std::runtime_error {
public:
    EFOpenError(const std::string& fileName, const std::string& reason, int code);
    std::string FileName;
    std::string Reason; // the system's text
    int ErrorCode;
};

class TStreamEx {
public:
    virtual ~TStreamEx() = default;
    virtual void SetSize(int64_t size);
    // Bytes transferred; 0 when the transfer fails.
    virtual uint32_t Read(void* buffer, uint32_t count) = 0;
    virtual uint32_t Write(const void* buffer, uint32_t count) = 0;
    // The new position, -1 on failure.
    virtual int64_t Seek(int64_t offset, uint16_t origin) = 0;
    // The size, leaving the position where it was.
    int64_t GetSize();
};

class THandleStreamEx : public TStreamEx {
public:
    explicit THandleStreamEx(FileHandle handle) : Handle(handle) {}
    void SetSize(int64_t size) override;
    uint32_t Read(void* buffer, uint32_t count) override;
    uint32_t Write(const void* buffer, uint32_t count) override;
    int64_t Seek(int64_t offset, uint16_t origin) override;

    FileHandle Handle;
    // A read stopped at a failure of the system, not at the end of the file.
    bool ReadFailed = false;
};

class TFileStreamEx : public THandleStreamEx {
public:
    // Throws EFOpenError when the file cannot be created (fmCreate) or opened.
    TFileStreamEx(const std::string& fileName, uint16_t mode);
    ~TFileStreamEx() override;
    TFileStreamEx(const TFileStreamEx&) = delete;
    TFileStreamEx& operator=(const TFileStreamEx&) = delete;
};

} // namespace scrivo
