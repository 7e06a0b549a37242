// Showing the wizard the recorder that `scrivo wizard -d` names. The wizard finds its
// drives itself at start-up, through the transport that the stored "UseInternalASPI" value
// picks, and selects the stored "CDRomDrive" position. So a virtual recorder becomes the
// only drive of the ASPI library that the wizard loads (with "UseInternalASPI" false for
// the run, as whenever VRECORDER_DRIVES names drives), and a drive named by its position
// or address is stored as the position to select.
#pragma once
#include "platform/Settings.h"

#include <optional>
#include <string>

namespace scrivo::cli {

class TWizardDrive {
public:
    // Restores the "UseInternalASPI" value the run changed.
    ~TWizardDrive();
    // Prepares `choice` (empty: the wizard chooses) under the settings key `key`. Answers
    // an error text, empty on success.
    std::string Prepare(const std::string& choice, const std::string& key);

private:
    std::string key_;
    bool changed_ = false;
    std::optional<std::string> oldUseInternal_; // nullopt: there was no value
};

} // namespace scrivo::cli
