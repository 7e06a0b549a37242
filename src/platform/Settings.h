// Settings store with registry semantics: keys under the current user's hive holding
// named string values. Windows: the registry (HKEY_CURRENT_USER). POSIX: one INI-style
// text file per key under $XDG_CONFIG_HOME (default ~/.config), rewritten atomically on
// every change. Key and value names compare without regard to letter case, as in the
// registry.
#pragma once
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace scrivo {

class ESettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSettingsKey {
public:
    TSettingsKey();
    ~TSettingsKey();
    TSettingsKey(const TSettingsKey&) = delete;
    TSettingsKey& operator=(const TSettingsKey&) = delete;

    // Opens `key` ("Software\\Ombrel\\Scrivo\\"; leading and trailing backslashes do not
    // matter), creating it when missing and `canCreate` is set. False when it cannot be
    // opened or created. Closes a key opened before.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey();
    bool IsOpen() const;

    bool ValueExists(const std::string& name) const;
    // A missing value reads as empty; a value that is not a string raises ESettingsError.
    std::string ReadString(const std::string& name) const;
    // Stored at once; raises ESettingsError when the store refuses.
    void WriteString(const std::string& name, const std::string& value);
    bool DeleteValue(const std::string& name);
    std::vector<std::string> ValueNames() const;

    // Removes a key with its values (and, on POSIX, its file); false when it is missing.
    static bool DeleteKey(const std::string& key);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The components of a key path: split at backslashes, empty parts dropped.
std::vector<std::string> SplitKeyPath(const std::string& key);

} // namespace scrivo
