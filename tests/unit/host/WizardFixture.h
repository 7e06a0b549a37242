// The wizard driven headless on virtual recorders: a settings key, an executable folder
// (the log) and a Windows folder of its own, a manual tick clock and a stand-in system.
#pragma once
#include "WizardDrives.h"
#include "host/uCDMain.h"
#include "host/ui/headless/HeadlessBackEnd.h"
#include "host/ui/headless/UserActions.h"
#include "platform/Settings.h"

#include <fstream>
#include <sstream>

namespace scrivo::test {

class WizardFixture : public ::testing::Test {
protected:
    THeadlessBackEnd ui;
    WizardDrives drives;
    TempDir dir;
    // The test's own folder (ASCII path): settings, executable folder, Windows folder.
    const std::string base = dir.File("wizard");
    const std::string keyName = "Software\\ScrivoTest\\Wizard\\";
    uint32_t ticks = 90000;
    std::string windowsName = "Windows XP";
    bool transportLoads = true;
    std::vector<bool> passThroughAsked; // one entry a transport load
    std::unique_ptr<TfrmCDMain> form;

    void SetUp() override
    {
        std::filesystem::create_directories(base);
#ifndef _WIN32
        setenv("XDG_CONFIG_HOME", base.c_str(), 1);
#endif
        TSettingsKey::DeleteKey(keyName);
        FixedWnaspiPath.clear();
        WizardCreated = [this](TfrmCDMain& f) { Prepare(f); };
    }
    void TearDown() override
    {
        form.reset();
        WizardCreated = nullptr;
        TSettingsKey::DeleteKey(keyName);
    }

    std::string ExeFolder() const { return base + PathDelim; }
    std::string WindowsFolder() const { return base + PathDelim + "windows"; }

    // The stand-in system for a wizard made here or by WriteFilesToCD.
    void Prepare(TfrmCDMain& f)
    {
        f.RegistryKey = keyName;
        f.LogEnabled = true;
        f.ExeFolder = ExeFolder();
        f.Log.Ticks = [this] { return ticks; };
        f.GetWindowsVersionName = [this] { return windowsName; };
        f.GetWindowsFolder = [this] { return WindowsFolder() + PathDelim; };
        f.GetAppVersion = [] { return std::string("2.0.1"); };
        f.GetFileVersion = [](const std::string&) { return std::array<uint16_t, 4>{4, 60, 0, 1021}; };
        f.InitTransport = [this](TBrenvik& engine, bool usePassThrough) {
            passThroughAsked.push_back(usePassThrough);
            if (transportLoads)
                drives.Attach(engine);
        };
    }

    // A wizard of its own, shown modelessly so that start-up runs; `before` runs first.
    TfrmCDMain& Start(const std::function<void(TfrmCDMain&)>& before = {})
    {
        form = std::make_unique<TfrmCDMain>();
        Prepare(*form);
        if (before)
            before(*form);
        form->Show();
        return *form;
    }

    void Store(const std::string& name, const std::string& value)
    {
        TSettingsKey key;
        ASSERT_TRUE(key.OpenKey(keyName, true));
        key.WriteString(name, value);
    }
    std::string Stored(const std::string& name)
    {
        TSettingsKey key;
        EXPECT_TRUE(key.OpenKey(keyName, true));
        return key.ReadString(name);
    }

    // The log file's lines (without their CR LF).
    std::vector<std::string> LogLines()
    {
        std::ifstream in(std::filesystem::path(ExeFolder() + "ScrivoLog.txt"), std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        std::vector<std::string> lines;
        std::string text = all.str();
        for (size_t p = 0; p < text.size();) {
            size_t e = text.find("\r\n", p);
            if (e == std::string::npos) {
                lines.push_back(text.substr(p) + "<no line end>");
                break;
            }
            lines.push_back(text.substr(p, e - p));
            p = e + 2;
        }
        return lines;
    }
    // The log's lines of `section` as "[section] text", without the seconds.
    std::vector<std::string> Logged(const std::string& section)
    {
        std::vector<std::string> out;
        for (const std::string& line : LogLines()) {
            const size_t p = line.find(" - [" + section + "] ");
            if (p != std::string::npos)
                out.push_back(line.substr(p + 6 + section.size()));
        }
        return out;
    }
};

} // namespace scrivo::test
