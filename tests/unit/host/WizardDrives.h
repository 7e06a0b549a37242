// Virtual recorders behind the transport seam for the wizard's tests: one host adapter
// whose targets 0, 1, ... are in-process drives, each with a disc in a scratch folder.
// Drive letters are D:, E:, ... by target.
#pragma once
#include "device/VirtualDrive.h"
#include "engine/bvCDBC.h"
#include "transport/bvASPI.h"

#include <deque>

namespace scrivo::test {

class WizardDrives {
public:
    // A drive with a blank disc of `kind`; `extra` as in VRECORDER_DRIVES ("caps=-cdr,...").
    VirtualDrive& Add(vrecorder::MediaKind kind, const std::string& extra = "")
    {
        drives_.emplace_back();
        drives_.back().Insert(kind, extra);
        return drives_.back();
    }
    // Drive `index` with a new blank disc of `kind` in its tray.
    void Reload(size_t index, vrecorder::MediaKind kind) { drives_.at(index).Insert(kind); }
    // A drive that reads but cannot write CDs, DVD-R or DVD-RAM.
    VirtualDrive& AddReader() { return Add(vrecorder::MediaKind::CdR, "caps=-cdr,-cdrw,-dvdr,-dvdram,-dvdplus"); }

    // What the wizard's transport seam does here: puts the drives behind the transport
    // and lists them on `engine`.
    void Attach(TBrenvik& engine)
    {
        TransportEntry = [this](void* srb) { return Answer(srb); };
        ASPIInitialized = true;
        if (!drives_.empty()) {
            engine.Sleep = [this](uint32_t ms) { drives_.front().clock->SleepMs(ms); };
            engine.WaitForCompletion = [](TSrbEvent&, uint32_t) {};
        }
        engine.HostAdapterCount = 1;
        engine.RescanDevices();
    }

    ~WizardDrives()
    {
        TransportEntry = nullptr;
        ASPIInitialized = false;
    }

private:
    uint32_t Answer(void* srb)
    {
        auto* header = static_cast<SRB_Header*>(srb);
        switch (header->SRB_Cmd) {
        case SC_HA_INQUIRY: {
            auto* r = static_cast<SRB_HAInquiry*>(srb);
            r->HA_Count = 1;
            return r->SRB_Status = SS_COMP;
        }
        case SC_GET_DISK_INFO: {
            auto* r = static_cast<SRB_GetDiskInfo*>(srb);
            if (r->SRB_Target >= drives_.size())
                return r->SRB_Status = SS_NO_DEVICE;
            r->SRB_Int13HDriveInfo = uint8_t(3 + r->SRB_Target);
            return r->SRB_Status = SS_COMP;
        }
        case SC_EXEC_SCSI_CMD: {
            auto* r = static_cast<SRB_ExecSCSICmd*>(srb);
            if (r->SRB_Target >= drives_.size() || r->SRB_Lun != 0)
                return r->SRB_Status = SS_NO_DEVICE;
            return drives_[r->SRB_Target].Send(*r);
        }
        default:
            return header->SRB_Status = SS_INVALID_SRB;
        }
    }

    std::deque<VirtualDrive> drives_;
};

} // namespace scrivo::test
