// A burner component on a virtual recorder with a small tree of generated files, and the
// means to run a recording to its end and check what reached the disc.
#pragma once
#include "device/DebugMessages.h"
#include "device/VirtualDrive.h"
#include "engine/bvCDBC.h"
#include "engine/bvCDBC_run.h"
#include "platform/Threads.h"
#include <gtest/gtest.h>
#include <map>
#include <mutex>

namespace scrivo::test {

class BrenvikRun : public ::testing::Test {
protected:
    void SetUp() override { SetMainThread(); }

    // A component with a blank disc of `kind` (of the medium's usual capacity when 0) in its drive.
    void Make(vrecorder::MediaKind kind, const std::string& extra = "", uint32_t capacity = 0) {
        vd.Insert(kind, extra, capacity);
        b = std::make_unique<TBrenvik>();
        vd.Attach(*b);
        b->OnWriteDone = [this](TBrenvik*, const std::string& error) {
            ++doneCount;
            doneError = error;
            doneOnMain = IsMainThread();
        };
        b->OnDebugMessage = [this](TSCSIDevice*, const std::string& text, uint8_t type) {
            messages.Add(type, text);
        };
        b->OnFinalizingTrack = [this](void*) { ++finalizing; };
    }

    // Files of the sizes given (bytes) in the root, each with its own pattern.
    void AddFiles(const std::vector<size_t>& sizes) {
        for (size_t i = 0; i < sizes.size(); ++i) {
            const std::string name = "f" + std::to_string(i) + ".bin";
            const std::string path = src.Write(name, Pattern(sizes[i], uint8_t(i + 1)));
            sources[path] = Pattern(sizes[i], uint8_t(i + 1));
            ASSERT_EQ(b->AddFile("\\", path, false), 1);
        }
    }

    // Starts the run and waits for its end; false when StartWrite refused.
    bool Record() {
        if (!b->StartWrite())
            return false;
        while (doneCount == 0)
            CheckSynchronize(10);
        WriteRun().ThreadEnded.WaitFor(UINT32_MAX);
        return true;
    }

    // Every source file lies at its extent on the disc, byte for byte.
    void ExpectFilesOnDisc() {
        for (const TFEntry* f : FileTables().Files) {
            if (!f || f->Source.Empty()) continue;
            const std::vector<uint8_t>& want = sources.at(f->SourcePath());
            const uint32_t sectors = uint32_t((want.size() + 2047) / 2048);
            std::vector<uint8_t> got = vd.ReadDisc(b->FirstFileLocation + f->IsoLocation, sectors);
            got.resize(want.size());
            EXPECT_TRUE(got == want) << f->SourcePath();
        }
    }

    bool HasMessage(const std::string& text) { return messages.Has(text); }

    VirtualDrive vd;
    TempDir src;
    std::unique_ptr<TBrenvik> b;
    std::map<std::string, std::vector<uint8_t>> sources;
    DebugMessages messages;
    int doneCount = 0;
    std::string doneError;
    bool doneOnMain = false;
    std::atomic<int> finalizing{0};
};

} // namespace scrivo::test
