// A one-line progress display on the terminal; silent when stderr is not a terminal.
#pragma once
#include <cstdint>
#include <string>

namespace scrivo::cli {

class TProgressLine {
public:
    TProgressLine(std::string label, int64_t totalBytes);
    ~TProgressLine();
    // `extra` is shown after the figures (buffer fills and the like).
    void Update(int64_t doneBytes, const std::string& extra = "");
    // Ends the line (once).
    void Finish();

private:
    std::string label_;
    int64_t total_;
    bool shown_;
    bool finished_ = false;
    int lastPermille_ = -1;
    uint32_t lastTick_ = 0;
    uint32_t startTick_;
};

} // namespace scrivo::cli
