// The platform's side of the ASPI face: completion events and keeping the library loaded.
#include "AspiAdapter.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace scrivo::vrecorder {

#ifdef _WIN32

void SignalCompletion(void* postProc) { SetEvent(static_cast<HANDLE>(postProc)); }

// The C runtime's copy of the environment is taken when the host starts; the process block
// also holds what the host set before loading us.
std::string DrivesVariable() {
  DWORD n = GetEnvironmentVariableA("VRECORDER_DRIVES", nullptr, 0);
  if (n == 0) return {};
  std::string value(n, '\0');
  n = GetEnvironmentVariableA("VRECORDER_DRIVES", value.data(), n);
  value.resize(n);
  return value;
}

void PinLibrary() {
  // The adapter and its worker thread stay until the process ends; FreeLibrary must not unmap them.
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&PinLibrary), &self);
}

#else

void SignalCompletion(void* postProc) {
  auto* event = static_cast<SRB_CompletionEvent*>(postProc);
  if (event->Signal) event->Signal(event);
}

std::string DrivesVariable() {
  const char* value = std::getenv("VRECORDER_DRIVES");
  return value ? value : "";
}

void PinLibrary() {}  // linked with -z nodelete

#endif

}  // namespace scrivo::vrecorder
