// The capabilities dialog: what the selected drive reads and writes, display only.
#pragma once
#include "device/bvDrvLib.h"
#include "host/ui/Form.h"
#include "host/ui/StdCtrls.h"

#include <vector>

namespace scrivo {

class TdlgCDCapabilities : public TForm {
public:
    explicit TdlgCDCapabilities(TForm* owner = nullptr);

    TControl& Panel1; // disabled, so the boxes on it only display
    TLabel& Label1;
    TLabel& Label2;
    TLabel& Label3;
    TButton& Button1;

    // The check box of a capability; nullptr for one the dialog does not show.
    TCheckBox* CapabilityBox(TCapability c) const;
    // btnInfoClick's filling: the boxes, the drive and its speeds.
    void ShowDevice(TSCSIDevice& drive);
    void Button1Click(TObject* Sender);

private:
    std::vector<std::pair<TCapability, TCheckBox*>> boxes_;
};

} // namespace scrivo
