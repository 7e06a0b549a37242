// WriteFilesToCD: the job carried into the wizard, the result out, nothing escaping.
#include "WizardFixture.h"
#include "engine/bvCDBC_run.h"
#include "host/WriteCD.h"
#include "host/ui/headless/Answers.h"

#include <gmock/gmock.h>

namespace scrivo {
namespace {

using test::WizardFixture;
using ::testing::ElementsAre;
using vrecorder::MediaKind;

class WriteCDTest : public WizardFixture {
protected:
    std::vector<std::string> files{"/data/a.txt", "/data/b.txt"};

    void TearDown() override
    {
        WriteRun().ThreadEnded.WaitFor(10000);
        WizardFixture::TearDown();
    }
    int Run(const std::vector<std::string>* list, const char* label = "HOSTLABEL", bool showPrevious = true,
            int16_t addMode = 2)
    {
        return WriteFilesToCD(nullptr, list, addMode, "\\DEST", label, keyName.c_str(), true, showPrevious, true);
    }
    // A run of the wizard answered by the user's lines ("Finish", "OK", "Close").
    int Record(const std::vector<std::string>* list, std::vector<std::string> lines)
    {
        TAnswers answers(ui, std::move(lines));
        const int result = Run(list, "REC", true, 0);
        EXPECT_EQ(answers.Remaining(), 0u);
        return result;
    }
    void Then(std::function<void(TfrmCDMain&)> action)
    {
        ui.Script.Then([action] { action(*frmCDMain); });
    }
};

TEST_F(WriteCDTest, PreviousAnswersZeroAndCloseTheSettingsAreWritten)
{
    drives.Add(MediaKind::CdR);
    std::vector<std::string> seen;
    Then([&](TfrmCDMain& f) {
        seen = dlgCDFiles->lbxFiles.Items();
        EXPECT_EQ(f.AddMode, 2);
        EXPECT_EQ(f.DestFolder, "\\DEST");
        EXPECT_EQ(f.brenvik.IdVolume, "HOSTLABEL");
        EXPECT_TRUE(f.btnEditFiles.Visible());
        UserClick(f.btnPrev1);
    });
    EXPECT_EQ(Run(&files), 0);
    EXPECT_EQ(seen, files);
    EXPECT_EQ(frmCDMain, nullptr);
    EXPECT_EQ(dlgCDFiles, nullptr);
    EXPECT_EQ(Stored("CDRomDrive"), "0");
    EXPECT_EQ(Stored("CDSpeed"), "0");
    EXPECT_EQ(Stored("VolumeLabel"), "HOSTLABEL");
    EXPECT_EQ(Stored("CloseTrack"), "True");
    EXPECT_EQ(Stored("CacheSize"), "4194304");
    EXPECT_EQ(Stored("UseInternalASPI"), ""); // never written

    // The label of that call is the next call's label when the host passes none.
    std::string label;
    Then([&](TfrmCDMain& f) {
        label = f.brenvik.IdVolume;
        UserCloseBox(f);
    });
    EXPECT_EQ(Run(nullptr, nullptr), 2);
    EXPECT_EQ(label, "HOSTLABEL");
}

TEST_F(WriteCDTest, CloseBoxAndCancelAnswerTwo)
{
    drives.Add(MediaKind::CdR);
    Then([](TfrmCDMain& f) { UserCloseBox(f); });
    EXPECT_EQ(Run(&files), 2);
    Then([](TfrmCDMain& f) { UserClick(f.btnCancel3); });
    EXPECT_EQ(Run(nullptr), 2);
}

TEST_F(WriteCDTest, HiddenPreviousButtonsAndAnEmptyListWithoutFiles)
{
    drives.Add(MediaKind::CdR);
    bool prev1 = true, prev2 = true;
    size_t items = 99;
    Then([&](TfrmCDMain& f) {
        prev1 = f.btnPrev1.Visible();
        prev2 = f.btnPrev2.Visible();
        items = dlgCDFiles->lbxFiles.Items().size();
        UserCloseBox(f);
    });
    EXPECT_EQ(Run(nullptr, "L", false), 2);
    EXPECT_FALSE(prev1);
    EXPECT_FALSE(prev2);
    EXPECT_EQ(items, 0u);
}

TEST_F(WriteCDTest, ARecordingThatEndsWellAnswersOneUnlessPreviousEndsTheCall)
{
    drives.Add(MediaKind::CdR);
    const std::string path = base + PathDelim + "a.txt";
    std::ofstream(std::filesystem::path(path)) << "some data";
    const std::vector<std::string> one{path};
    EXPECT_EQ(Record(&one, {"Finish", "OK", "Close"}), 1);
    EXPECT_EQ(ui.Script.Messages.back().Text, "Your disk is now ready.");
    drives.Reload(0, MediaKind::CdR); // the last run ejected its disc
    EXPECT_EQ(Record(&one, {"Finish", "OK", "CloseBox"}), 1);
    // Back to the host after a good recording: "Previous" wins.
    drives.Reload(0, MediaKind::CdR);
    EXPECT_EQ(Record(&one, {"Finish", "OK", "Previous", "Previous"}), 0);
}

TEST_F(WriteCDTest, FinishWithoutFilesSaysSoAndTheCallAnswersTwo)
{
    drives.Add(MediaKind::CdR);
    EXPECT_EQ(Record(nullptr, {"Finish", "OK", "CloseBox"}), 2);
    EXPECT_EQ(ui.Script.Messages.back().Text, "At least one file or folder must be specified.");
}

TEST_F(WriteCDTest, NothingEscapesAndTheFormsGoWhateverThrows)
{
    WizardCreated = [](TfrmCDMain&) { throw std::runtime_error("broken"); };
    EXPECT_EQ(Run(&files), 2);
    EXPECT_EQ(frmCDMain, nullptr);
    EXPECT_EQ(dlgCDFiles, nullptr);
    WizardCreated = [this](TfrmCDMain& f) { Prepare(f); };

    // A call made while a wizard is open is refused and leaves that wizard intact.
    int nested = -1;
    drives.Add(MediaKind::CdR);
    Then([&](TfrmCDMain& f) {
        nested = Run(&files);
        EXPECT_EQ(frmCDMain, &f);
        EXPECT_EQ(dlgCDFiles->lbxFiles.Items(), files);
        UserClick(f.btnPrev1);
    });
    EXPECT_EQ(Run(&files), 0);
    EXPECT_EQ(nested, 2);

    // A user who never acts: the headless loop gives up, and the call still answers.
    ui.StallTimeoutMs = 20;
    EXPECT_EQ(Run(&files), 2);
    EXPECT_EQ(frmCDMain, nullptr);
}

TEST_F(WriteCDTest, RepairClosesTheWizardAndTheNextCallReportsIt)
{
    std::filesystem::create_directories(std::filesystem::path(WindowsFolder() + "/System32"));
    std::ofstream(std::filesystem::path(WindowsFolder() + "/System32/WNASPI32.DLL")) << "old";
    ui.Script.Answer(mrYes).Answer(mrOk, "You will now need to restart the application.");
    EXPECT_EQ(Run(&files), 2);
    FixedWnaspiPath.clear(); // a new process would start without it

    drives.Add(MediaKind::CdR);
    Then([](TfrmCDMain& f) { UserCloseBox(f); });
    EXPECT_EQ(Run(&files), 2);
    EXPECT_THAT(Logged("FormShow"), ::testing::Contains("Fixed WNASPI? True"));
}

} // namespace
} // namespace scrivo
