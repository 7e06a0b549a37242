#include "ActivityLog.h"
#include "platform/DateTime.h"
#include "platform/SystemInfo.h"

#include <filesystem>
#include <fstream>
#include <mutex>

namespace scrivo {

namespace {

// One lock for every log of the process: two threads (or two logs naming one file)
// never write at the same time.
std::mutex& LogMutex()
{
    static std::mutex m;
    return m;
}

} // namespace

std::string TActivityLog::DefaultFileName() { return ExeFolder() + ActivityLogName; }

TActivityLog::TActivityLog() : Ticks([] { return TickCount(); }) {}

void TActivityLog::Restart() { StartTicks = Ticks(); }

uint32_t TActivityLog::ElapsedSeconds(uint32_t start, uint32_t now) { return (now - start) / 1000; }

std::string TActivityLog::FormatLine(uint32_t elapsedSeconds, const std::string& section, const std::string& text)
{
    return std::to_string(elapsedSeconds) + " - [" + section + "] " + text;
}

void TActivityLog::LogLine(const std::string& section, const std::string& text, bool startNew)
{
    if (!Enabled)
        return;
    try {
        std::string line = FormatLine(ElapsedSeconds(StartTicks, Ticks()), section, text) + "\r\n";
        std::filesystem::path path(std::u8string(FileName.begin(), FileName.end()));
        std::lock_guard<std::mutex> lock(LogMutex());
        std::ofstream out(path, std::ios::binary | (startNew ? std::ios::trunc : std::ios::app));
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    } catch (...) {
        // A log that cannot be written is not the user's problem.
    }
}

} // namespace scrivo
