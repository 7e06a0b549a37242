#include "WizardInterrupt.h"
#include "host/ui/headless/UserActions.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace scrivo::cli {

namespace {

std::atomic<bool> pending{false};
// The signal may reach any thread: a byte in this pipe wakes the one that waits for input.
int wakePipe[2] = {-1, -1};

extern "C" void OnWizardInterrupt(int signal)
{
    if (pending.exchange(true)) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    if (wakePipe[1] >= 0) {
        ssize_t written = write(wakePipe[1], "!", 1);
        (void)written;
    }
}

void Drain()
{
    char buffer[16];
    while (wakePipe[0] >= 0 && read(wakePipe[0], buffer, sizeof buffer) > 0) {
    }
}

} // namespace

TWizardInterrupt::TWizardInterrupt()
{
    pending = false;
    if (wakePipe[0] < 0 && pipe(wakePipe) == 0) {
        fcntl(wakePipe[0], F_SETFL, O_NONBLOCK);
        fcntl(wakePipe[1], F_SETFL, O_NONBLOCK);
    }
    std::signal(SIGINT, OnWizardInterrupt);
    std::signal(SIGTERM, OnWizardInterrupt);
}

TWizardInterrupt::~TWizardInterrupt()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool TWizardInterrupt::Pending() { return pending; }

bool TWizardInterrupt::Take()
{
    Drain();
    return pending.exchange(false);
}

int TWizardInterrupt::WakeFd() { return wakePipe[0]; }

bool CancelOnInterrupt(TWizardConsole& console)
{
    TForm* form = console.Active();
    if (!form || !TWizardInterrupt::Take())
        return false;
    TControl* cancel = form->CancelButton();
    console.Note(std::string("Interrupted: ") + (cancel ? "Cancel" : "CloseBox"));
    if (cancel)
        UserClick(*cancel);
    else
        UserCloseBox(*form);
    return true;
}

} // namespace scrivo::cli
