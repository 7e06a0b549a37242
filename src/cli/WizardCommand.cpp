// `scrivo wizard`: the "Write Files to CD" wizard in a terminal, on the headless back end
// of the form toolkit, with the person at the terminal or an answers file as its user.
#include "ArgReader.h"
#include "Commands.h"
#include "device/TimeScale.h"
#include "WizardDrive.h"
#include "WizardInterrupt.h"
#include "WizardUser.h"
#include "host/WizardSettings.h"
#include "host/WriteCD.h"
#include "host/uCDMain.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace scrivo::cli {

const char* const WizardUsage =
    "scrivo wizard [--answers FILE] [-d DRIVE] [--key REGKEY] [--label L] [--add-mode N]\n"
    "              [--dest F] [--no-log] PATH...\n"
    "  Runs the \"Write Files to CD\" wizard in the terminal with PATHs as its file list (a\n"
    "  folder, with or without a trailing /, gives the files lying directly in it).\n"
    "  Each page and message is printed as it appears and changes; each click or answer is a\n"
    "  line on stdin: a button's caption (Finish, Previous, Cancel, Close, Advanced, Review\n"
    "  Files), a check box and on|off (Erase on), a list and its item (Speed 16X), CloseBox;\n"
    "  OK, Yes or No for a message; Files A|B or Cancel for a file dialog (? lists what a\n"
    "  page offers). --answers FILE takes the lines from FILE, unattended; answers that run\n"
    "  out stop the wizard (exit status 2). Ctrl-C is the wizard's Cancel.\n"
    "  DRIVE as for scrivo write: virtual:DISC[,media=KIND,...] makes a virtual recorder the\n"
    "  wizard's only drive (a missing DISC is created blank). REGKEY: the settings key\n"
    "  (default Software\\Ombrel\\Scrivo\\). --label: the volume label (default: the stored one).\n"
    "  --add-mode 0 or 1 (default 0) puts plain files in the disc's root, 2 in --dest F.\n"
    "  The log ScrivoLog.txt is written beside this program unless --no-log.\n"
    "  Exit status: 0 Previous on the first page, 1 closed after a disc was written, 2 else.";

namespace {

struct TWizardArgs {
    std::string Answers, Drive, Key = DefaultRegistryKey, Dest;
    std::optional<std::string> Label;
    int16_t AddMode = 0;
    bool Log = true;
    std::vector<std::string> Paths;
};

int16_t ParseAddMode(const std::string& s)
{
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || v < INT16_MIN || v > INT16_MAX)
        throw UsageError("--add-mode takes a whole number (0, 1 or 2)");
    return static_cast<int16_t>(v);
}

TWizardArgs Parse(const std::vector<std::string>& args)
{
    TWizardArgs a;
    TArgReader r(args);
    while (r.Next()) {
        if (r.Is("--answers"))
            a.Answers = r.Value();
        else if (r.Is("-d", "--drive"))
            a.Drive = r.Value();
        else if (r.Is("--key"))
            a.Key = r.Value();
        else if (r.Is("--label"))
            a.Label = r.Value();
        else if (r.Is("--add-mode"))
            a.AddMode = ParseAddMode(r.Value());
        else if (r.Is("--dest"))
            a.Dest = r.Value();
        else if (r.Is("--no-log"))
            a.Log = false;
        else
            a.Paths.push_back(r.Operand());
    }
    if (a.Key.empty())
        a.Key = DefaultRegistryKey;
    return a;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        throw UsageError("cannot read the answers file \"" + path + "\"");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

const char* ResultText(int result)
{
    switch (result) {
    case 0:
        return "Previous on the first page";
    case 1:
        return "closed after a disc was written";
    default:
        return "closed without a disc written";
    }
}

} // namespace

int RunWizard(const std::vector<std::string>& args)
{
    const TWizardArgs a = Parse(args);
    const std::vector<std::string> answers = a.Answers.empty() ? std::vector<std::string>() : ReadLines(a.Answers);

    TWizardDrive drive;
    if (std::string failed = drive.Prepare(a.Drive, a.Key); !failed.empty()) {
        PrintError(failed);
        return 2;
    }

    THeadlessBackEnd ui;
    ui.VirtualClock = false; // timers tick in real time, as on the screen
    TWizardConsole console(ui, stdout);
    std::unique_ptr<TWizardUser> user =
        a.Answers.empty() ? TerminalUser(ui, console, STDIN_FILENO) : AnswerFileUser(ui, console, answers);

    TWizardInterrupt interrupt;
    WizardCreated = [](TfrmCDMain& form) { ApplyTimeScale(form.brenvik); };
    const int result = WriteFilesToCD(nullptr, &a.Paths, a.AddMode, a.Dest.c_str(),
                                      a.Label ? a.Label->c_str() : nullptr, a.Key.c_str(), true, true, a.Log);
    WizardCreated = nullptr;

    console.Refresh(true);
    if (a.Log) {
        const std::string log = TActivityLog::DefaultFileName();
        if (std::filesystem::exists(log))
            console.Note("Log: " + log);
    }
    console.Note("Result " + std::to_string(result) + ": " + ResultText(result));
    if (!user->Failure.empty() && result == 2)
        PrintError(user->Failure);
    return result;
}

} // namespace scrivo::cli
