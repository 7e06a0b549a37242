#include "FakeDrives.h"
#include "scsi/Mmc.h"

#include <algorithm>
#include <cstring>

namespace scrivo::test {

namespace {
FakeDrives* active = nullptr;
}

FakeDrives::FakeDrives() : saved_(PassThroughOs()), outer_(active) {
    active = this;
    PassThroughOs() = PassThroughOps{IsCdDrive, Open, Close, Ioctl};
}

FakeDrives::~FakeDrives() {
    PassThroughOs() = saved_;
    active = outer_;
}

FakeDrive& FakeDrives::Add(char letter) {
    FakeDrive& d = drives_[letter - 'A'];
    d.Inquiry = InquiryAnswer(5, "VENDOR", "DRIVE", "1.0");
    return d;
}

bool FakeDrives::IsCdDrive(int n) { return active->drives_.count(n) != 0; }

DriveHandle FakeDrives::Open(int n, bool readWrite) {
    auto it = active->drives_.find(n);
    if (it == active->drives_.end() ||
        !(readWrite ? it->second.OpensReadWrite : it->second.OpensReadOnly))
        return InvalidDriveHandle;
    ++active->Opens;
    DriveHandle h = active->nextHandle_++;
    active->handles_[h] = n;
    return h;
}

bool FakeDrives::Close(DriveHandle h) {
    if (active->handles_.erase(h) == 0)
        return false;
    ++active->Closes;
    return true;
}

bool FakeDrives::Ioctl(DriveHandle h, uint32_t code, void* in, uint32_t inSize, void* out,
                       uint32_t outSize, uint32_t* returned) {
    *returned = 0;
    ++active->IoctlCalls;
    auto it = active->handles_.find(h);
    if (it == active->handles_.end())
        return false;
    int n = it->second;
    FakeDrive& d = active->drives_.at(n);
    if (code == IoctlScsiGetAddress) {
        ++active->GetAddressCalls;
        if (!d.HasAddress || outSize != sizeof(ScsiAddress))
            return false;
        ScsiAddress a{8, d.Port, 0, d.Target, d.Lun};
        std::memcpy(out, &a, sizeof a);
        *returned = sizeof a;
        return true;
    }
    if (code != IoctlScsiPassThroughDirect)
        return false;
    return active->PassThrough(n, in, inSize, out, outSize);
}

bool FakeDrives::PassThrough(int n, void* in, uint32_t inSize, void* out, uint32_t outSize) {
    FakeDrive& d = drives_.at(n);
    auto& r = *static_cast<ScsiPassThroughDirect*>(out);
    RecordedRequest rec{n, *static_cast<ScsiPassThroughDirect*>(in), inSize, outSize, in == out, {}};
    if (r.DataIn == ScsiDataOut && r.DataBuffer)
        rec.DataOut.assign(static_cast<uint8_t*>(r.DataBuffer),
                           static_cast<uint8_t*>(r.DataBuffer) + r.DataTransferLength);
    Requests.push_back(rec);
    auto* data = static_cast<uint8_t*>(r.DataBuffer);
    if (r.Cdb[0] == scsi::kInquiry) {
        if (!d.AnswersInquiry)
            return false;
        std::memcpy(data, d.Inquiry.data(), std::min<size_t>(r.DataTransferLength, 96));
        return true;
    }
    if (d.IoctlFails)
        return false;
    r.ScsiStatus = d.ScsiStatus;
    if (!d.Sense.empty()) {
        size_t k = std::min<size_t>(d.Sense.size(), r.SenseInfoLength);
        std::memcpy(static_cast<uint8_t*>(out) + r.SenseInfoOffset, d.Sense.data(), k);
        r.SenseInfoLength = static_cast<uint8_t>(k);
    } else {
        r.SenseInfoLength = 0;
    }
    if (r.DataIn == ScsiDataIn && data)
        std::memcpy(data, d.Data.data(), std::min<size_t>(d.Data.size(), r.DataTransferLength));
    return true;
}

std::array<uint8_t, 96> InquiryAnswer(uint8_t type, const char* vendor, const char* product,
                                      const char* revision) {
    std::array<uint8_t, 96> a{};
    a[0] = type;
    a[4] = 91;
    std::memset(a.data() + 8, ' ', 28);
    std::memcpy(a.data() + 8, vendor, std::min<size_t>(std::strlen(vendor), 8));
    std::memcpy(a.data() + 16, product, std::min<size_t>(std::strlen(product), 16));
    std::memcpy(a.data() + 32, revision, std::min<size_t>(std::strlen(revision), 4));
    std::memset(a.data() + 36, 0xA5, 60); // bytes past the stored answer
    return a;
}

} // namespace scrivo::test
