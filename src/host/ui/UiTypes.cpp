#include "UiTypes.h"

namespace scrivo {

const char* ModalResultName(TModalResult r)
{
    static const char* const names[] = {"None", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
    return r >= 0 && r <= mrNo ? names[r] : "?";
}

const char* MsgKindName(TMsgKind k)
{
    switch (k) {
    case TMsgKind::Information: return "Information";
    case TMsgKind::Error: return "Error";
    case TMsgKind::Confirmation: return "Confirm";
    }
    return "?";
}

} // namespace scrivo
