// The wizard's settings in the store and the advanced options dialog, driven headless.
#include "host/WizardSettings.h"
#include "host/uCDAdvanced.h"
#include "host/ui/headless/HeadlessBackEnd.h"
#include "host/ui/headless/UserActions.h"
#include "platform/Settings.h"
#include "platform/TempDir.h"

#include <gtest/gtest.h>

namespace scrivo {
namespace {

class WizardSettingsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    const std::string keyName = "Software\\ScrivoTest\\WizardSettings\\";

    void SetUp() override
    {
#ifndef _WIN32
        setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
#endif
        TSettingsKey::DeleteKey(keyName);
    }
    void TearDown() override { TSettingsKey::DeleteKey(keyName); }
    void Store(const std::string& name, const std::string& value)
    {
        TSettingsKey key;
        ASSERT_TRUE(key.OpenKey(keyName, true));
        key.WriteString(name, value);
    }
};

TEST_F(WizardSettingsTest, MissingValuesGiveTheDefaults)
{
    TWizardSettings s = LoadWizardSettings(keyName, 8388608);
    EXPECT_EQ(s.CDRomDrive, -1);
    EXPECT_EQ(s.CDSpeed, -1);
    EXPECT_TRUE(s.UseInternalASPI);
    EXPECT_EQ(s.FixedWNASPI, "");
    EXPECT_TRUE(s.CloseTrack);
    EXPECT_FALSE(s.CloseDisc);
    EXPECT_TRUE(s.JolietFS);
    EXPECT_FALSE(s.TestWrite);
    EXPECT_TRUE(s.PerformOPC);
    EXPECT_EQ(s.VolumeLabel, "Ombrel CD");
    EXPECT_EQ(s.CacheSize, 8388608); // the engine's current size
}

TEST_F(WizardSettingsTest, BooleansInAnyLetterCaseAndUnreadableTextFallingBack)
{
    Store("JolietFS", "fAlSe");
    Store("CloseDisc", "tRUE");
    Store("TestWrite", "yes");     // neither: default false
    Store("PerformOPC", "0");      // neither: default true
    Store("CloseTrack", "FALSE ");  // a trailing blank is not FALSE
    Store("UseInternalASPI", "false");
    Store("CDRomDrive", "2");
    Store("CDSpeed", "two");
    Store("CacheSize", "$200000");
    Store("VolumeLabel", "");
    TWizardSettings s = LoadWizardSettings(keyName, 4194304);
    EXPECT_FALSE(s.JolietFS);
    EXPECT_TRUE(s.CloseDisc);
    EXPECT_FALSE(s.TestWrite);
    EXPECT_TRUE(s.PerformOPC);
    EXPECT_TRUE(s.CloseTrack);
    EXPECT_FALSE(s.UseInternalASPI);
    EXPECT_EQ(s.CDRomDrive, 2);
    EXPECT_EQ(s.CDSpeed, -1);
    EXPECT_EQ(s.CacheSize, 2097152);
    EXPECT_EQ(s.VolumeLabel, "Ombrel CD"); // an empty label too
    Store("JolietFS", "maybe");
    EXPECT_TRUE(LoadWizardSettings(keyName, 0).JolietFS);
}

TEST_F(WizardSettingsTest, SavedValuesAreTextAndReadBackAsSaved)
{
    TWizardSettings s;
    s.CDRomDrive = 1;
    s.CDSpeed = 3;
    s.FixedWNASPI = "C:\\WINDOWS\\system32\\wnaspi32.old";
    s.CloseDisc = true;
    s.JolietFS = false;
    s.TestWrite = true;
    s.PerformOPC = false;
    s.VerifyWrite = true;
    s.CloseTrack = false;
    s.VolumeLabel = "Host label";
    s.CacheSize = 2097152;
    s.UseInternalASPI = false; // never written
    SaveWizardSettings(keyName, s);

    TSettingsKey key;
    ASSERT_TRUE(key.OpenKey(keyName, false));
    EXPECT_EQ(key.ReadString("CloseDisc"), "True");
    EXPECT_EQ(key.ReadString("JolietFS"), "False");
    EXPECT_EQ(key.ReadString("CacheSize"), "2097152");
    EXPECT_EQ(key.ReadString("CDRomDrive"), "1");
    EXPECT_FALSE(key.ValueExists("UseInternalASPI"));
    EXPECT_EQ(key.ReadString("VerifyWrite"), "True");
    EXPECT_EQ(key.ValueNames().size(), 11u);
    key.CloseKey();

    // The label a host passed once is the label of a later call made without one.
    TWizardSettings r = LoadWizardSettings(keyName, 4194304);
    EXPECT_EQ(r.VolumeLabel, "Host label");
    EXPECT_EQ(r.FixedWNASPI, s.FixedWNASPI);
    EXPECT_EQ(r.CDSpeed, 3);
    EXPECT_FALSE(r.CloseTrack);
    EXPECT_TRUE(r.TestWrite);
    EXPECT_TRUE(r.VerifyWrite);
    EXPECT_FALSE(r.PerformOPC);
    EXPECT_TRUE(r.UseInternalASPI);
}

// The user drags the bar.
void MoveBar(TTrackBar& bar, int position)
{
    RequireUsable(bar);
    bar.SetPosition(position);
}

class AdvancedDialogTest : public ::testing::Test {
protected:
    THeadlessBackEnd ui;
    TForm wizard{"frmCDMain"};
    TRecordingOptions options;
    TSessionImport import;

