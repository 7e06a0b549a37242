// The commands a recording sends, per media kind, against a reviewed file in tests/data/traces:
// what a real drive would see, so that a change to the sequence shows as a diff. Run with
// SCRIVO_UPDATE_TRACES=1 to write the files anew after a deliberate change.
#include "BrenvikRun.h"
#include "device/bvDrvLib_names.h"
#include "scsi/Mmc.h"
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace scrivo::test {
namespace {

using vrecorder::MediaKind;

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char b[4];
    for (uint8_t v : bytes) {
        std::snprintf(b, sizeof b, "%02X ", v);
        out += b;
    }
    out.pop_back();
    return out;
}

// One line per command: its name, its CDB and, when refused, "refused"; a run of WRITE (10)
// at consecutive addresses is one line with its range.
std::string Trace(const std::vector<SentCdb>& sent) {
    std::ostringstream out;
    for (size_t i = 0; i < sent.size(); ++i) {
        const SentCdb& c = sent[i];
        std::string name = CommandName(c.Op());
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (c.Op() == scsi::kWrite10 && !c.Failed) {
            size_t j = i;
            uint32_t end = c.Lba() + c.Blocks10();
            while (j + 1 < sent.size() && sent[j + 1].Op() == scsi::kWrite10 && !sent[j + 1].Failed && sent[j + 1].Lba() == end) {
                ++j;
                end += sent[j].Blocks10();
            }
            if (j > i) {
                out << name << ": LBA " << c.Lba() << " to " << end - 1 << " in " << j - i + 1 << " commands\n";
                i = j;
                continue;
            }
        }
        out << name << ": " << Hex(c.Cdb) << (c.Failed ? "  refused" : "") << "\n";
    }
    return out.str();
}

struct Kind {
    const char* File;
    MediaKind Media;
};

class CommandTrace : public BrenvikRun, public ::testing::WithParamInterface<Kind> {};

TEST_P(CommandTrace, RecordingSendsTheReviewedSequence) {
    Make(GetParam().Media);
    b->WritePostGap = false;
    AddFiles({70000, 3000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    const std::string got = Trace(vd.Sent());
    const std::string path = std::string(SCRIVO_TEST_DATA_DIR) + "/traces/" + GetParam().File + ".txt";
    if (std::getenv("SCRIVO_UPDATE_TRACES")) {
        std::ofstream(path, std::ios::binary) << got;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream want;
    want << in.rdbuf();
    EXPECT_EQ(got, want.str()) << "the command sequence changed; review it and run with SCRIVO_UPDATE_TRACES=1 ("
                               << path << ")";
}

INSTANTIATE_TEST_SUITE_P(Media, CommandTrace,
                         ::testing::Values(Kind{"cd-r", MediaKind::CdR}, Kind{"cd-rw", MediaKind::CdRw},
                                           Kind{"dvd-r", MediaKind::DvdR}, Kind{"dvd-rw", MediaKind::DvdRwSequential},
                                           Kind{"dvd-rw-ro", MediaKind::DvdRwRestricted},
                                           Kind{"dvd+r", MediaKind::DvdPlusR}, Kind{"dvd+rw", MediaKind::DvdPlusRw},
                                           Kind{"dvd-ram", MediaKind::DvdRam}),
                         [](const ::testing::TestParamInfo<Kind>& i) {
                             std::string n;
                             for (const char* p = i.param.File; *p; ++p)
                                 n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : (*p == '+' ? 'P' : '_');
                             return n;
                         });

} // namespace
} // namespace scrivo::test
