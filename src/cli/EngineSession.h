// What `scrivo write` and `scrivo erase` share: the burner component with its messages going
// to a log file and (with -v) the terminal, Ctrl-C caught, and the checks of the disc.
#pragma once
#include "ArgReader.h"
#include "engine/bvCDBC.h"
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace scrivo::cli {

class TEngineSession {
public:
    // `logPath` empty: no log file. Throws UsageError when the log cannot be opened.
    TEngineSession(const std::string& logPath, bool verbose);
    ~TEngineSession();

    TBrenvik Brenvik;
    // Set by SIGINT/SIGTERM; Brenvik's StopWaiting answers it.
    static std::atomic<bool> Interrupted;

    // The drive is ready with a disc in it; answers an error text, empty when it is.
    std::string WaitForDisc();
    // Selects `drive` (see SelectDrive) and waits for its disc; answers an error text.
    std::string Open(const std::string& drive);
    // Pumps the calls the worker threads hand to this (the main) thread until `done`,
    // calling `tick` about every 100 ms.
    template <class Done, class Tick>
    void Pump(Done done, Tick tick) {
        while (!done()) {
            CheckSynchronize(100);
            tick();
        }
    }

private:
    void Message(const std::string& text, uint8_t type);
    std::mutex m_;
    FILE* log_ = nullptr;
    bool verbose_;
};

// The options of a command that works on the disc in a drive: -d DRIVE, --log FILE, -v.
struct TDriveArgs {
    std::string Drive, Log;
    bool Verbose = false;
};
// Takes the current argument of `r` when it is one of them; false when it is another.
bool TakeDriveOption(TArgReader& r, TDriveArgs& a);

// Kinds a session can be recorded on, and those that can be erased.
bool IsWritableKind(uint8_t kind);
bool IsErasableKind(uint8_t kind);

} // namespace scrivo::cli

namespace scrivo::cli {
// Erases the disc in the session's drive (quick unless `full`), showing the progress;
// answers an error text, empty when the disc is blank again.
std::string EraseDisc(TEngineSession& session, bool full);
} // namespace scrivo::cli
