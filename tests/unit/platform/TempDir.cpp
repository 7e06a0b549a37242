#include "TempDir.h"
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace scrivo::test {

long TempDir::Pid() { return static_cast<long>(getpid()); }

} // namespace scrivo::test
