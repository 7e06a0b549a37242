// `scrivo info`: a drive's identity, capabilities and speeds, and the disc in it.
#include "Commands.h"
#include "ArgReader.h"
#include "DriveSelect.h"

#include <cstdio>
#include <optional>

namespace scrivo::cli {

const char* const InfoUsage = "scrivo info [-d DRIVE] [--json]\n"
                              "  DRIVE: adapter:target:lun as scrivo drives lists it, or virtual:DISC[,key=value...]";

namespace {

const std::pair<TCapability, const char*> CapabilityNames[] = {{ReadCDR, "ReadCDR"}, {ReadCDRW, "ReadCDRW"},
    {ReadMethod2, "ReadMethod2"}, {ReadDVD, "ReadDVD"}, {ReadDVDR, "ReadDVDR"}, {ReadDVDRW, "ReadDVDRW"},
    {ReadDVDRAM, "ReadDVDRAM"}, {ReadDVDPR, "ReadDVDPR"}, {ReadDVDPRW, "ReadDVDPRW"}, {WriteCDR, "WriteCDR"},
    {WriteCDRW, "WriteCDRW"}, {WriteTest, "WriteTest"}, {WriteDVDR, "WriteDVDR"}, {WriteDVDRW, "WriteDVDRW"},
    {WriteDVDRAM, "WriteDVDRAM"}, {WriteDVDPR, "WriteDVDPR"}, {WriteDVDPRW, "WriteDVDPRW"},
    {UnderrunFree, "UnderrunFree"}};

const char* const DiscStatusNames[] = {"empty", "incomplete", "complete", "other"};

struct DiscReport {
    uint8_t Kind = dkUnknown;
    int Status = -1;
    bool Erasable = false;
    int Sessions = 0;
    std::optional<uint32_t> NextWritable;
    uint32_t FreeBlocks = 0;
};

struct DriveReport {
    std::string Entry, Vendor, Product, Revision;
    std::vector<std::string> Capabilities, Speeds;
    uint16_t MaxReadSpeed = 0, MaxWriteSpeed = 0;
    std::optional<DiscReport> Disc;
};

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

DriveReport ReadReport(TSCSIDevice& dev)
{
    DriveReport r;
    r.Entry = dev.Device();
    const std::string& d = dev.DeviceDescription; // vendor (8) product (16) revision (4)
    r.Vendor = Trim(d.substr(0, 8));
    r.Product = Trim(d.substr(9, 16));
    r.Revision = Trim(d.substr(26, 4));
    for (auto [cap, name] : CapabilityNames)
        if (dev.Has(cap))
            r.Capabilities.push_back(name);
    r.MaxReadSpeed = dev.DeviceMaxReadSpeed;
    r.MaxWriteSpeed = dev.DeviceMaxWriteSpeed;
    const uint8_t kind = dev.DetectDiscKind();
    if (kind == dkUnknown)
        return r;
    r.Speeds = WriteSpeedItems(dev);
    dev.SetWriteSpeed(0); // back to the drive's maximum
    DiscReport disc;
    disc.Kind = kind;
    disc.Status = dev.DiscStatus();
    disc.Erasable = dev.IsErasable();
    disc.Sessions = dev.RecordedSessionCount();
    disc.FreeBlocks = dev.GetFreeBlocks();
    if (dev.ReadDiscInformation() && dev.ReadTrackInformation(DiscInformation[6]) && (dev.TrackInformation[7] & 0x01))
        disc.NextWritable = dev.NextWritableAddress();
    r.Disc = disc;
    return r;
}

std::string Json(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\')
            out += '\\', out += char(c);
        else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else
            out += char(c);
    }
    return out + "\"";
}

std::string JsonList(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + Json(items[i]);
    return out + "]";
}

std::string Join(const std::vector<std::string>& items, const char* separator)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? separator : "") + items[i];
    return out;
}

const char* StatusName(int status) { return status >= 0 && status <= 3 ? DiscStatusNames[status] : "unknown"; }

void PrintJson(const DriveReport& r)
{
    std::printf("{\n  \"device\": %s,\n  \"vendor\": %s,\n  \"product\": %s,\n  \"revision\": %s,\n",
                Json(r.Entry).c_str(), Json(r.Vendor).c_str(), Json(r.Product).c_str(), Json(r.Revision).c_str());
    std::printf("  \"capabilities\": %s,\n  \"maxReadSpeed\": %u,\n  \"maxWriteSpeed\": %u,\n  \"writeSpeeds\": %s,\n",
                JsonList(r.Capabilities).c_str(), r.MaxReadSpeed, r.MaxWriteSpeed, JsonList(r.Speeds).c_str());
    if (!r.Disc) {
        std::printf("  \"disc\": null\n}\n");
        return;
    }
    const DiscReport& d = *r.Disc;
    std::printf("  \"disc\": {\n    \"kind\": %s,\n    \"status\": %s,\n    \"erasable\": %s,\n    \"sessions\": %d,\n",
                Json(DiscKindName(d.Kind)).c_str(), Json(StatusName(d.Status)).c_str(), d.Erasable ? "true" : "false",
                d.Sessions);
    std::printf("    \"nextWritableAddress\": %s,\n    \"freeBlocks\": %u\n  }\n}\n",
                d.NextWritable ? std::to_string(*d.NextWritable).c_str() : "null", d.FreeBlocks);
}

void PrintText(const DriveReport& r)
{
    std::printf("Drive:             %s\n", r.Entry.c_str());
    std::printf("Vendor:            %s\nProduct:           %s\nRevision:          %s\n", r.Vendor.c_str(),
                r.Product.c_str(), r.Revision.c_str());
    std::printf("Capabilities:      %s\n", Join(r.Capabilities, " ").c_str());
    std::printf("Max read speed:    %u KB/s\nMax write speed:   %u KB/s\n", r.MaxReadSpeed, r.MaxWriteSpeed);
    if (!r.Disc)
        return;
    const DiscReport& d = *r.Disc;
    std::printf("Write speeds:      %s\n", Join(r.Speeds, ", ").c_str());
    std::printf("Disc:              %s\n", DiscKindName(d.Kind));
    std::printf("Status:            %s\n", StatusName(d.Status));
    std::printf("Erasable:          %s\n", d.Erasable ? "yes" : "no");
    std::printf("Sessions:          %d\n", d.Sessions);
    std::printf("Next writable LBA: %s\n", d.NextWritable ? std::to_string(*d.NextWritable).c_str() : "none");
    std::printf("Free blocks:       %u\n", d.FreeBlocks);
}

} // namespace

int RunInfo(const std::vector<std::string>& args)
{
    std::string driveArg;
    bool json = false;
    TArgReader r(args);
    while (r.Next()) {
        if (r.Is("-d", "--drive"))
            driveArg = r.Value();
        else if (r.Is("--json"))
            json = true;
        else
            r.Unexpected();
    }
    TSCSIDevice dev;
    if (const std::string error = SelectDrive(dev, driveArg); !error.empty()) {
        PrintError(error);
        return ExitFailure;
    }
    const DriveReport report = ReadReport(dev);
    if (json)
        PrintJson(report);
    else
        PrintText(report);
    if (!report.Disc) {
        PrintError("no disc in drive " + report.Entry.substr(0, report.Entry.find(',')));
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace scrivo::cli
