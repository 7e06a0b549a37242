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
#ifdef _WIN32
  std::raise(SIGINT);
#else
  // To the process, not this thread: any thread of the program may take it.
  kill(getpid(), SIGINT);
#endif
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
