// Settings on POSIX: key "A\B\C" is the file <config>/A/B/C.ini. Folder and file names
// are matched without regard to letter case, so a key keeps working whatever case the
// caller spells it in. Every change rewrites the file through a temporary file and a
// rename, so a reader never sees half a file.
#include "platform/IniValues.h"
#include "platform/Settings.h"
#include "platform/Text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace scrivo {

namespace {

std::string ConfigRoot()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.config";
}

bool SafeComponent(const std::string& c)
{
    return c != "." && c != ".." && c.find('/') == std::string::npos && c.find('\0') == std::string::npos;
}

// The entry of `dir` whose name equals `name` without regard to case, else `name`.
std::string MatchEntry(const std::string& dir, const std::string& name)
{
    std::string found = name;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            if (name == e->d_name) {
                found = name;
                break;
            }
            if (SameText(name, e->d_name))
                found = e->d_name;
        }
        closedir(d);
    }
    return found;
}

bool IsDir(const std::string& p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirs(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/')
            continue;
        std::string part = path.substr(0, i);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return IsDir(path);
}

// The file of `key`, resolving existing folders and file case-insensitively. Empty when
// the key names nothing a file can stand for.
std::string KeyFile(const std::string& key, std::string* folderOut)
{
    std::vector<std::string> parts = SplitKeyPath(key);
    if (parts.empty())
        return "";
    std::string dir = ConfigRoot();
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!SafeComponent(parts[i]))
            return "";
        if (i + 1 < parts.size())
            dir += "/" + MatchEntry(dir, parts[i]);
    }
    if (folderOut)
        *folderOut = dir;
    return dir + "/" + MatchEntry(dir, parts.back() + ".ini");
}

std::string ReadWholeFile(const std::string& path)
{
    std::string text;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    close(fd);
    return text;
}

void WriteAtomically(const std::string& path, const std::string& text)
{
    std::string tmp = path + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0)
        throw ESettingsError("Failed to write settings to " + path + ": " + std::strerror(errno));
    size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    int err = errno;
    ok = ok && fsync(fd) == 0;
    if (close(fd) != 0)
        ok = false;
    if (ok && rename(name.data(), path.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        unlink(name.data());
        throw ESettingsError("Failed to write settings to " + path + ": " + std::strerror(err));
    }
}

} // namespace

struct TSettingsKey::Impl {
    std::string Key;
    std::string File;

    IniValues Load() const { return IniValues::Parse(ReadWholeFile(File)); }
    void Store(const IniValues& v) const { WriteAtomically(File, v.Format(Key)); }
};

TSettingsKey::TSettingsKey() = default;
TSettingsKey::~TSettingsKey() = default;

bool TSettingsKey::OpenKey(const std::string& key, bool canCreate)
{
    CloseKey();
    std::string folder;
    std::string file = KeyFile(key, &folder);
    if (file.empty())
        return false;
    std::string joined;
    for (const std::string& p : SplitKeyPath(key))
        joined += (joined.empty() ? "" : "\\") + p;
    if (!IsFile(file)) {
        if (!canCreate || !MakeDirs(folder))
            return false;
        try {
            WriteAtomically(file, IniValues().Format(joined));
        } catch (const ESettingsError&) {
            return false;
        }
    }
    impl_ = std::make_unique<Impl>();
    impl_->Key = joined;
    impl_->File = file;
    return true;
}

void TSettingsKey::CloseKey() { impl_.reset(); }

bool TSettingsKey::IsOpen() const { return impl_ != nullptr; }

bool TSettingsKey::ValueExists(const std::string& name) const
{
    return impl_ && impl_->Load().Find(name) >= 0;
}

std::string TSettingsKey::ReadString(const std::string& name) const
{
    if (!impl_)
        return "";
    IniValues v = impl_->Load();
    int i = v.Find(name);
    return i < 0 ? std::string() : v.Items[i].second;
}

void TSettingsKey::WriteString(const std::string& name, const std::string& value)
{
    if (!impl_)
        throw ESettingsError("Failed to set data for '" + name + "': no key is open");
    IniValues v = impl_->Load();
    v.Set(name, value);
    impl_->Store(v);
}

bool TSettingsKey::DeleteValue(const std::string& name)
{
    if (!impl_)
        return false;
    IniValues v = impl_->Load();
    if (!v.Remove(name))
        return false;
    impl_->Store(v);
    return true;
}

std::vector<std::string> TSettingsKey::ValueNames() const
{
    std::vector<std::string> names;
    if (impl_)
        for (const auto& item : impl_->Load().Items)
            names.push_back(item.first);
    return names;
}

bool TSettingsKey::DeleteKey(const std::string& key)
{
    std::string file = KeyFile(key, nullptr);
    return !file.empty() && unlink(file.c_str()) == 0;
}

} // namespace scrivo
