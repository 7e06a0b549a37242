#include "AspiClient.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace conformance {

#ifdef _WIN32

AspiClient::Event::Event() : impl_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
AspiClient::Event::~Event() { CloseHandle(impl_); }
void* AspiClient::Event::PostProc() { return impl_; }
bool AspiClient::Event::Wait(uint32_t ms) { return WaitForSingleObject(impl_, ms) == WAIT_OBJECT_0; }

bool AspiClient::Load(const std::string& path, const std::string& drives, std::string& error) {
  SetEnvironmentVariableA("VRECORDER_DRIVES", drives.c_str());
  std::string native = path;
  for (auto& c : native)
    if (c == '/') c = '\\';
  HMODULE h = LoadLibraryA(native.c_str());
  if (!h) { error = "LoadLibrary failed for " + native; return false; }
  getInfo_ = reinterpret_cast<TGetASPI32SupportInfo>(reinterpret_cast<void*>(GetProcAddress(h, "GetASPI32SupportInfo")));
  send_ = reinterpret_cast<TSendASPI32Command>(reinterpret_cast<void*>(GetProcAddress(h, "SendASPI32Command")));
  if (!getInfo_ || !send_) { error = "entry points missing"; return false; }
  return true;
}

#else

namespace {
struct PosixEvent {
  SRB_CompletionEvent base;
  std::mutex m;
  std::condition_variable cv;
  bool set = false;
  static void Signal(void* self) {
    auto* e = static_cast<PosixEvent*>(self);
    std::lock_guard<std::mutex> l(e->m);
    e->set = true;
    e->cv.notify_all();
  }
};
}  // namespace

AspiClient::Event::Event() : impl_(new PosixEvent{{&PosixEvent::Signal}, {}, {}, false}) {}
AspiClient::Event::~Event() { delete static_cast<PosixEvent*>(impl_); }
void* AspiClient::Event::PostProc() { return impl_; }
bool AspiClient::Event::Wait(uint32_t ms) {
  auto* e = static_cast<PosixEvent*>(impl_);
  std::unique_lock<std::mutex> l(e->m);
  return e->cv.wait_for(l, std::chrono::milliseconds(ms), [e] { return e->set; });
}

bool AspiClient::Load(const std::string& path, const std::string& drives, std::string& error) {
  setenv("VRECORDER_DRIVES", drives.c_str(), 1);
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) { error = dlerror(); return false; }
  getInfo_ = reinterpret_cast<TGetASPI32SupportInfo>(dlsym(h, "GetASPI32SupportInfo"));
  send_ = reinterpret_cast<TSendASPI32Command>(dlsym(h, "SendASPI32Command"));
  if (!getInfo_ || !send_) { error = "entry points missing"; return false; }
  return true;
}

#endif

Outcome AspiClient::Exec(uint8_t target, const std::vector<uint8_t>& cdb, uint32_t dataIn,
                         const std::vector<uint8_t>& dataOut) {
  SRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof srb);
  std::vector<uint8_t> buffer = dataOut.empty() ? std::vector<uint8_t>(dataIn) : dataOut;
  Event done;
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = uint8_t(SRB_EVENT_NOTIFY | (dataOut.empty() ? (dataIn ? SRB_DIR_IN : 0) : SRB_DIR_OUT));
  srb.SRB_Target = target;
  srb.SRB_BufLen = uint32_t(buffer.size());
  srb.SRB_BufPointer = buffer.empty() ? nullptr : buffer.data();
  srb.SRB_SenseLen = SRB_SENSE_WANTED;
  srb.SRB_CDBLen = uint8_t(cdb.size());
  srb.SRB_PostProc = done.PostProc();
  std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
  Outcome o;
  o.answer = uint8_t(send_(&srb));
  o.signalled = done.Wait(o.answer == SS_PENDING ? 60000 : 0);
  o.srbStatus = srb.SRB_Status;
  o.targetStatus = srb.SRB_TargStat;
  std::memcpy(o.sense, srb.SenseArea, sizeof o.sense);
  if (dataOut.empty()) o.data = buffer;
  return o;
}

}  // namespace conformance
