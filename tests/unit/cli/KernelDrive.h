// A virtual recorder as Linux shows a real one: /dev/sr0 behind the pass-through operations,
// answered by the in-process drive model. Linux's CD driver sends commands of its own on every
// open and close of the device (measured through the kernel: GET EVENT STATUS NOTIFICATION and
// TEST UNIT READY at each, PREVENT ALLOW MEDIUM REMOVAL at the close); they are sent here too,
// so a command trace shows what opening the drive again costs.
#pragma once
#include "Clock.h"
#include "DiscFile.h"
#include "Drive.h"
#include "DriveOptions.h"
#include "platform/PassThrough.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace scrivo::test {

class KernelDrive {
  public:
    static constexpr int DriveNumber = 2; // /dev/sr0

    KernelDrive(vrecorder::MediaKind kind, const std::string& discPath) {
        std::string error;
        EXPECT_TRUE(vrecorder::DiscFile::Create(discPath, kind, 0, 0, "", error)) << error;
        vrecorder::DriveOptions o;
        EXPECT_TRUE(vrecorder::ParseDriveOptions(discPath, o, error)) << error;
        o.synchronous = true;
        drive_ = std::make_unique<vrecorder::Drive>(o, std::make_shared<InstantClock>());
        Self() = this;
        saved_ = PassThroughOs();
        PassThroughOs().IsCdDrive = [](int n) { return n == DriveNumber; };
        PassThroughOs().OpenDevice = [](int n, bool) { return Self()->Open(n); };
        PassThroughOs().CloseDevice = [](DriveHandle h) { return Self()->Close(h); };
        PassThroughOs().Ioctl = [](DriveHandle, uint32_t code, void*, uint32_t, void* out, uint32_t,
                                   uint32_t* returned) { return Self()->Request(code, out, returned); };
    }
    ~KernelDrive() {
        PassThroughOs() = saved_;
        Self() = nullptr;
    }

    // Operation code -> how many commands of it the drive got, the driver's own included.
    std::map<uint8_t, int> Counts() {
        std::lock_guard<std::mutex> l(m_);
        return counts_;
    }
    int Opens() {
        std::lock_guard<std::mutex> l(m_);
        return opens_;
    }

  private:
    class InstantClock : public vrecorder::Clock {
      public:
        double NowMs() override { return 1000; }
        void SleepMs(double) override {}
    };
    static KernelDrive*& Self() {
        static KernelDrive* self = nullptr;
        return self;
    }

    // The commands the driver sends by itself (no data but the event status reply).
    void DriverCommands(bool closing) {
        uint8_t reply[8];
        const uint8_t events[10] = {0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8, 0};
        const uint8_t unitReady[6] = {0x00, 0, 0, 0, 0, 0};
        const uint8_t allowRemoval[6] = {0x1E, 0, 0, 0, 0, 0};
        if (closing) Execute(allowRemoval, 6, nullptr, 0);
        Execute(events, 10, reply, sizeof reply);
        Execute(unitReady, 6, nullptr, 0);
    }
    vrecorder::CommandResult Execute(const uint8_t* cdb, int length, void* data, uint32_t dataLength) {
        ++counts_[cdb[0]];
        return drive_->Execute(cdb, length, static_cast<uint8_t*>(data), dataLength, true);
    }

    DriveHandle Open(int n) {
        std::lock_guard<std::mutex> l(m_);
        if (n != DriveNumber) return InvalidDriveHandle;
        ++opens_;
        DriverCommands(false);
        return 7;
    }
    bool Close(DriveHandle) {
        std::lock_guard<std::mutex> l(m_);
        DriverCommands(true);
        return true;
    }
    bool Request(uint32_t code, void* out, uint32_t* returned) {
        std::lock_guard<std::mutex> l(m_);
        if (code == IoctlScsiGetAddress) {
            ScsiAddress a{sizeof(ScsiAddress), 0, 0, 0, 0};
            std::memcpy(out, &a, sizeof a);
            if (returned) *returned = sizeof a;
            return true;
        }
        auto& r = *static_cast<ScsiPassThroughDirect*>(out);
        const vrecorder::CommandResult done = Execute(r.Cdb, r.CdbLength, r.DataBuffer, r.DataTransferLength);
        r.ScsiStatus = done.status;
        const int room = std::min<int>(r.SenseInfoLength, vrecorder::kFixedSenseLength);
        r.SenseInfoLength = 0;
        if (done.status == vrecorder::kCheckCondition && room > 0) {
            vrecorder::EncodeFixedSense(done.sense, static_cast<uint8_t*>(out) + r.SenseInfoOffset, room);
            r.SenseInfoLength = uint8_t(room);
        }
        if (r.DataIn == ScsiDataIn) r.DataTransferLength = done.transferred;
        if (returned) *returned = sizeof r;
        return true;
    }

    std::unique_ptr<vrecorder::Drive> drive_;
    PassThroughOps saved_;
    std::mutex m_;
    std::map<uint8_t, int> counts_;
    int opens_ = 0;
};

} // namespace scrivo::test
