// The drive list: enumeration over every host adapter, selection by entry text and
// identification of the selected drive.
#include "bvDrvLib.h"

#include "transport/bvASPI.h"
#include "transport/bvSPTI.h"

#include <cstring>

namespace scrivo {

// The letter of the volume whose SCSI port and target match; 0 when none (Windows only).
char VolumeLetterForAddress(uint8_t haId, uint8_t target);

namespace {

const char* const InvalidDeviceText = "INVALID DEVICE ID / NOT A CD OR DVD DRIVE";

// A fixed-width text field cut at its first NUL.
std::string FieldText(const uint8_t* field, size_t width)
{
    size_t n = 0;
    while (n < width && field[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

std::string Trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

int8_t TSCSIDevice::ReadHostAdapterCount(uint8_t adapter)
{
    std::memset(&HAInquiry, 0, sizeof HAInquiry);
    HAInquiry.SRB_Cmd = SC_HA_INQUIRY;
    HAInquiry.SRB_HaId = adapter;
    if (!TransportReady())
        return -1;
    SendToTransport(&HAInquiry);
    if (HAInquiry.SRB_Status != SS_COMP)
        return -1;
    return HAInquiry.HA_Count == 0 ? 7 : int8_t(HAInquiry.HA_Count);
}

uint32_t TSCSIDevice::MaxTransferBytes()
{
    constexpr uint32_t Unstated = 65536;
    SRB_HAInquiry inquiry = {};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.SRB_HaId = HaId;
    if (!TransportReady() || HaId == 254)
        return Unstated;
    SendToTransport(&inquiry);
    const uint32_t bytes = uint32_t(inquiry.HA_Unique[4]) | uint32_t(inquiry.HA_Unique[5]) << 8 |
                           uint32_t(inquiry.HA_Unique[6]) << 16 | uint32_t(inquiry.HA_Unique[7]) << 24;
    return inquiry.SRB_Status == SS_COMP && bytes != 0 ? bytes : Unstated;
}

void TSCSIDevice::RescanDevices()
{
    DeviceList.clear();
    const uint8_t oldHa = HaId, oldTarget = Target, oldLun = Lun;
    Lun = 0;
    if (DoDebug)
        DebugMessage(">>> " + TransportName, 1);
    const int adapters = HostAdapterCount;
    for (int adapter = 0; adapter < adapters; ++adapter) {
        ReadHostAdapterCount(uint8_t(adapter));
        const std::string identifier = Trimmed(FieldText(HAInquiry.HA_Identifier, 16));
        if (DoDebug)
            DebugMessage(">>> " + FieldText(HAInquiry.HA_ManagerId, 16) + " (" + identifier + ")", 1);
        for (uint8_t target = 0; target < 8; ++target) {
            for (uint8_t lun = 0; lun < 8; ++lun) {
                HaId = uint8_t(adapter);
                Target = target;
                Lun = lun;
                std::memset(InquiryData, 0, sizeof InquiryData);
                if (!Inquiry())
                    continue;
                // The whole byte: a non-zero peripheral qualifier excludes the device.
                const uint8_t type = InquiryData[0];
                if (type != 5 && type != 4)
                    continue;
                const char letter = GetDriveLetter();
                std::string entry = std::to_string(adapter) + ":" + std::to_string(target) + ":" +
                    std::to_string(lun) + "," + (letter ? std::string(1, letter) : std::string("?")) + ": " +
                    std::string(reinterpret_cast<const char*>(InquiryData + 8), 28);
                if (type == 4)
                    entry += " (not supported)";
                DeviceList.push_back(entry);
            }
        }
    }
    HaId = oldHa;
    Target = oldTarget;
    Lun = oldLun;
    LastErrorText.clear();
}

void TSCSIDevice::Deselect()
{
    HaId = Target = Lun = 254;
    device_.clear();
    DeviceDescription.clear();
    DeviceType = 127;
}

void TSCSIDevice::SetDevice(const std::string& text)
{
    if (text.size() < 5 || !IsDigit(text[0]) || !IsDigit(text[2]) || !IsDigit(text[4])) {
        if (!text.empty())
            DebugMessage(InvalidDeviceText, 0);
        Deselect();
        return;
    }
    HaId = uint8_t(text[0] - '0');
    Target = uint8_t(text[2] - '0');
    Lun = uint8_t(text[4] - '0');
    device_ = text;

    ReadCapabilities();
    if (!Inquiry()) {
        DeviceDescription = LastErrorText;
        return;
    }
    DeviceType = InquiryData[0];
    for (size_t i = 8; i < 56; ++i)
        if (InquiryData[i] < 0x20)
            InquiryData[i] = ' ';
    const char* inq = reinterpret_cast<const char*>(InquiryData);
    DeviceDescription = std::string(inq + 8, 8) + " " + std::string(inq + 16, 16) + " " + std::string(inq + 32, 4);
    if (DeviceType != 5 && DeviceType != 4) {
        DebugMessage(InvalidDeviceText, 0);
        Deselect();
        return;
    }
    SetModelQuirks();
    if (OnDeviceChange)
        OnDeviceChange(this);
    ProbeWriteModes();
}

char TSCSIDevice::GetDriveLetter()
{
    if (TransportName == "HXASPI32") {
        const char letter = DriveLetterOf(HaId, Target, Lun);
        return letter == NoDriveLetter ? 0 : letter;
    }
    if (const char letter = VolumeLetterForAddress(HaId, Target))
        return letter;
    SRB_GetDiskInfo info;
    std::memset(&info, 0, sizeof info);
    info.SRB_Cmd = SC_GET_DISK_INFO;
    info.SRB_HaId = HaId;
    info.SRB_Target = Target;
    info.SRB_Lun = Lun;
    if (!TransportReady())
        return 0;
    SendToTransport(&info);
    if (info.SRB_Status != SS_COMP)
        return 0;
    return char('A' + info.SRB_Int13HDriveInfo);
}

} // namespace scrivo
