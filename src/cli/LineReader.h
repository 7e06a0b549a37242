// Lines from a file descriptor (the terminal), read without blocking when asked to, so a
// front end can look for input between the steps of a run in progress.
#pragma once
#include <string>

namespace scrivo::cli {

class TLineReader {
public:
    // `wakeFd`, when not -1, ends a wait when it becomes readable.
    explicit TLineReader(int fd, int wakeFd = -1) : fd_(fd), wakeFd_(wakeFd) {}
    // The next whole line (without its line end) when one arrives within `timeoutMs`
    // (-1: waits as long as it takes). False when none came, at the end of the input, or
    // when the wake descriptor became readable.
    bool Next(std::string& line, int timeoutMs);
    bool Ended() const { return ended_ && buffer_.empty(); }

private:
    bool TakeLine(std::string& line);
    int fd_;
    int wakeFd_;
    std::string buffer_;
    bool ended_ = false;
};

} // namespace scrivo::cli
