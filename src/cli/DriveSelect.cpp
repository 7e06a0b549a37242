#include "DriveSelect.h"
#include "Commands.h"
#include "DriveOptions.h"
#include "DriveUser.h"
#include "Media.h"
#include "platform/SystemInfo.h"
#include "transport/bvASPI.h"
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace scrivo::cli {

namespace {

bool Usable(const std::string& entry) { return entry.find("(not supported)") == std::string::npos; }

} // namespace

std::string VirtualRecorderLibrary() {
    if (const char* path = std::getenv(AspiLibraryEnvVar); path && *path)
        return path;
    return ExeFolder() + "libvrecorder_aspi.so";
}

std::string FindDriveEntry(const std::vector<std::string>& list, const std::string& choice) {
    if (choice.empty()) {
        for (const std::string& e : list)
            if (Usable(e))
                return e;
        return "";
    }
    if (choice.find_first_not_of("0123456789") == std::string::npos) {
        const size_t n = std::stoul(choice);
        return n >= 1 && n <= list.size() ? list[n - 1] : "";
    }
    for (const std::string& e : list)
        if (e.rfind(choice + ",", 0) == 0 || e == choice)
            return e;
    return "";
}

void CheckDriveChoice(const std::string& choice) {
    if (choice.empty())
        return;
    if (choice.rfind(VirtualPrefix, 0) != 0) {
        // A position from 1 or an adapter:target:lun address.
        const bool position = choice.find_first_not_of("0123456789") == std::string::npos;
        unsigned a = 0, t = 0, l = 0;
        char end = 0;
        const bool address = std::sscanf(choice.c_str(), "%u:%u:%u%c", &a, &t, &l, &end) == 3;
        if (!position && !address)
            throw UsageError("-d \"" + choice + "\" is neither a drive's position, an adapter:target:lun address nor "
                             "virtual:DISC[,media=KIND,...]");
        return;
    }
    TVirtualChoice v;
    if (!ParseVirtualChoice(choice, v))
        throw UsageError("\"" + choice + "\" names no disc (virtual:DISC[,media=KIND,...])");
    vrecorder::MediaKind kind;
    if (!vrecorder::MediaFromName(v.Media, kind))
        throw UsageError("\"" + choice + "\": unknown media kind \"" + v.Media + "\"");
    // The recorder would only warn about these and go on with the drive it could make.
    vrecorder::DriveOptions options;
    std::string error;
    if (!vrecorder::ParseDriveOptions(v.Disc + v.Options, options, error))
        throw UsageError("\"" + choice + "\": " + error);
}

void CheckVirtualDrives() {
    const char* drives = std::getenv("VRECORDER_DRIVES");
    int target = 0;
    for (const std::string& entry : vrecorder::SplitDrives(drives ? drives : "")) {
        vrecorder::DriveOptions options;
        std::string error;
        if (!vrecorder::ParseDriveOptions(entry, options, error))
            throw UsageError("VRECORDER_DRIVES, drive " + std::to_string(target) + " \"" + entry + "\": " + error);
        ++target;
    }
}

std::string PrepareVirtualDrive(const std::string& choice) {
    CheckDriveChoice(choice);
    TVirtualChoice v;
    ParseVirtualChoice(choice, v);
    std::error_code ec;
    if (!std::filesystem::exists(v.Disc, ec)) {
        if (RunTool("vrecorder", {"create", "--media", v.Media, v.Disc}) != 0)
            return "cannot create the virtual disc \"" + v.Disc + "\"";
    }
    const std::string entry = v.Disc + v.Options;
    setenv("VRECORDER_DRIVES", entry.c_str(), 1);
    return "";
}

bool ParseVirtualChoice(const std::string& choice, TVirtualChoice& out) {
    if (choice.rfind(VirtualPrefix, 0) != 0)
        return false;
    const std::string rest = choice.substr(std::string(VirtualPrefix).size());
    const size_t comma = rest.find(',');
    out.Disc = rest.substr(0, comma);
    out.Options.clear();
    size_t pos = comma;
    while (pos != std::string::npos) {
        const size_t next = rest.find(',', pos + 1);
        const std::string item = rest.substr(pos + 1, next == std::string::npos ? std::string::npos : next - pos - 1);
        if (item.rfind("media=", 0) == 0)
            out.Media = item.substr(6);
        else if (!item.empty())
            out.Options += "," + item;
        pos = next;
    }
    return !out.Disc.empty();
}

int RunTool(const std::string& program, const std::vector<std::string>& args) {
    std::string path = ExeFolder() + program;
    if (access(path.c_str(), X_OK) != 0)
        path = program;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string NoSuchDriveText(const std::string& choice) { return "no drive \"" + choice + "\" (see scrivo drives)"; }

std::string OpenDrives(TSCSIDevice& device, const std::string& choice) {
    CheckDriveChoice(choice);
    const bool virtualChoice = choice.rfind(VirtualPrefix, 0) == 0;
    if (virtualChoice) {
        const std::string failed = PrepareVirtualDrive(choice);
        if (!failed.empty())
            return failed;
    }
    CheckVirtualDrives();
    const char* drives = std::getenv("VRECORDER_DRIVES");
    if (!virtualChoice && !(drives && *drives)) {
        if (!device.InitializeTransport(true, ""))
            return "no CD/DVD drive found";
        return "";
    }
    const std::string library = VirtualRecorderLibrary();
    if (!device.InitializeTransport(false, library) || TransportName != AspiLibraryTransportName)
        return "cannot load the virtual recorder \"" + library + "\"";
    return "";
}

std::string SelectDrive(TSCSIDevice& device, const std::string& choice) {
    if (std::string failed = OpenDrives(device, choice); !failed.empty())
        return failed;
    const bool virtualChoice = choice.rfind(VirtualPrefix, 0) == 0;
    const std::string entry = FindDriveEntry(device.DeviceList, virtualChoice ? "" : choice);
    if (entry.empty() && !choice.empty() && !virtualChoice)
        throw UsageError(NoSuchDriveText(choice));
    if (entry.empty())
        return "no CD/DVD drive found";
    // The command is one run on one drive: it opens the drive once, not once per command.
    device.HoldHandle();
    device.SetDevice(entry);
    if (device.HaId == 254)
        return "cannot select the drive \"" + entry + "\"";
    // One recording at a time: a drive another process has is refused here, with its name.
    if (!device.TestUnitReady(5000) && device.TargetReserved)
        return DriveInUseText(device, choice);
    return "";
}

} // namespace scrivo::cli
