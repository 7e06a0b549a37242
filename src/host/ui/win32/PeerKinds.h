// Each family of controls makes the peers of its own kinds; nullptr for other kinds.
#pragma once
#include "WinPeer.h"

#include <memory>

namespace scrivo {

std::unique_ptr<TWinPeer> MakeStdPeer(TControl& control, TFormPeer& form);
std::unique_ptr<TWinPeer> MakeListPeer(TControl& control, TFormPeer& form);
std::unique_ptr<TWinPeer> MakeComPeer(TControl& control, TFormPeer& form);

} // namespace scrivo
