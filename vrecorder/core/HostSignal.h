// What fault knobs do to the process the drive runs in (the ASPI library runs in the
// recording program's process): the user's Ctrl-C, a kill.
#pragma once

namespace scrivo::vrecorder {

// SIGINT to the process, as Ctrl-C at its terminal (Windows: the handler of SIGINT runs).
void InterruptHost();
// Ends the process at once, without its handlers or clean-up (SIGKILL; Windows:
// TerminateProcess).
[[noreturn]] void KillHost();

} // namespace scrivo::vrecorder
