#include "platform/Mail.h"

#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace scrivo {

namespace {

// The first executable `name` in the folders of $PATH; empty when there is none.
std::string FindOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        start = end + 1;
        if (dir.empty())
            continue; // the current folder is not searched on purpose
        std::string candidate = dir + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

} // namespace

void SendMailWithDialog(const TMailMessage& message)
{
    std::string tool = FindOnPath("xdg-email");
    if (tool.empty())
        throw EMailError("xdg-email is not installed");
    std::vector<std::string> args{tool, "--utf8", "--subject", message.Subject};
    if (!message.Body.empty())
        args.insert(args.end(), {"--body", message.Body});
    if (!message.AttachmentPath.empty())
        args.insert(args.end(), {"--attach", message.AttachmentPath});
    args.push_back(message.RecipientAddress);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        throw EMailError("xdg-email could not be started");
    int status = 0;
    pid_t got;
    while ((got = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (got != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw EMailError("xdg-email found no mail client to compose the message");
}

} // namespace scrivo
