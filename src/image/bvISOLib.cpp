#include "bvISOLib.h"
#include "bvISOLib_eltorito.h"
#include "bvISOLib_tree.h"
#include "bvISOLib_tree_writer.h"
#include "bvISOLib_writers.h"

namespace scrivo {

TImageBuilder::TImageBuilder() : Sender(this), DoDebug(&ownDoDebug_), Clock(&Now) {}

// The tables are process-wide; like the component it belongs to, a builder releases them
// when it goes (unless the process ends right after and leaves that to the system).
TImageBuilder::~TImageBuilder() {
    HeaderStream.Clear();
    if (FreeTablesWhenDone) FreeTables(FileTables());
}

void TImageBuilder::Report(const std::string& text, uint8_t type) const {
    if (ReportMessage) ReportMessage(text, type);
}

void TImageBuilder::ReportLimit(const std::string& text) const {
    TFileTables& t = FileTables();
    if (t.LimitReported) return;
    t.LimitReported = true;
    Report(text, 3);
}

void TImageBuilder::LeaveOut(const std::string& source, const std::string& why, const std::string& logLine) const {
    if (OnLeftOut && !source.empty())
        OnLeftOut(source, why);
    else if (!logLine.empty())
        Report(logLine, 0);
}

} // namespace scrivo
