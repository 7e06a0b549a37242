#include "bvDrvLib_answers.h"

#include "scsi/Mmc.h"

#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {

// Questions whose answers describe the disc and the drive's settings, and stay true until
// something is sent that changes them.
bool AboutTheDisc(uint8_t op) {
    switch (op) {
    case scsi::kReadFormatCapacities:
    case scsi::kReadCapacity:
    case scsi::kReadToc:
    case scsi::kGetConfiguration:
    case scsi::kReadDiscInformation:
    case scsi::kReadTrackInformation:
    case scsi::kModeSense10:
    case scsi::kReadDvdStructure:
        return true;
    default:
        return false;
    }
}

// Other commands that change nothing: readiness, sense, events, reading, buffer state.
bool OnlyAsks(uint8_t op) {
    switch (op) {
    case scsi::kTestUnitReady:
    case scsi::kRequestSense:
    case scsi::kInquiry:
    case scsi::kRead10:
    case scsi::kGetEventStatusNotification:
    case scsi::kReadBufferCapacity:
    case scsi::kRead12:
    case scsi::kGetPerformance:
    case scsi::kReadCd:
        return true;
    default:
        return AboutTheDisc(op);
    }
}

std::vector<uint8_t> CdbOf(const SRB_ExecSCSICmd& srb) {
    std::vector<uint8_t> cdb(srb.CDBByte, srb.CDBByte + std::min<size_t>(srb.SRB_CDBLen, sizeof srb.CDBByte));
    const uint8_t* length = reinterpret_cast<const uint8_t*>(&srb.SRB_BufLen);
    cdb.insert(cdb.end(), length, length + sizeof srb.SRB_BufLen);
    return cdb;
}

} // namespace

bool TKeptAnswers::Answer(SRB_ExecSCSICmd& srb) {
    if (!AboutTheDisc(srb.CDBByte[0]) || !srb.SRB_BufPointer) return false;
    const std::vector<uint8_t> cdb = CdbOf(srb);
    std::lock_guard<std::mutex> l(m_);
    for (const TAnswer& a : answers_) {
        if (a.Cdb != cdb) continue;
        std::memcpy(srb.SRB_BufPointer, a.Data.data(), a.Data.size());
        srb.SRB_HaStat = 0;
        srb.SRB_TargStat = 0;
        srb.SRB_Status = SS_COMP;
        return true;
    }
    return false;
}

void TKeptAnswers::Forget() {
    std::lock_guard<std::mutex> l(m_);
    answers_.clear();
}

void TKeptAnswers::Learn(const SRB_ExecSCSICmd& srb) {
    const uint8_t op = srb.CDBByte[0];
    std::lock_guard<std::mutex> l(m_);
    if (srb.SRB_Status != SS_COMP || !OnlyAsks(op)) {
        answers_.clear();
        return;
    }
    if (!AboutTheDisc(op) || !srb.SRB_BufPointer) return;
    std::vector<uint8_t> cdb = CdbOf(srb);
    std::vector<uint8_t> data(srb.SRB_BufPointer, srb.SRB_BufPointer + srb.SRB_BufLen);
    for (TAnswer& a : answers_) {
        if (a.Cdb == cdb) {
            a.Data = std::move(data);
            return;
        }
    }
    answers_.push_back({std::move(cdb), std::move(data)});
}

} // namespace scrivo
