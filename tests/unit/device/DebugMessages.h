// The debug messages a component sent, from any thread, as "TYPE TEXT" lines.
#pragma once
#include <mutex>
#include <string>
#include <vector>

namespace scrivo::test {

class DebugMessages {
public:
    void Add(uint8_t type, const std::string& text) {
        std::lock_guard<std::mutex> l(m_);
        lines_.push_back(std::to_string(type) + " " + text);
    }
    // Some line contains `text`.
    bool Has(const std::string& text) {
        std::lock_guard<std::mutex> l(m_);
        for (const std::string& s : lines_)
            if (s.find(text) != std::string::npos)
                return true;
        return false;
    }

private:
    std::mutex m_;
    std::vector<std::string> lines_;
};

} // namespace scrivo::test
