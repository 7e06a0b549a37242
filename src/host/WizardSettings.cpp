#include "WizardSettings.h"
#include "SettingValues.h"

namespace scrivo {

namespace {

void OpenOrFail(TSettingsKey& key, const std::string& registryKey)
{
    if (!key.OpenKey(registryKey, true))
        throw ESettingsKeyError("Failed to create key " + registryKey);
}

} // namespace

TWizardSettings LoadWizardSettings(const std::string& registryKey, int cacheSize)
{
    TSettingsKey key;
    OpenOrFail(key, registryKey);
    TWizardSettings s;
    s.CDRomDrive = ReadIntSetting(key, "CDRomDrive", -1);
    s.CDSpeed = ReadIntSetting(key, "CDSpeed", -1);
    s.UseInternalASPI = ReadBoolSetting(key, "UseInternalASPI", true);
    s.FixedWNASPI = key.ReadString("FixedWNASPI");
    s.CloseTrack = ReadBoolSetting(key, "CloseTrack", true);
    s.CloseDisc = ReadBoolSetting(key, "CloseDisc", false);
    s.JolietFS = ReadBoolSetting(key, "JolietFS", true);
    s.TestWrite = ReadBoolSetting(key, "TestWrite", false);
    s.PerformOPC = ReadBoolSetting(key, "PerformOPC", true);
    s.VerifyWrite = ReadBoolSetting(key, "VerifyWrite", false);
    s.VolumeLabel = key.ReadString("VolumeLabel");
    if (s.VolumeLabel.empty())
        s.VolumeLabel = DefaultVolumeLabel;
    s.CacheSize = ReadIntSetting(key, "CacheSize", cacheSize);
    key.CloseKey();
    return s;
}

void SaveWizardSettings(const std::string& registryKey, const TWizardSettings& s)
{
    TSettingsKey key;
    OpenOrFail(key, registryKey);
    WriteBoolSetting(key, "CloseTrack", s.CloseTrack);
    WriteBoolSetting(key, "CloseDisc", s.CloseDisc);
    WriteBoolSetting(key, "JolietFS", s.JolietFS);
    WriteBoolSetting(key, "TestWrite", s.TestWrite);
    WriteBoolSetting(key, "PerformOPC", s.PerformOPC);
    key.WriteString("VolumeLabel", s.VolumeLabel);
    WriteIntSetting(key, "CacheSize", s.CacheSize);
    key.WriteString("FixedWNASPI", s.FixedWNASPI);
    WriteIntSetting(key, "CDSpeed", s.CDSpeed);
    WriteIntSetting(key, "CDRomDrive", s.CDRomDrive);
    WriteBoolSetting(key, "VerifyWrite", s.VerifyWrite);
    key.CloseKey();
}

} // namespace scrivo
