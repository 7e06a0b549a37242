// The subcommands of `scrivo`. A subcommand is one source file with its Run function and
// usage text, plus one line in the table of main.cpp.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

namespace scrivo::cli {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
// Ended by Ctrl-C (or SIGTERM), as shells report a process their SIGINT ended: 128 + 2.
constexpr int ExitInterrupted = 130;

// Whether the build checks for leaks at exit (a sanitizer): memory the process could leave
// to the system is then freed as usual, so that real leaks stand out.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool LeakCheckedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool LeakCheckedBuild = true;
#else
constexpr bool LeakCheckedBuild = false;
#endif
#else
constexpr bool LeakCheckedBuild = false;
#endif

// Bad usage: main prints the text and the subcommand's usage and exits with ExitUsage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TCliCommand {
    const char* Name;
    const char* Summary;
    const char* Usage;
    // Arguments after the subcommand's name; answers the exit status.
    int (*Run)(const std::vector<std::string>& args);
};

int RunImage(const std::vector<std::string>& args);
extern const char* const ImageUsage;
int RunDrives(const std::vector<std::string>& args);
extern const char* const DrivesUsage;
int RunInfo(const std::vector<std::string>& args);
extern const char* const InfoUsage;
int RunWrite(const std::vector<std::string>& args);
extern const char* const WriteUsage;
int RunErase(const std::vector<std::string>& args);
extern const char* const EraseUsage;
int RunLs(const std::vector<std::string>& args);
extern const char* const LsUsage;
int RunEject(const std::vector<std::string>& args);
extern const char* const EjectUsage;
int RunLoad(const std::vector<std::string>& args);
extern const char* const LoadUsage;
int RunWizard(const std::vector<std::string>& args);
extern const char* const WizardUsage;
int RunRepair(const std::vector<std::string>& args);
extern const char* const RepairUsage;
// The advice for a disc left with an unfinished session: the repair command for `drive`.
std::string RepairHint(const std::string& drive);

// "scrivo: " + text on stderr.
void PrintError(const std::string& text);

} // namespace scrivo::cli
