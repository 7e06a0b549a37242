#include "AspiAdapter.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace scrivo::vrecorder {
namespace {

constexpr uint8_t kAdapterId = 7;  // the adapter's own SCSI id
constexpr uint32_t kMaxTransfer = 0x20000;

void PutName(uint8_t* field, const char* text) {
  std::memset(field, ' ', 16);
  std::memcpy(field, text, std::min<size_t>(16, std::strlen(text)));
}

}  // namespace

namespace {
std::atomic<AspiAdapter*> made{nullptr};
}  // namespace

AspiAdapter& AspiAdapter::Instance() {
  static AspiAdapter* adapter = [] {
    // The adapter (its drives, their open discs, its worker) lives as long as the process:
    // unloading the library under it would leak all of it on every load.
    PinLibrary();
    return made = new AspiAdapter(DrivesVariable());
  }();
  return *adapter;
}

void AspiAdapter::FlushIfMade() {
  if (AspiAdapter* a = made.load()) a->FlushAll();
}

AspiAdapter::AspiAdapter(const std::string& drivesValue) {
  configured_ = !drivesValue.empty();
  int target = 0;
  for (const auto& entry : SplitDrives(drivesValue)) {
    DriveOptions options;
    std::string error;
    if (!ParseDriveOptions(entry, options, error))
      std::fprintf(stderr, "vrecorder: drive %d: %s\n", target, error.c_str());
    DriveSlot slot;
    slot.drive = std::make_unique<Drive>(options);
    if (!slot.drive->error().empty())
      std::fprintf(stderr, "vrecorder: drive %d: %s\n", target, slot.drive->error().c_str());
    drives_.push_back(std::move(slot));
    ++target;
  }
}

uint32_t AspiAdapter::SupportInfo() const {
  if (!configured_) return uint32_t(SS_NO_ADAPTERS) << 8;
  return uint32_t(SS_COMP) << 8 | 1;
}

void AspiAdapter::FlushAll() {
  for (auto& slot : drives_) slot.drive->Flush();
}

uint32_t AspiAdapter::Send(void* srb) {
  if (!srb) return SS_INVALID_SRB;
  auto* header = static_cast<SRB_Header*>(srb);
  uint8_t status;
  if (header->SRB_HaId != 0 || !configured_) {
    status = SS_INVALID_HA;
  } else {
    switch (header->SRB_Cmd) {
      case SC_HA_INQUIRY: status = HaInquiry(static_cast<SRB_HAInquiry*>(srb)); break;
      case SC_GET_DEV_TYPE: status = DeviceType(static_cast<SRB_GDEVBlock*>(srb)); break;
      case SC_GET_DISK_INFO: status = DiskInfo(static_cast<SRB_GetDiskInfo*>(srb)); break;
      case SC_EXEC_SCSI_CMD: return Execute(static_cast<SRB_ExecSCSICmd*>(srb));
      case SC_ABORT_SRB: status = Abort(static_cast<SRB_Abort*>(srb)); break;
      case SC_RESET_DEV: status = ResetDevice(static_cast<SRB_BusDeviceReset*>(srb)); break;
      default: status = SS_INVALID_CMD;
    }
  }
  header->SRB_Status = status;
  return status;
}

uint8_t AspiAdapter::HaInquiry(SRB_HAInquiry* r) {
  r->HA_Count = 1;
  r->HA_SCSI_ID = kAdapterId;
  PutName(r->HA_ManagerId, "VRECORDER ASPI");
  PutName(r->HA_Identifier, "VIRTUAL MMC");
  std::memset(r->HA_Unique, 0, sizeof r->HA_Unique);
  r->HA_Unique[2] = 1;  // residual counts supported
  r->HA_Unique[3] = uint8_t(std::max<size_t>(8, drives_.size()));
  std::memcpy(&r->HA_Unique[4], &kMaxTransfer, 4);
  r->HA_Rsvd1 = 0;
  return SS_COMP;
}

