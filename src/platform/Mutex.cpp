// The thread library's side of a mutex, released with it (see Threads.h). Both locks are
// unlocked when they go, and a mutex never used is torn down as cheaply.
#include "Threads.h"

#include <pthread.h>

namespace scrivo {

TMutex::~TMutex() { pthread_mutex_destroy(native_handle()); }

TRecursiveMutex::~TRecursiveMutex() { pthread_mutex_destroy(native_handle()); }

} // namespace scrivo
