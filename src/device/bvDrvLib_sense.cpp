// Message texts of failed requests, and the device's failure bookkeeping built on them.
#include "bvDrvLib_sense.h"
#include "scsi/Mmc.h"

#include <algorithm>

namespace scrivo {

std::string StatusText(uint8_t status, uint8_t haStat, uint8_t targStat)
{
    switch (status) {
    case 0x00:
    case 0x01:
        return "";
    case 0x02:
    case 0x03:
        return "OPERATION ABORTED BY USER";
    case 0x80:
        return "INVALID REQUEST";
    case 0x81:
        return "INVALID HOST ADAPTER";
    case 0x82:
        return "NO DEVICE";
    case 0xE0:
        return "INVALID SRB";
    case 0xE1:
        return "BUFFER ALIGNMENT";
    case 0xE5:
        return "ASPI IS BUSY";
    case 0xE6:
        return "BUFFER TOO BIG";
    case 0x04:
        break;
    default:
        return "UNKNOWN";
    }
    switch (haStat) {
    case 0x00:
        switch (targStat) {
        case scsi::kStatusGood:
        case scsi::kStatusCheckCondition:
            return "CHECK CONDITION";
        case scsi::kStatusBusy:
            return "TARGET BUSY";
        case scsi::kStatusReservationConflict:
            return "TARGET RESERVATION CONFLICT";
        case scsi::kStatusTaskSetFull:
            return "TARGET QUEUE FULL";
        default:
            return "UNKNOWN";
        }
    case 0x09:
        return "COMMAND TIMEOUT";
    case 0x0B:
        return "SRB TIMEOUT";
    case 0x0D:
        return "MESSAGE REJECT";
    case 0x0E:
        return "BUS RESET";
    case 0x0F:
        return "PARITY ERROR";
    case 0x10:
        return "REQUEST SENSE FAILED";
    case 0x11:
        return "SELECTION TIMEOUT";
    case 0x12:
        return "DATA OVERRUN";
    case 0x13:
        return "UNEXPECTED BUS FREE";
    default:
        return "UNKNOWN";
    }
}

std::string SenseKeyText(const uint8_t* sense)
{
    if (sense[0] == 0)
        return "";
    // Current (70h) and deferred (71h) fixed-format errors.
    if ((sense[0] & 0x7E) != 0x70)
        return "UNKNOWN";
    const uint8_t flags = sense[scsi::kSenseKeyByte];
    switch (flags & scsi::kSenseKeyMask) {
    case scsi::kNoSense:
        if (flags & 0x80)
            return "FILEMARK";
        if (flags & 0x40)
            return "END OF MEDIA";
        if (flags & 0x20)
            return "ILLEGAL LENGTH";
        return "NO ADDITIONAL SENSE INFORMATION";
    case scsi::kRecoveredError:
        return "RECOVERED ERROR";
    case scsi::kNotReady:
        return "NOT READY";
    case scsi::kMediumError:
        return "MEDIUM ERROR";
    case scsi::kHardwareError:
        return "HARDWARE ERROR";
    case scsi::kIllegalRequest:
        return "ILLEGAL REQUEST";
    case scsi::kUnitAttention:
        return "UNIT ATTENTION";
    case scsi::kDataProtect:
        return "DATA PROTECT";
    case 8:
        return "ERASE CHECK";
    case 10:
        return "COPYABORTED";
    case scsi::kAbortedCommand:
        return "ABORTED COMMAND";
    case 13:
        return "VOLUME OVERFLOW";
    case 14:
        return "MISCOMPARE";
    case 15:
        return "RESERVED";
    default: // 9 and 12 have no text of their own
        return "CHECK CONDITION";
    }
}

std::string SenseCodeText(uint8_t asc, uint8_t ascq)
{
    const SenseCodeEntry* end = SenseCodeTable + SenseCodeTableSize;
    const SenseCodeEntry* it = std::lower_bound(SenseCodeTable, end, (asc << 8) | ascq,
        [](const SenseCodeEntry& e, int key) { return ((e.Asc << 8) | e.Ascq) < key; });
    if (it != end && it->Asc == asc && it->Ascq == ascq)
        return it->Text;
    return std::to_string(asc) + "," + std::to_string(ascq);
}

} // namespace scrivo