uint8_t AspiAdapter::DeviceType(SRB_GDEVBlock* r) {
  if (r->SRB_Target >= drives_.size() || r->SRB_Lun != 0) {
    r->SRB_DeviceType = DTYPE_UNKNOWN;
    return SS_NO_DEVICE;
  }
  r->SRB_DeviceType = DTYPE_CDROM;
  return SS_COMP;
}

uint8_t AspiAdapter::DiskInfo(SRB_GetDiskInfo* r) {
  if (r->SRB_Target >= drives_.size() || r->SRB_Lun != 0) return SS_NO_DEVICE;
  r->SRB_DriveFlags = 0;
  r->SRB_Int13HDriveInfo = uint8_t(3 + r->SRB_Target);  // D: onwards
  r->SRB_Heads = 0;
  r->SRB_Sectors = 0;
  return SS_COMP;
}

uint8_t AspiAdapter::Execute(SRB_ExecSCSICmd* r) {
  if (r->SRB_Target >= drives_.size() || r->SRB_Lun != 0) {
    r->SRB_Status = SS_NO_DEVICE;
    return SS_NO_DEVICE;
  }
  if (r->SRB_CDBLen == 0 || r->SRB_CDBLen > SRB_CDB_LEN || (r->SRB_BufLen && !r->SRB_BufPointer)) {
    r->SRB_Status = SS_INVALID_SRB;
    return SS_INVALID_SRB;
  }
  DriveSlot& slot = drives_[r->SRB_Target];
  r->SRB_Status = SS_PENDING;
  if (Loses(slot, *r)) {  // never completes, unless aborted
    {
      std::lock_guard<std::mutex> lock(queueMutex_);
      lost_.push_back(r);
    }
    slot.drive->Lost(r->CDBByte[0]);
    return SS_PENDING;
  }
  // A drive that needs no time answers before the call returns, as an ASPI manager over a
  // synchronous pass-through does: the caller gets the final status (and its event is set).
  // Only when nothing is queued or running, so requests still complete one at a time and in
  // the order sent. A paced drive, which may have to wait, completes on the worker.
  const bool synchronous = slot.drive->options().synchronous;
  const bool instant = slot.drive->options().timeScale <= 0;
  {
    std::unique_lock<std::mutex> lock(queueMutex_);
    if (synchronous) idle_.wait(lock, [this] { return queue_.empty() && !running_; });
    if (!synchronous && !(instant && queue_.empty() && !running_)) {
      if (!started_) {
        std::thread([this] { Worker(); }).detach();
        started_ = true;
      }
      queue_.push_back(r);
      queued_.notify_one();
      return SS_PENDING;
    }
    running_ = true;
  }
  const uint8_t status = Run(r, slot);
  Finished();
  // The request may be gone once its end is told (a posting routine may free it).
  Publish(r, status);
  return status;
}

bool AspiAdapter::Loses(DriveSlot& slot, const SRB_ExecSCSICmd& r) {
  const DriveOptions& o = slot.drive->options();
  if (o.lostCompletionOp && r.CDBByte[0] != *o.lostCompletionOp) return false;
  ++slot.commands;
  // With an operation code and no count, its first request is the one lost.
  const uint32_t at = o.lostCompletionAt ? o.lostCompletionAt : (o.lostCompletionOp ? 1 : 0);
  return slot.commands == at;
}

void AspiAdapter::Finished() {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    running_ = false;
  }
  queued_.notify_one();
  idle_.notify_all();
}

void AspiAdapter::EndUnrun(SRB_ExecSCSICmd* r) {
  r->SRB_HaStat = HASTAT_OK;
  r->SRB_TargStat = 0;
  Publish(r, SS_ABORTED);
}

