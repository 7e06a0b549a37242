// The two entry points of the ASPI library, C calling convention, undecorated names.
#include "AspiAdapter.h"

#ifdef _WIN32
#define VRECORDER_EXPORT extern "C" __declspec(dllexport)
#else
#define VRECORDER_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Puts the state of every disc on file when the library goes away.
struct FlushAtUnload {
  ~FlushAtUnload() { scrivo::vrecorder::AspiAdapter::FlushIfMade(); }
} flushAtUnload;

}  // namespace

VRECORDER_EXPORT uint32_t ASPI_CALL GetASPI32SupportInfo(void) {
  return scrivo::vrecorder::AspiAdapter::Instance().SupportInfo();
}

VRECORDER_EXPORT uint32_t ASPI_CALL SendASPI32Command(void* srb) {
  return scrivo::vrecorder::AspiAdapter::Instance().Send(srb);
}
