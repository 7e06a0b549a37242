// Settings in the registry under HKEY_CURRENT_USER, as string values.
#include "platform/Settings.h"
#include "WidePath.h"

#include <windows.h>

namespace scrivo {

namespace {

std::wstring KeyPath(const std::string& key)
{
    std::string joined;
    for (const std::string& p : SplitKeyPath(key))
        joined += (joined.empty() ? "" : "\\") + p;
    return WideText(joined);
}

} // namespace

struct TSettingsKey::Impl {
    HKEY Key = nullptr;
    ~Impl()
    {
        if (Key)
            RegCloseKey(Key);
    }
};

TSettingsKey::TSettingsKey() = default;
TSettingsKey::~TSettingsKey() = default;

bool TSettingsKey::OpenKey(const std::string& key, bool canCreate)
{
    CloseKey();
    std::wstring path = KeyPath(key);
    if (path.empty())
        return false;
    HKEY h = nullptr;
    LONG rc;
    if (canCreate)
        rc = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_READ | KEY_WRITE, nullptr, &h, nullptr);
    else
        rc = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &h);
    if (rc != ERROR_SUCCESS)
        return false;
    impl_ = std::make_unique<Impl>();
    impl_->Key = h;
    return true;
}

void TSettingsKey::CloseKey() { impl_.reset(); }

bool TSettingsKey::IsOpen() const { return impl_ != nullptr; }

bool TSettingsKey::ValueExists(const std::string& name) const
{
    return impl_ && RegQueryValueExW(impl_->Key, WideText(name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
                        ERROR_SUCCESS;
}

std::string TSettingsKey::ReadString(const std::string& name) const
{
    if (!impl_)
        return "";
    std::wstring wname = WideText(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(impl_->Key, wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return "";
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ESettingsError("Invalid data type for '" + name + "'");
    std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
    if (RegQueryValueExW(impl_->Key, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &bytes) !=
        ERROR_SUCCESS)
        throw ESettingsError("Failed to get data for '" + name + "'");
    buf.resize(bytes / sizeof(wchar_t));
    while (!buf.empty() && buf.back() == L'\0')
        buf.pop_back();
    return NarrowText(buf.c_str());
}

void TSettingsKey::WriteString(const std::string& name, const std::string& value)
{
    std::wstring wvalue = WideText(value);
    if (!impl_ || RegSetValueExW(impl_->Key, WideText(name).c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(wvalue.c_str()),
                                 static_cast<DWORD>((wvalue.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        throw ESettingsError("Failed to set data for '" + name + "'");
}

bool TSettingsKey::DeleteValue(const std::string& name)
{
    return impl_ && RegDeleteValueW(impl_->Key, WideText(name).c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> TSettingsKey::ValueNames() const
{
    std::vector<std::string> names;
    if (!impl_)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD len = 16384;
        if (RegEnumValueW(impl_->Key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(NarrowText(name));
    }
    return names;
}

bool TSettingsKey::DeleteKey(const std::string& key)
{
    std::wstring path = KeyPath(key);
    return !path.empty() && RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS;
}

} // namespace scrivo
