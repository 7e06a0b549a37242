// Plain types shared by the form toolkit and its back ends.
#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace scrivo {

class TObject {
public:
    virtual ~TObject() = default;
};

// Modal results: the button or dialog answer that ends a modal loop.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
const char* ModalResultName(TModalResult r); // "OK", "Cancel", "Yes", ...

// Private window messages start here, as on Windows.
constexpr uint32_t WM_USER = 0x0400;

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crHourGlass = -11;

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};

enum TOwnerDrawStateBit : unsigned { odSelected = 1, odFocused = 2, odDisabled = 4, odComboBoxEdit = 8 };
using TOwnerDrawState = unsigned;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// The three kinds of message box: information and error with OK, confirmation with Yes
// and No.
enum class TMsgKind { Information, Error, Confirmation };
const char* MsgKindName(TMsgKind k); // "Information", "Error", "Confirm"

using TNotifyEvent = std::function<void(TObject* Sender)>;

// A message posted to a form: a window message for its WndProc, or (Msg 0) a call the
// toolkit itself queued to run on the loop's thread.
struct TMessage {
    uint32_t Target = 0; // form handle
    uint32_t Msg = 0;
    intptr_t WParam = 0;
    intptr_t LParam = 0;
    std::function<void()> Call;
};

class EInvalidOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace scrivo
