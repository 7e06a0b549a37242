// The wizard as one call: the library's exported entry, in portable form.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace scrivo {

// The wizard as one call. Strings are UTF-8; nullptr reads as empty. `Files` may be null.
// Answers 0 (Previous on page 1), 1 (closed after a recording without error), 2 (anything
// else, including every error: nothing escapes). The windows are owned by ParentWindow
// through the form toolkit's back end, which the caller installs with that window.
int WriteFilesToCD(void* ParentWindow, const std::vector<std::string>* Files, int16_t AddMode,
                   const char* DestFolder, const char* VolLabel, const char* RegistryKey,
                   bool ShowReviewFiles, bool ShowPrevious, bool WriteLog) noexcept;

} // namespace scrivo
