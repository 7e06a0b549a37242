// Typed settings over the string store: Booleans are "True"/"False" (read without regard
// to letter case), integers decimal; text that does not read gives the default.
#pragma once
#include "platform/Settings.h"

namespace scrivo {

bool ReadBoolSetting(const TSettingsKey& key, const std::string& name, bool defaultValue);
int ReadIntSetting(const TSettingsKey& key, const std::string& name, int defaultValue);
void WriteBoolSetting(TSettingsKey& key, const std::string& name, bool value);
void WriteIntSetting(TSettingsKey& key, const std::string& name, int value);

// "True" or "False".
const char* BoolText(bool value);
// A 32-bit integer in the system's integer syntax: optional blanks and sign, decimal
// digits or "$"/"0x" hexadecimal; false when the text is anything else or out of range.
bool TryParseInt(const std::string& text, int& out);

} // namespace scrivo
