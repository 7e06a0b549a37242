// The disc as the image builder sees it during a recording: kind, start address of the new
// session and the reads of the session import, all through the burner component's drive.
#pragma once
#include "image/bvISOLib.h"

namespace scrivo {

class TBrenvik;

class TBrenvikDisc : public TImageDisc {
public:
    explicit TBrenvikDisc(TBrenvik& component) : c_(component) {}
    uint8_t ReadDiscKind() override;
    bool FindStartAddress(uint32_t& address) override;
    // The drive's complete sessions, less the last ones that hold an interrupted recording.
    int RecordedSessionCount() override;
    bool ReadTrackInformation(int track, uint32_t& start, uint32_t& sectors) override;
    bool ReadSessionExtent(int session, uint32_t& start, uint32_t& sectors) override;
    bool ReadSectors(uint32_t address, uint32_t count, uint8_t* buffer) override;
    // The drive's StopWaiting: what ends a wait for the drive ends an import too.
    bool StopRequested() override;

private:
    // Overwritable discs keep one file system that grows: its volume size is where the
    // new session starts.
    uint32_t OverwritableStart();
    // The first track of a complete session; 0 when not found.
    int FirstTrackOfSession(int session);
    // A session closed over a recording that was cut off (see scrivo repair): nothing of it was
    // recorded, or its file system reaches past the last block recorded. Nobody imports it.
    bool HoldsInterruptedRecording(int session);
    TBrenvik& c_;
};

} // namespace scrivo
