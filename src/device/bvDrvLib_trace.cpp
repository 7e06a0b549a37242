// The command trace: one line per traced request through the debug-message channel.
#include "bvDrvLib.h"

#include <cstdio>

namespace scrivo {

namespace {

std::string Hex(uint32_t value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

// Operation codes whose failures are expected in normal use and never traced.
bool IsQuietOpcode(uint8_t op)
{
    switch (op) {
    case 0x00: case 0x01: case 0x04: case 0x12: case 0x1B: case 0x1E: case 0x23: case 0x35:
    case 0x43: case 0x46: case 0x51: case 0x52: case 0x55: case 0x5A: case 0x5C: case 0xB6:
    case 0xBB:
        return true;
    default:
        return false;
    }
}

// "nn:ss:zzz " of the current time.
std::string TraceTime()
{
    const DateTimeParts t = DecodeDateTime(Now());
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%03d ", t.Minute, t.Second, t.Millisecond);
    return buf;
}

} // namespace

std::string TraceLine(const SRB_ExecSCSICmd& srb, const std::string& lastErrorText, const std::string& timeText)
{
    std::string address = std::to_string(srb.SRB_HaId) + ":" + Hex(srb.SRB_Target, 1) + ":" +
        std::to_string(srb.SRB_Lun) + " <" + Hex(srb.SRB_Status, 2) + ">" + " [" +
        Hex(srb.SRB_BufLen, 5) + "]";
    std::string body = "(" + Hex(srb.CDBByte[0], 2) + ") {" + Hex(srb.SRB_Flags, 2) + "|" +
        Hex(srb.SRB_CDBLen, 2) + "} - " + address + " ";
    for (int i = 1; i < 16; ++i)
        body += Hex(srb.CDBByte[i], 2) + " ";
    body = CommandName(srb.CDBByte[0]) + " " + body + " |";
    if (srb.SRB_BufLen != 0 && srb.SRB_BufPointer) {
        const uint32_t n = srb.SRB_BufLen < 257 ? srb.SRB_BufLen : 257;
        for (uint32_t i = 0; i < n; ++i)
            body += Hex(srb.SRB_BufPointer[i], 2) + " ";
    }
    return "<<< " + timeText + body + "= " + Hex(srb.SRB_HaStat, 2) + " " + Hex(srb.SRB_TargStat, 2) +
        " " + Hex(srb.SenseArea[0], 2) + " " + Hex(srb.SenseArea[2], 2) + " " + "ASC:" +
        Hex(srb.SenseArea[12], 2) + ",ASQ:" + Hex(srb.SenseArea[13], 2) + " " + lastErrorText;
}

void TSCSIDevice::Trace(const SRB_ExecSCSICmd& srb)
{
    if (CommandTrace) {
        DebugMessage(TraceLine(srb, LastErrorText, TraceTime()), 0);
        return;
    }
    if (FailureTraceDone)
        return;
    FailureTraceDone = true;
    const uint8_t status = srb.SRB_Status;
    if (status == SS_PENDING || status == SS_COMP || IsQuietOpcode(srb.CDBByte[0]))
        return;
    if (srb.SenseArea[12] == 0x04 && srb.SenseArea[13] == 0x08)
        return;
    DebugMessage(TraceLine(srb, LastErrorText, ""), 0);
}

} // namespace scrivo
