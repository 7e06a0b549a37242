#include "LineReader.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace scrivo::cli {

bool TLineReader::TakeLine(std::string& line)
{
    size_t end = buffer_.find('\n');
    if (end == std::string::npos) {
        if (!ended_ || buffer_.empty())
            return false;
        end = buffer_.size(); // the last line has no line end
    }
    line = buffer_.substr(0, end);
    buffer_.erase(0, end + 1 > buffer_.size() ? buffer_.size() : end + 1);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

bool TLineReader::Next(std::string& line, int timeoutMs)
{
    while (!TakeLine(line)) {
        if (ended_)
            return false;
        pollfd p[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        int ready = poll(p, wakeFd_ < 0 ? 1 : 2, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0 || (wakeFd_ >= 0 && (p[1].revents & POLLIN)))
            return false;
        char chunk[4096];
        ssize_t n = ready < 0 ? -1 : read(fd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ended_ = true;
        else
            buffer_.append(chunk, static_cast<size_t>(n));
    }
    return true;
}

} // namespace scrivo::cli
