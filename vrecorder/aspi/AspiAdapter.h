// The virtual host adapter behind the ASPI entry points: its drives (one per entry of
// VRECORDER_DRIVES, target ids from 0) and the worker that completes the execute requests
// that are not answered at once.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Drive.h"
#include "transport/bvASPI_srb.h"

namespace scrivo::vrecorder {

class AspiAdapter {
 public:
  // The process-wide adapter, made from VRECORDER_DRIVES on first use. It is never
  // destroyed: its worker may still run while the process ends.
  static AspiAdapter& Instance();
  // Puts every disc's state on file, when the adapter was ever made.
  static void FlushIfMade();

  explicit AspiAdapter(const std::string& drivesValue);
  uint32_t SupportInfo() const;
  uint32_t Send(void* srb);
  void FlushAll();

 private:
  struct DriveSlot {
    std::unique_ptr<Drive> drive;
    uint32_t commands = 0;  // execute requests so far, of lost_completion_op's code when set
  };
  // Whether the request `r` just sent is the one the drive's lost_completion_at loses.
  static bool Loses(DriveSlot& slot, const SRB_ExecSCSICmd& r);

  uint8_t HaInquiry(SRB_HAInquiry* r);
  uint8_t DeviceType(SRB_GDEVBlock* r);
  uint8_t DiskInfo(SRB_GetDiskInfo* r);
  uint8_t Execute(SRB_ExecSCSICmd* r);
  uint8_t Abort(SRB_Abort* r);
  uint8_t ResetDevice(SRB_BusDeviceReset* r);
  // Ends a request that will not run (aborted, or dropped by a reset) as SS_ABORTED.
  void EndUnrun(SRB_ExecSCSICmd* r);
  // Runs the request on its drive and fills in its results; answers its final status.
  uint8_t Run(SRB_ExecSCSICmd* r, DriveSlot& slot);
  // Sets the request's status, then tells the caller (event or posting routine).
  static void Publish(SRB_ExecSCSICmd* r, uint8_t status);
  // Ends the running request: the next queued one (or a synchronous caller) may go.
  void Finished();
  void Worker();

  std::vector<DriveSlot> drives_;
  bool configured_ = false;
  std::mutex queueMutex_;
  std::condition_variable queued_;  // the worker: a request queued, or the running one done
  std::condition_variable idle_;    // synchronous callers: nothing queued or running
  std::deque<SRB_ExecSCSICmd*> queue_;
  std::deque<SRB_ExecSCSICmd*> lost_;  // requests lost_completion_at keeps from completing
  bool running_ = false;  // a request is being run (by its caller or the worker)
  bool started_ = false;
};

// Signals the completion event named by SRB_PostProc (platform specific).
void SignalCompletion(void* postProc);
// The value of VRECORDER_DRIVES in the process environment (platform specific).
std::string DrivesVariable();
// Keeps the library loaded for good once the adapter is made (platform specific).
void PinLibrary();

}  // namespace scrivo::vrecorder
