#include "HostSignal.h"

#include <csignal>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace scrivo::vrecorder {

void InterruptHost() {
  // Raised in the thread carrying out the WRITE, so the handler has run before the command
  // answers, as if the key had been pressed just then. Sent to the process, the signal could
  // wait for another thread to be scheduled while the writer finished the session.
  std::raise(SIGINT);
}

void KillHost() {
#ifdef _WIN32
  TerminateProcess(GetCurrentProcess(), 137);
#else
  kill(getpid(), SIGKILL);
#endif
  std::abort(); // not reached
}

} // namespace scrivo::vrecorder
