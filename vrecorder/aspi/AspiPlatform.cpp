// The platform's side of the ASPI face: completion events and keeping the library loaded.
#include "AspiAdapter.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace scrivo::vrecorder {

#ifdef _WIN32

void SignalCompletion(void* postProc) { SetEvent(static_cast<HANDLE>(postProc)); }

void PinLibrary() {
  // The worker thread runs our code until the process ends; FreeLibrary must not unmap it.
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&PinLibrary), &self);
}

#else

void SignalCompletion(void* postProc) {
  auto* event = static_cast<SRB_CompletionEvent*>(postProc);
  if (event->Signal) event->Signal(event);
}

void PinLibrary() {}  // linked with -z nodelete

#endif

}  // namespace scrivo::vrecorder
