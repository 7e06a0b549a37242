// `scrivo`: the command-line face of the engine. Dispatches to one subcommand.
#include "Commands.h"
#include "EngineSession.h"
#include <cstdio>
#include <cstring>

namespace scrivo::cli {

namespace {

const TCliCommand Commands[] = {
    {"image", "build an ISO 9660/Joliet image file from files and folders", ImageUsage, RunImage},
    {"drives", "list the CD/DVD drives", DrivesUsage, RunDrives},
    {"info", "show a drive's capabilities and speeds and the disc in it", InfoUsage, RunInfo},
    {"ls", "list the sessions, tracks and files of a disc or an image file", LsUsage, RunLs},
    {"write", "record files and folders on a disc as a new session", WriteUsage, RunWrite},
    {"erase", "erase a rewritable disc", EraseUsage, RunErase},
    {"repair", "close the session an interrupted recording left open", RepairUsage, RunRepair},
    {"eject", "eject the disc of a drive", EjectUsage, RunEject},
    {"load", "close a drive's tray, loading its disc", LoadUsage, RunLoad},
    {"wizard", "the Write Files to CD wizard in the terminal", WizardUsage, RunWizard},
};

void PrintOverview(FILE* to) {
    std::fprintf(to, "usage: scrivo COMMAND [ARGS...]\n\ncommands:\n");
    for (const TCliCommand& c : Commands)
        std::fprintf(to, "  %-8s %s\n", c.Name, c.Summary);
    std::fprintf(to, "\nexit status: %d done, %d failed, %d bad usage, %d interrupted (Ctrl-C)\n", ExitOk, ExitFailure,
                 ExitUsage, ExitInterrupted);
    std::fprintf(to, "\n'scrivo COMMAND --help' describes one command; 'scrivo --version' tells the version.\n");
}

void PrintVersion() { std::printf("scrivo %s\n", SCRIVO_VERSION); }

// Bad usage: the problem in one line and where to read more.
int UsageFailure(const std::string& text, const std::string& command) {
    PrintError(text + "; see `scrivo " + (command.empty() ? "" : command + " ") + "--help`");
    return ExitUsage;
}

} // namespace

void PrintError(const std::string& text) { std::fprintf(stderr, "scrivo: %s\n", text.c_str()); }

int Main(int argc, char** argv) {
    if (argc < 2)
        return UsageFailure("no command given", "");
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintOverview(stdout);
        return ExitOk;
    }
    if (name == "--version") {
        PrintVersion();
        return ExitOk;
    }
    for (const TCliCommand& c : Commands) {
        if (name != c.Name)
            continue;
        const std::vector<std::string> args(argv + 2, argv + argc);
        for (const std::string& a : args) {
            if (a == "--")
                break;
            if (a == "--help" || a == "-h") {
                std::printf("usage: %s\n", c.Usage);
                return ExitOk;
            }
            if (a == "--version") {
                PrintVersion();
                return ExitOk;
            }
        }
        try {
            const int status = c.Run(args);
            // Whatever a command makes of an interrupt, the caller learns it was one.
            return status == ExitFailure && TEngineSession::Interrupted ? ExitInterrupted : status;
        } catch (const UsageError& e) {
            return UsageFailure(e.what(), c.Name);
        }
    }
    return UsageFailure("unknown command \"" + name + "\"", "");
}

} // namespace scrivo::cli

int main(int argc, char** argv) {
    try {
        return scrivo::cli::Main(argc, argv);
    } catch (const std::exception& e) {
        scrivo::cli::PrintError(e.what());
        return scrivo::cli::ExitFailure;
    }
}
