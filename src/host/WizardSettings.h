// The wizard's remembered choices: string values under the host-chosen registry key,
// read once at start-up and written once when the wizard closes.
#pragma once
#include "platform/Settings.h"

#include <string>

namespace scrivo {

constexpr const char* DefaultRegistryKey = "Software\\Ombrel\\Scrivo\\";
constexpr const char* DefaultVolumeLabel = "Ombrel CD";

struct TWizardSettings {
    int CDRomDrive = -1; // item index of the drive list; -1: nothing selected
    int CDSpeed = -1;    // item index of the speed list; stored, never applied
    bool UseInternalASPI = true; // read only: the library never writes it
    std::string FixedWNASPI;
    bool CloseTrack = true;
    bool CloseDisc = false;
    bool JolietFS = true;
    bool TestWrite = false;
    bool PerformOPC = true;
    bool VerifyWrite = false;
    std::string VolumeLabel = DefaultVolumeLabel;
    int CacheSize = 4194304; // bytes
};

// The settings key cannot be opened or created (a name the store refuses).
class ESettingsKeyError : public ESettingsError {
public:
    using ESettingsError::ESettingsError;
};

// Opens (creating) `registryKey` and reads every value, ESettingsKeyError when it cannot;
// a missing or unreadable Boolean or integer gives its default, `cacheSize` being the
// default of "CacheSize". A stored value that is not text raises ESettingsError.
TWizardSettings LoadWizardSettings(const std::string& registryKey, int cacheSize);
// Writes every value but "UseInternalASPI", in the wizard's order; ESettingsError when the
// key cannot be opened or a value cannot be written.
void SaveWizardSettings(const std::string& registryKey, const TWizardSettings& settings);

} // namespace scrivo
