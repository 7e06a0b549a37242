// A foreign ASPI client: loads the library by path, builds execute requests by hand and
// waits for their completion events, as an application would.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "transport/bvASPI_srb.h"

namespace conformance {

struct Outcome {
  uint8_t srbStatus = 0;   // SRB_Status after completion
  uint8_t answer = 0;      // what SendASPI32Command answered
  bool signalled = false;  // the completion event was set
  uint8_t targetStatus = 0;
  uint8_t sense[SRB_SENSE_AREA_LEN] = {};
  std::vector<uint8_t> data;
  uint8_t key() const { return sense[2] & 0x0F; }
  uint8_t asc() const { return sense[12]; }
  uint8_t ascq() const { return sense[13]; }
  bool ok() const { return srbStatus == SS_COMP; }
};

class AspiClient {
 public:
  // Sets VRECORDER_DRIVES for the library and loads it; false with the reason in `error`.
  bool Load(const std::string& path, const std::string& drives, std::string& error);
  uint32_t SupportInfo() const { return getInfo_(); }
  uint32_t SendRaw(void* srb) const { return send_(srb); }

  // One execute request to `target`; `dataIn` bytes are read back, or `dataOut` is sent.
  Outcome Exec(uint8_t target, const std::vector<uint8_t>& cdb, uint32_t dataIn,
               const std::vector<uint8_t>& dataOut = {});

  // Request blocks whose completion is observed by the caller.
  class Event {
   public:
    Event();
    ~Event();
    void* PostProc();
    bool Wait(uint32_t ms);
   private:
    void* impl_;
  };

 private:
  TGetASPI32SupportInfo getInfo_ = nullptr;
  TSendASPI32Command send_ = nullptr;
};

}  // namespace conformance
