// A virtual recorder behind the device layer's transport seam, for the burner component's
// tests: every request block goes to an in-process drive with a disc in a scratch folder,
// drive time is a manual clock that the component's sleeps advance, and every CDB is kept.
#pragma once
#include "Clock.h"
#include "DiscFile.h"
#include "Drive.h"
#include "DriveOptions.h"
#include "device/bvDrvLib.h"
#include "engine/TestFiles.h"
#include "transport/bvASPI.h"
#include "transport/bvASPI_srb.h"
#include "scsi/Mmc.h"
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <vector>

namespace scrivo::test {

// Drive time: advances only when the component sleeps, so no test waits.
class TestDriveClock : public vrecorder::Clock {
public:
    double NowMs() override {
        std::lock_guard<std::mutex> l(m_);
        return now_;
    }
    void SleepMs(double ms) override {
        std::lock_guard<std::mutex> l(m_);
        now_ += ms;
    }

private:
    std::mutex m_;
    double now_ = 1000;
};

struct SentCdb {
    std::vector<uint8_t> Cdb;
    uint32_t DataLength = 0;
    bool Failed = false;
    uint8_t Op() const { return Cdb[0]; }
    uint32_t Lba() const { return uint32_t(Cdb[2]) << 24 | uint32_t(Cdb[3]) << 16 | uint32_t(Cdb[4]) << 8 | Cdb[5]; }
    uint32_t Blocks10() const { return uint32_t(Cdb[7]) << 8 | Cdb[8]; }
};

class VirtualDrive {
public:
    // Makes a blank disc of `kind` and a drive with it; `extra` are drive options
    // "key=value,..." as in VRECORDER_DRIVES. A capacity of 0 is the medium's usual one;
    // ROM media take their content from the image file `fromIso`.
    void Insert(vrecorder::MediaKind kind, const std::string& extra = "", uint32_t capacity = 0,
                const std::string& fromIso = "") {
        discPath = dir.File("disc.img");
        std::string error;
        ASSERT_TRUE(vrecorder::DiscFile::Create(discPath, kind, capacity, 0, fromIso, error)) << error;
        vrecorder::DriveOptions o;
        ASSERT_TRUE(vrecorder::ParseDriveOptions(discPath + (extra.empty() ? "" : "," + extra), o, error)) << error;
        o.synchronous = true;
        drive = std::make_unique<vrecorder::Drive>(o, clock);
    }

    // A new drive with other options and the same disc, as if it was moved to another drive.
    void Reload(const std::string& extra) {
        std::string error;
        vrecorder::DriveOptions o;
        ASSERT_TRUE(vrecorder::ParseDriveOptions(discPath + (extra.empty() ? "" : "," + extra), o, error)) << error;
        o.synchronous = true;
        drive.reset();
        drive = std::make_unique<vrecorder::Drive>(o, clock);
    }

    // Puts this drive behind the transport and selects it on `device`.
    void Attach(TSCSIDevice& device) {
        TransportEntry = [this](void* srb) { return Answer(*static_cast<SRB_ExecSCSICmd*>(srb)); };
        ASPIInitialized = true;
        device.HaId = 0;
        device.Target = 0;
        device.Lun = 0;
        device.Sleep = [this](uint32_t ms) { clock->SleepMs(ms); };
        // Every request completes before the transport returns, except a lost one: its wait
        // runs out at once.
        device.WaitForCompletion = [](TSrbEvent&, uint32_t) {};
    }

    ~VirtualDrive() {
        TransportEntry = nullptr;
        ASPIInitialized = false;
    }

    // One execute request as the transport hands it over, for a transport of several drives.
    uint32_t Send(SRB_ExecSCSICmd& r) { return Answer(r); }

    std::vector<SentCdb> Sent() {
        std::lock_guard<std::mutex> l(m_);
        return sent_;
    }
    std::vector<SentCdb> Sent(uint8_t op) {
        std::vector<SentCdb> out;
        for (const SentCdb& c : Sent())
            if (c.Op() == op)
                out.push_back(c);
        return out;
    }
    // The WRITE (10) of this number (from 1) is never completed, as if its completion was lost.
    int LoseWrite = 0;
    // The WRITE (10) of this number (from 1) fails in the adapter (selection timeout): an
    // error without sense data.
    int AdapterErrorAtWrite = 0;
    // Commands for which this answers true are never completed (checked after LoseWrite).
    std::function<bool(const SentCdb&)> LoseIf;
    // Called with each CDB before the drive sees it (from the sending thread).
    std::function<void(const SentCdb&)> OnCommand;

    std::vector<uint8_t> ReadDisc(uint32_t lba, uint32_t blocks) {
        std::string error;
        auto f = vrecorder::DiscFile::Open(discPath, error);
        std::vector<uint8_t> out(size_t(blocks) * 2048);
        if (!f || !f->ReadBlocks(lba, blocks, out.data()))
            ADD_FAILURE() << "cannot read the disc: " << error;
        return out;
    }

    TempDir dir;
    std::string discPath;
    std::shared_ptr<TestDriveClock> clock = std::make_shared<TestDriveClock>();
    std::unique_ptr<vrecorder::Drive> drive;

private:
    uint32_t Answer(SRB_ExecSCSICmd& r) {
        if (r.SRB_Cmd != SC_EXEC_SCSI_CMD)
            return r.SRB_Status = SS_INVALID_SRB;
        SentCdb c{std::vector<uint8_t>(r.CDBByte, r.CDBByte + r.SRB_CDBLen), r.SRB_BufLen, false};
        if (OnCommand)
            OnCommand(c);
        if (c.Op() == scsi::kWrite10 && ++writes_ == LoseWrite) {
            std::lock_guard<std::mutex> l(m_);
            sent_.push_back(std::move(c));
            return r.SRB_Status = SS_PENDING;
        }
        if (LoseIf && LoseIf(c)) {
            std::lock_guard<std::mutex> l(m_);
            sent_.push_back(std::move(c));
            return r.SRB_Status = SS_PENDING;
        }
        if (c.Op() == scsi::kWrite10 && writes_ == AdapterErrorAtWrite) {
            std::lock_guard<std::mutex> l(m_);
            c.Failed = true;
            sent_.push_back(std::move(c));
            r.SRB_HaStat = 0x11;
            r.SRB_TargStat = 0;
            return r.SRB_Status = SS_ERR;
        }
        const vrecorder::CommandResult result =
            drive->Execute(r.CDBByte, r.SRB_CDBLen, r.SRB_BufPointer, r.SRB_BufLen, r.SRB_SenseLen > 0);
        r.SRB_HaStat = 0;
        r.SRB_TargStat = result.status;
        uint8_t status = SS_COMP;
        if (result.status == vrecorder::kCheckCondition) {
            std::memset(r.SenseArea, 0, std::min<int>(r.SRB_SenseLen, SRB_SENSE_AREA_LEN));
            vrecorder::EncodeFixedSense(result.sense, r.SenseArea, std::min<int>(r.SRB_SenseLen, SRB_SENSE_AREA_LEN));
            status = SS_ERR;
        } else if (result.status != vrecorder::kGood) {
            status = SS_ERR;
        }
        c.Failed = status != SS_COMP;
        {
            std::lock_guard<std::mutex> l(m_);
            sent_.push_back(std::move(c));
        }
        return r.SRB_Status = status;
    }

    std::mutex m_;
    std::vector<SentCdb> sent_;
    int writes_ = 0;
};

} // namespace scrivo::test
