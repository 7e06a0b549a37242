// A fresh folder for one test, removed with everything in it afterwards.
#pragma once
#include "platform/Files.h"
#include <atomic>
#include <filesystem>
#include <string>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace scrivo::test {

inline std::filesystem::path U8Path(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

class TempDir {
public:
    TempDir()
    {
        static std::atomic<int> counter{0};
        auto base = std::filesystem::temp_directory_path();
        for (;;) {
            dir_ = base / ("scrivo-platform-" + std::to_string(Pid()) + "-" + std::to_string(counter++));
            if (std::filesystem::create_directory(dir_))
                break;
        }
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // The folder as a UTF-8 path string, and a path inside it.
    std::string Path() const
    {
        auto u8 = dir_.u8string();
        return std::string(u8.begin(), u8.end());
    }
    std::string operator/(const std::string& name) const { return Path() + PathDelim + name; }

    void MakeFile(const std::string& name, const std::string& content = "") const
    {
        FileHandle h = FileCreateExclusive(*this / name);
        if (h == InvalidFileHandle)
            throw std::runtime_error("cannot create " + name);
        FileWrite(h, content.data(), static_cast<uint32_t>(content.size()));
        FileClose(h);
    }
    void MakeDir(const std::string& name) const { std::filesystem::create_directory(U8Path(*this / name)); }

private:
    static long Pid() { return static_cast<long>(getpid()); }
    std::filesystem::path dir_;
};

} // namespace scrivo::test
