// Stand-ins for CD/DVD drives behind the pass-through operations of the platform.
#pragma once
#include "platform/PassThrough.h"

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace scrivo::test {

struct FakeDrive {
    bool OpensReadWrite = true;
    bool OpensReadOnly = true;
    bool AnswersInquiry = true;
    bool HasAddress = true;
    uint8_t Port = 0, Target = 0, Lun = 0;
    std::array<uint8_t, 96> Inquiry{};
    // Answer to every command other than the scan's.
    bool IoctlFails = false;
    uint8_t ScsiStatus = 0;
    std::vector<uint8_t> Sense;
    std::vector<uint8_t> Data; // copied into a data-in buffer
};

struct RecordedRequest {
    int DriveNumber;
    ScsiPassThroughDirect Request; // as handed to the system
    uint32_t InSize, OutSize;
    bool SameBuffer;
    std::vector<uint8_t> DataOut; // the bytes of a data-out buffer
};

// Installs itself into PassThroughOs() for its lifetime; an inner one hides an outer
// one until it ends.
class FakeDrives {
public:
    FakeDrives();
    ~FakeDrives();
    FakeDrive& Add(char letter);
    FakeDrive& Drive(char letter) { return drives_.at(letter - 'A'); }

    int Opens = 0;
    int Closes = 0;
    int GetAddressCalls = 0;
    int IoctlCalls = 0;
    std::vector<RecordedRequest> Requests; // every pass-through request, scan included
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

private:
    static bool IsCdDrive(int n);
    static DriveHandle Open(int n, bool readWrite);
    static bool Close(DriveHandle h);
    static bool Ioctl(DriveHandle h, uint32_t code, void* in, uint32_t inSize, void* out,
                      uint32_t outSize, uint32_t* returned);
    bool PassThrough(int n, void* in, uint32_t inSize, void* out, uint32_t outSize);

    std::map<int, FakeDrive> drives_;
    std::map<DriveHandle, int> handles_;
    DriveHandle nextHandle_ = 100;
    PassThroughOps saved_;
    FakeDrives* outer_;
};

// An INQUIRY answer of a CD/DVD drive: type, vendor, product, revision.
std::array<uint8_t, 96> InquiryAnswer(uint8_t type, const char* vendor, const char* product,
                                      const char* revision);

} // namespace scrivo::test
