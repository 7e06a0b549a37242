// The activity log: plain text lines "<elapsed seconds> - [<section>] <text>" ended by
// CR LF, in a file that each wizard run starts afresh. Every append opens, writes and
// closes the file, so the log survives a crash; appends from several threads are
// serialised so lines never mix. Failures are swallowed: logging never disturbs a run.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace scrivo {

// The log's name in the folder of the host executable.
constexpr const char* ActivityLogName = "ScrivoLog.txt";

class TActivityLog {
public:
    // The log in the folder of the host executable: ExeFolder() + ActivityLogName.
    static std::string DefaultFileName();

    std::string FileName = DefaultFileName();
    bool Enabled = false;
    uint32_t StartTicks = 0; // origin of the elapsed-seconds column
    // The millisecond tick source; tests put a clock of their own here.
    std::function<uint32_t()> Ticks;

    TActivityLog();
    // Sets StartTicks from the tick source.
    void Restart();
    // Writes one line when Enabled; `startNew` replaces any existing file first.
    void LogLine(const std::string& section, const std::string& text, bool startNew = false);

    // Whole seconds from `start` to `now`, correct across the 32-bit wrap of the tick count.
    static uint32_t ElapsedSeconds(uint32_t start, uint32_t now);
    // The line without its line end.
    static std::string FormatLine(uint32_t elapsedSeconds, const std::string& section, const std::string& text);
};

} // namespace scrivo
