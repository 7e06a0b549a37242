// A scripted stand-in for a drive behind the transport: answers request blocks by
// operation code and remembers every request sent.
#pragma once
#include "device/bvDrvLib.h"
#include "device/bvDrvLib_bytes.h"
#include "transport/bvASPI_event.h"
#include "device/bvDrvLib_request.h"
#include "platform/PassThrough.h"
#include "transport/bvASPI.h"
#include "transport/bvSPTI.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace scrivo::test {

struct SentCommand {
    SRB_ExecSCSICmd Srb;          // as the transport saw it
    std::vector<uint8_t> DataOut; // the data of a data-out command
    uint32_t WaitMs = 0;          // the wait the executor allowed, when it had to wait
};

class FakeDrive {
public:
    using Handler = std::function<void(SRB_ExecSCSICmd&)>;

    // Answers by operation code; an opcode without a handler gets ILLEGAL REQUEST
    // (INVALID COMMAND OPERATION CODE).
    std::map<uint8_t, Handler> Handlers;
    std::vector<SentCommand> Sent;
    uint8_t AdapterCount = 1;
    char DiskInfoLetter = 0; // answer of SC_GET_DISK_INFO; 0 = refused
    bool AnswerPending = false; // leave every command pending; the wait hook completes it
    int Aborts = 0;             // SC_ABORT_SRB requests, answered with success

    uint32_t operator()(void* request)
    {
        auto* header = static_cast<SRB_Header*>(request);
        if (header->SRB_Cmd == SC_HA_INQUIRY) {
            auto* ha = static_cast<SRB_HAInquiry*>(request);
            ha->HA_Count = AdapterCount;
            std::memcpy(ha->HA_ManagerId, "FAKE ASPI\0\0\0\0\0\0\0", 16);
            std::memcpy(ha->HA_Identifier, " FAKE ADAPTER  \0", 16);
            return ha->SRB_Status = SS_COMP;
        }
        if (header->SRB_Cmd == SC_ABORT_SRB) {
            ++Aborts;
            return header->SRB_Status = SS_COMP;
        }
        if (header->SRB_Cmd == SC_GET_DISK_INFO) {
            auto* info = static_cast<SRB_GetDiskInfo*>(request);
            if (!DiskInfoLetter)
                return info->SRB_Status = SS_ERR;
            info->SRB_Int13HDriveInfo = uint8_t(DiskInfoLetter - 'A');
            return info->SRB_Status = SS_COMP;
        }
        auto& srb = *static_cast<SRB_ExecSCSICmd*>(request);
        SentCommand sent{srb, {}, 0};
        if ((srb.SRB_Flags & SRB_DIR_OUT) && srb.SRB_BufPointer)
            sent.DataOut.assign(srb.SRB_BufPointer, srb.SRB_BufPointer + srb.SRB_BufLen);
        Sent.push_back(sent);
        pending_ = &srb;
        if (AnswerPending)
            return SS_PENDING;
        Answer(srb);
        return srb.SRB_Status;
    }

    // Completes the request left pending (the executor's wait hook calls it).
    void CompletePending(uint32_t waitMs)
    {
        ASSERT_FALSE(Sent.empty());
        if (!Sent.back().WaitMs) // the first wait; an abort's grace may follow
            Sent.back().WaitMs = waitMs;
        Answer(*pending_);
    }

    void Answer(SRB_ExecSCSICmd& srb)
    {
        auto it = Handlers.find(srb.CDBByte[0]);
        if (it == Handlers.end())
            CheckCondition(srb, 5, 0x20, 0x00);
        else
            it->second(srb);
    }

    void On(uint8_t opcode, Handler h) { Handlers[opcode] = std::move(h); }
    // The command completes with this reply copied to the buffer.
    void Reply(uint8_t opcode, std::vector<uint8_t> reply)
    {
        On(opcode, [reply](SRB_ExecSCSICmd& srb) { Complete(srb, reply); });
    }
    void Fail(uint8_t opcode, uint8_t key, uint8_t asc, uint8_t ascq)
    {
        On(opcode, [=](SRB_ExecSCSICmd& srb) { CheckCondition(srb, key, asc, ascq); });
    }

