#include "Progress.h"
#include "platform/DateTime.h"
#include <cstdio>
#include <unistd.h>

namespace scrivo::cli {

TProgressLine::TProgressLine(std::string label, int64_t totalBytes)
    : label_(std::move(label)), total_(totalBytes), shown_(isatty(STDERR_FILENO) == 1), startTick_(TickCount()) {}

TProgressLine::~TProgressLine() { Finish(); }

void TProgressLine::Update(int64_t done, const std::string& extra) {
    if (!shown_ || finished_)
        return;
    const int permille = total_ > 0 ? static_cast<int>(done * 1000 / total_) : 1000;
    const uint32_t now = TickCount();
    // Redrawing costs a write per call: only when the figure changed, at most 10 times a second.
    if (permille == lastPermille_ || (now - lastTick_ < 100 && permille < 1000))
        return;
    lastPermille_ = permille;
    lastTick_ = now;
    const double seconds = (now - startTick_) / 1000.0;
    const double mib = static_cast<double>(done) / 1048576.0;
    std::fprintf(stderr, "\r%s %5.1f%%  %.1f of %.1f MiB  %.1f MiB/s %s ", label_.c_str(), permille / 10.0, mib,
                 static_cast<double>(total_) / 1048576.0, seconds > 0 ? mib / seconds : 0.0, extra.c_str());
    std::fflush(stderr);
}

void TProgressLine::Finish() {
    if (!shown_ || finished_)
        return;
    finished_ = true;
    if (lastPermille_ >= 0)
        std::fputc('\n', stderr);
}

} // namespace scrivo::cli
