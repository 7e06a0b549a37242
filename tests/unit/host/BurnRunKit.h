// The wizard form on a virtual recorder for the burn run's tests: shown without its start-up
// (tested on its own), its review list in a dialog of the test's own, every engine message
// and the place of every recorded file kept.
#pragma once
#include "device/VirtualDrive.h"
#include "engine/bvCDBC_run.h"
#include "host/uCDMain.h"
#include "host/ui/headless/HeadlessBackEnd.h"
#include "host/ui/headless/UserActions.h"
#include "scsi/Mmc.h"
#include <filesystem>
#include <map>

namespace scrivo::test {

using vrecorder::MediaKind;

class BurnRunTest : public ::testing::Test {
protected:
    void SetUp() override { dlgCDFiles = &files; }
    void TearDown() override
    {
        WriteRun().ThreadEnded.WaitFor(10000);
        dlgCDFiles = nullptr;
    }

    void Make(MediaKind kind, uint32_t capacity = 0, const std::string& fromIso = "")
    {
        vd.Insert(kind, "", capacity, fromIso);
        vd.Attach(frm.brenvik);
        frm.brenvik.OnDebugMessage = [this, shown = frm.brenvik.OnDebugMessage](TSCSIDevice* s, const std::string& t,
                                                                                uint8_t type) {
            {
                std::lock_guard<std::mutex> l(m);
                lines.push_back(t);
            }
            shown(s, t, type);
        };
        // The tree is cleared when the run ends: keep where each file went.
        frm.brenvik.OnWriteDone = [this, done = frm.brenvik.OnWriteDone](TBrenvik* s, const std::string& e) {
            for (const TFEntry* f : FileTables().Files)
                if (f && !f->Source.Empty()) at[f->SourcePath()] = s->FirstFileLocation + f->IsoLocation;
            done(s, e);
        };
        frm.OnShow = nullptr;
        frm.Show();
    }
    // A source file of `size` bytes, put in the review list unless `listed` is false.
    std::string File(const std::string& name, size_t size, bool listed = true)
    {
        std::filesystem::create_directories(std::filesystem::path(src.File(name)).parent_path());
        const std::string path = src.Write(name, Pattern(size, uint8_t(size)));
        if (listed)
            files.lbxFiles.AddItem(path);
        return path;
    }
    void Finish() { UserClick(frm.btnFinish); }
    // Runs the loop until the run has ended with its final message (and an eject after it).
    void RunToEnd()
    {
        const size_t before = ui.Script.Messages.size();
        ui.RunUntil([&] { return ui.Script.Messages.size() > before && ui.Script.PendingAnswers() == 0; });
        ui.ProcessMessages();
    }
    bool Logged(const std::string& text)
    {
        std::lock_guard<std::mutex> l(m);
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }
    size_t Ejects()
    {
        size_t n = 0;
        for (const SentCdb& c : vd.Sent(scsi::kStartStopUnit))
            n += (c.Cdb[4] & 0x03) == 0x02;
        return n;
    }
    void ExpectOnDisc(const std::vector<std::string>& paths)
    {
        for (const std::string& p : paths) {
            const size_t size = std::filesystem::file_size(p);
            ASSERT_TRUE(at.count(p)) << p;
            std::vector<uint8_t> got = vd.ReadDisc(at[p], uint32_t((size + 2047) / 2048));
            got.resize(size);
            EXPECT_TRUE(got == Pattern(size, uint8_t(size))) << p;
        }
    }

    THeadlessBackEnd ui;
    VirtualDrive vd;
    TempDir src;
    TdlgCDFiles files;
    TfrmCDMain frm;
    std::mutex m;
    std::vector<std::string> lines;
    std::map<std::string, uint32_t> at;
};

} // namespace scrivo::test