uint8_t AspiAdapter::Abort(SRB_Abort* r) {
  // A request still queued is taken out and ends aborted, and so does one the drive lost
  // (the port driver gives it back once told); one already running or done cannot be
  // stopped any more, which ASPI managers answer with success all the same.
  auto* target = static_cast<SRB_ExecSCSICmd*>(r->SRB_ToAbort);
  bool found = false;
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    for (auto* list : {&queue_, &lost_})
      for (auto it = list->begin(); it != list->end() && !found; ++it)
        if (*it == target) {
          list->erase(it);
          found = true;
          break;
        }
  }
  if (found) EndUnrun(target);
  return SS_COMP;
}

uint8_t AspiAdapter::ResetDevice(SRB_BusDeviceReset* r) {
  if (r->SRB_Target >= drives_.size() || r->SRB_Lun != 0) return SS_NO_DEVICE;
  // The target's queued requests are dropped; the drive reports the reset to the next command.
  std::vector<SRB_ExecSCSICmd*> dropped;
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    for (auto it = queue_.begin(); it != queue_.end();) {
      if ((*it)->SRB_Target == r->SRB_Target) {
        dropped.push_back(*it);
        it = queue_.erase(it);
      } else
        ++it;
    }
  }
  for (auto* d : dropped) EndUnrun(d);
  drives_[r->SRB_Target].drive->Reset();
  r->SRB_HaStat = HASTAT_OK;
  r->SRB_TargStat = 0;
  // The reset is over when this returns; a caller waiting for its event is told at once.
  if ((r->SRB_Flags & SRB_EVENT_NOTIFY) && r->SRB_PostProc) {
    r->SRB_Status = SS_COMP;
    SignalCompletion(r->SRB_PostProc);
  }
  return SS_COMP;
}

void AspiAdapter::Worker() {
  while (true) {
    SRB_ExecSCSICmd* r;
    {
      std::unique_lock<std::mutex> lock(queueMutex_);
      queued_.wait(lock, [this] { return !queue_.empty() && !running_; });
      r = queue_.front();
      queue_.pop_front();
      running_ = true;
    }
    const uint8_t status = Run(r, drives_[r->SRB_Target]);
    // Idle before the caller hears of it: its next request may then be answered at once.
    Finished();
    Publish(r, status);
  }
}

uint8_t AspiAdapter::Run(SRB_ExecSCSICmd* r, DriveSlot& slot) {
  CommandResult result = slot.drive->Execute(r->CDBByte, r->SRB_CDBLen, r->SRB_BufPointer, r->SRB_BufLen,
                                             r->SRB_SenseLen > 0);
  r->SRB_HaStat = HASTAT_OK;
  r->SRB_TargStat = result.status;
  uint8_t status = SS_COMP;
  if (result.status == kCheckCondition) {
    std::memset(r->SenseArea, 0, std::min<int>(r->SRB_SenseLen, SRB_SENSE_AREA_LEN));
    EncodeFixedSense(result.sense, r->SenseArea, std::min<int>(r->SRB_SenseLen, SRB_SENSE_AREA_LEN));
    status = SS_ERR;
  } else if (result.status != kGood) {
    status = SS_ERR;
  }
  if ((r->SRB_Flags & SRB_ENABLE_RESIDUAL_COUNT) && (r->SRB_Flags & SRB_DIR_IN))
    r->SRB_BufLen -= result.transferred;
  return status;
}

void AspiAdapter::Publish(SRB_ExecSCSICmd* r, uint8_t status) {
  bool notify = r->SRB_Flags & SRB_EVENT_NOTIFY;
  bool posting = (r->SRB_Flags & SRB_POSTING) && !notify;
  void* event = r->SRB_PostProc;
  // The status is the last thing the caller may look at before the event; clients poll it,
  // so it is published with a release store (everything above becomes visible with it).
  __atomic_store_n(&r->SRB_Status, status, __ATOMIC_RELEASE);
  if (notify && event) SignalCompletion(event);
  // Posting: SRB_PostProc is a routine that receives the request.
  if (posting && event) reinterpret_cast<void(ASPI_CALL*)(void*)>(event)(r);
}

}  // namespace scrivo::vrecorder
