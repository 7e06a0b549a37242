#include "uCDDeviceCaps.h"
#include "platform/Text.h"

namespace scrivo {

namespace {

struct CapabilityRow {
    TCapability Bit;
    const char* Name;
    const char* Caption;
};

constexpr CapabilityRow Rows[] = {
    {ReadCDR, "ReadCDR", "Read CDR"},
    {ReadCDRW, "ReadCDRW", "Read CDRW"},
    {ReadDVD, "ReadDVD", "Read DVD"},
    {ReadDVDR, "ReadDVDR", "Read DVD-R"},
    {ReadDVDRW, "ReadDVDRW", "Read DVD-RW"},
    {ReadDVDRAM, "ReadDVDRAM", "Read DVD-RAM"},
    {ReadDVDPR, "ReadDVDPR", "Read DVD+R"},
    {ReadDVDPRW, "ReadDVDPRW", "Read DVD+RW"},
    {WriteCDR, "WriteCDR", "Write CDR"},
    {WriteCDRW, "WriteCDRW", "Write CDRW"},
    {WriteTest, "WriteTest", "Write Test"},
    {WriteDVDR, "WriteDVDR", "Write DVD-R"},
    {WriteDVDRW, "WriteDVDRW", "Write DVD-RW"},
    {WriteDVDRAM, "WriteDVDRAM", "Write DVD-RAM"},
    {WriteDVDPR, "WriteDVDPR", "Write DVD+R"},
    {WriteDVDPRW, "WriteDVDPRW", "Write DVD+RW"},
    {UnderrunFree, "UnderrunProtection", "Underrun Protection"},
};

} // namespace

TdlgCDCapabilities::TdlgCDCapabilities(TForm* owner)
    : TForm("dlgCDCapabilities", owner),
      Panel1(Add<TControl>("Panel1")),
      Label1(Add<TLabel>("Label1")),
      Label2(Add<TLabel>("Label2")),
      Label3(Add<TLabel>("Label3")),
      Button1(Add<TButton>("Button1"))
{
    SetCaption("Device Capabilities");
    ClientWidth = 300;
    ClientHeight = 290;
    Label1.SetBounds(8, 8, 284, 13);
    Panel1.SetBounds(8, 28, 284, 184);
    Panel1.SetEnabled(false);
    int i = 0;
    for (const CapabilityRow& row : Rows) {
        TCheckBox& box = Add<TCheckBox>(row.Name, &Panel1);
        box.SetCaption(row.Caption);
        box.SetBounds(8 + (i / 9) * 140, 8 + (i % 9) * 19, 130, 17);
        boxes_.emplace_back(row.Bit, &box);
        ++i;
    }
    Label2.SetBounds(8, 220, 284, 13);
    Label3.SetBounds(8, 238, 284, 13);
    Button1.SetCaption("Close");
    Button1.SetBounds(217, 258, 75, 25);
    Button1.OnClick = [this](TObject* s) { Button1Click(s); };
}

TCheckBox* TdlgCDCapabilities::CapabilityBox(TCapability c) const
{
    for (const auto& [bit, box] : boxes_)
        if (bit == c)
            return box;
    return nullptr;
}

void TdlgCDCapabilities::ShowDevice(TSCSIDevice& drive)
{
    for (const auto& [bit, box] : boxes_)
        box->SetChecked(drive.Has(bit));
    Label1.SetCaption("  " + drive.Device());
    Label2.SetCaption("Max Write Speed:    " + FormatFloat("0x", drive.DeviceMaxWriteSpeed));
    Label3.SetCaption("Max Read Speed:     " + FormatFloat("0x", drive.DeviceMaxReadSpeed));
}

void TdlgCDCapabilities::Button1Click(TObject*) { Close(); }

} // namespace scrivo