    // Shows the dialog; `act` runs as the user once it is up.
    TModalResult Show(bool underrunFree, std::function<void(TdlgCDSettings&)> act)
    {
        ui.Script.Then([&] {
            auto* dlg = dynamic_cast<TdlgCDSettings*>(ui.ActiveForm());
            ASSERT_NE(dlg, nullptr);
            act(*dlg);
        });
        return ShowAdvancedOptions(&wizard, options, import, underrunFree);
    }
};

TEST_F(AdvancedDialogTest, ShowsTheOptionsWithItsCaptionsAndHints)
{
    options.IdVolume = "BACKUP";
    options.UnderrunProtection = true;
    options.CacheSize = 9 * 1048576 + 5;
    Show(true, [](TdlgCDSettings& d) {
        EXPECT_EQ(d.Caption(), "Advanced options");
        EXPECT_EQ(d.eVolLabel.Text(), "BACKUP");
        EXPECT_EQ(d.eVolLabel.MaxLength, 16);
        EXPECT_TRUE(d.cJoliet.Checked());
        EXPECT_FALSE(d.cCloseDisc.Checked());
        EXPECT_TRUE(d.cOPC.Checked());
        EXPECT_TRUE(d.cUnderrunProtection.Checked());
        EXPECT_TRUE(d.cUnderrunProtection.Enabled());
        EXPECT_EQ(d.sCacheSize.Position(), 9);
        EXPECT_EQ(d.Label3.Caption(), " 9 MB");
        EXPECT_EQ(d.sCacheSize.Frequency, 4);
        EXPECT_FALSE(d.cImportSession.Visible());
        EXPECT_FALSE(d.eSession.Visible());
        EXPECT_EQ(d.cCloseDisc.Caption(), "Close Disc (Finalize)");
        EXPECT_EQ(d.cCloseDisc.Hint().substr(0, 33), "This option is used to \"close\" th");
        EXPECT_EQ(d.cOPC.Hint().substr(0, 35), "If enabled OPC is peformed on the d");
        MoveBar(d.sCacheSize, 12);
        EXPECT_EQ(d.Label3.Caption(), "12 MB");
        UserClick(d.Button2);
    });
}

TEST_F(AdvancedDialogTest, OkWritesBackAndTheBarKeepsItsRange)
{
    options.CacheSize = 1048576; // below the bar's minimum
    import.Import = true;        // only the never-shown controls could set it
    import.Session = 0;
    EXPECT_EQ(Show(true,
                   [](TdlgCDSettings& d) {
                       EXPECT_EQ(d.sCacheSize.Position(), 2);
                       EXPECT_EQ(d.Label3.Caption(), " 2 MB");
                       UserSetChecked(d.cJoliet, false);
                       UserSetChecked(d.cCloseDisc, true);
                       UserSetChecked(d.cUnderrunProtection, true);
                       UserSetChecked(d.cOPC, false);
                       d.eVolLabel.UserType("A LABEL LONGER THAN SIXTEEN");
                       UserClick(d.Button1);
                   }),
              mrOk);
    EXPECT_EQ(options.CacheSize, 2097152);
    EXPECT_FALSE(options.JolietFileSystem);
    EXPECT_TRUE(options.FinalizeDisc);
    EXPECT_TRUE(options.UnderrunProtection);
    EXPECT_FALSE(options.PerformOPC);
    EXPECT_EQ(options.IdVolume, "A LABEL LONGER T");
    EXPECT_TRUE(import.Import);
    EXPECT_EQ(import.Session, 0);

    options.CacheSize = 200 * 1048576;
    Show(true, [](TdlgCDSettings& d) {
        EXPECT_EQ(d.sCacheSize.Position(), 64);
        UserPressEnter(d);
    });
    EXPECT_EQ(options.CacheSize, 64 * 1048576);
}

TEST_F(AdvancedDialogTest, CancelAndTheCloseBoxChangeNothing)
{
    options.CacheSize = 4194304;
    const TRecordingOptions before = options;
    for (int way = 0; way < 3; ++way) {
        EXPECT_EQ(Show(true,
                       [way](TdlgCDSettings& d) {
                           MoveBar(d.sCacheSize, 40);
                           UserSetChecked(d.cJoliet, false);
                           if (way == 0)
                               UserClick(d.Button2);
                           else if (way == 1)
                               UserPressEscape(d);
                           else
                               UserCloseBox(d);
                       }),
                  mrCancel);
        EXPECT_EQ(options.CacheSize, before.CacheSize);
        EXPECT_TRUE(options.JolietFileSystem);
    }
}

TEST_F(AdvancedDialogTest, UnderrunProtectionIsDisabledWithoutTheDrivesSupport)
{
    options.UnderrunProtection = true;
    Show(false, [](TdlgCDSettings& d) {
        EXPECT_FALSE(d.cUnderrunProtection.Enabled());
        EXPECT_TRUE(d.cUnderrunProtection.Checked());
        EXPECT_THROW(UserSetChecked(d.cUnderrunProtection, false), EScriptError);
        UserClick(d.Button1);
    });
    EXPECT_TRUE(options.UnderrunProtection);
}

} // namespace
} // namespace scrivo
