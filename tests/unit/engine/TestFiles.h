// Scratch files for the engine tests: a fresh folder per test, removed afterwards.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace scrivo::test {

class TempDir {
public:
    TempDir() {
        static std::atomic<int> serial{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("scrivo-engine-" + std::to_string(stamp) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

    // Writes `bytes` to a new file and answers its path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string p = File(name);
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p;
    }

private:
    std::filesystem::path path_;
};

// `count` bytes following a pattern that differs per `seed`, so misplaced data shows.
inline std::vector<uint8_t> Pattern(size_t count, uint8_t seed) {
    std::vector<uint8_t> v(count);
    for (size_t i = 0; i < count; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 11));
    return v;
}

} // namespace scrivo::test
