// Ctrl-C while the wizard runs is the user's Cancel, not the end of the program: a
// recording in progress is aborted through the wizard (its Cancel button), so the disc
// is left closed properly. A second Ctrl-C before the first was handled ends the program.
#pragma once
#include "WizardConsole.h"

namespace scrivo::cli {

// Catches SIGINT and SIGTERM for its lifetime.
class TWizardInterrupt {
public:
    TWizardInterrupt();
    ~TWizardInterrupt();
    TWizardInterrupt(const TWizardInterrupt&) = delete;
    TWizardInterrupt& operator=(const TWizardInterrupt&) = delete;

    static bool Pending();
    // Takes a pending interrupt; true when there was one.
    static bool Take();
    // Readable while an interrupt is pending: for a wait on input to end with it.
    static int WakeFd();
};

// Clicks the Cancel button of the form on top (the close box when it shows none), for an
// interrupt that came; true when there was one.
bool CancelOnInterrupt(TWizardConsole& console);

} // namespace scrivo::cli