    static void Complete(SRB_ExecSCSICmd& srb, const std::vector<uint8_t>& reply = {})
    {
        if (srb.SRB_BufPointer && !reply.empty())
            std::memcpy(srb.SRB_BufPointer, reply.data(), std::min<size_t>(reply.size(), srb.SRB_BufLen));
        srb.SRB_Status = SS_COMP;
    }
    static void CheckCondition(SRB_ExecSCSICmd& srb, uint8_t key, uint8_t asc, uint8_t ascq)
    {
        srb.SRB_Status = SS_ERR;
        srb.SRB_HaStat = 0;
        srb.SRB_TargStat = 0x02;
        std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
        srb.SenseArea[0] = 0x70;
        srb.SenseArea[2] = key;
        srb.SenseArea[7] = 10;
        srb.SenseArea[12] = asc;
        srb.SenseArea[13] = ascq;
    }

    // Requests with this operation code, in order.
    std::vector<SentCommand> WithOpcode(uint8_t opcode) const
    {
        std::vector<SentCommand> out;
        for (const auto& s : Sent)
            if (s.Srb.CDBByte[0] == opcode)
                out.push_back(s);
        return out;
    }

private:
    SRB_ExecSCSICmd* pending_ = nullptr;
};

// A TEST UNIT READY request to hand to the executor directly.
inline SRB_ExecSCSICmd NewRequestForTest() { return NewRequest(FlagsNoData, 6, 0x00); }

// A 36-byte INQUIRY answer.
inline std::vector<uint8_t> InquiryReply(uint8_t type, const std::string& vendor8, const std::string& product16,
                                         const std::string& revision4)
{
    std::vector<uint8_t> r(36, 0);
    r[0] = type;
    std::string ids = vendor8 + product16 + revision4;
    ids.resize(28, ' ');
    std::memcpy(r.data() + 8, ids.data(), 28);
    return r;
}

// A device bound to a fresh FakeDrive, with no real sleeping or waiting.
class DeviceTest : public ::testing::Test {
protected:
    FakeDrive drive;
    std::vector<uint32_t> sleeps;
    std::vector<std::pair<std::string, int>> messages;
    std::unique_ptr<TSCSIDevice> dev;

    void SetUp() override
    {
        ASPIInitialized = true;
        TransportName = "WNASPI32.DLL";
        TransportEntry = [this](void* srb) { return drive(srb); };
        CurrentDiscKind = dkUnknown;
        SessionAtOnceWrite = false;
        CommandTrace = false;
        ReadyPollQuirk = false;
        CloseSessionImmediate = true;
        // No volumes: the machine's own drives stay out of the tests.
        PassThroughOs().OpenDevice = [](int, bool) { return InvalidDriveHandle; };
        dev = MakeDevice();
        drive.Sent.clear(); // the enumeration at construction
    }
    void TearDown() override
    {
        dev.reset();
        TransportEntry = nullptr;
        ASPIInitialized = false;
        TransportName.clear();
        PassThroughOs() = SystemPassThroughOps();
    }
    std::unique_ptr<TSCSIDevice> MakeDevice()
    {
        auto d = std::make_unique<TSCSIDevice>();
        d->Sleep = [this](uint32_t ms) { sleeps.push_back(ms); };
        d->WaitForCompletion = [this](TSrbEvent&, uint32_t ms) {
            if (drive.AnswerPending)
                drive.CompletePending(ms);
        };
        d->OnDebugMessage = [this](TSCSIDevice*, const std::string& m, uint8_t t) { messages.emplace_back(m, t); };
        d->FailureTraceDone = true; // tests of the trace turn it back on
        return d;
    }
    // Addresses the device at 0:0:0 without the selection's identification.
    void Address(uint8_t ha = 0, uint8_t target = 0, uint8_t lun = 0)
    {
        dev->HaId = ha;
        dev->Target = target;
        dev->Lun = lun;
    }
    const SRB_ExecSCSICmd& Last() const { return drive.Sent.back().Srb; }
};

} // namespace scrivo::test
