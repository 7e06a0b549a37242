// Scrivo.dll end to end, as a host program uses it: the library is loaded beside the
// host, WriteFilesToCD is called with the host's list, and the real wizard windows are
// driven by their captions while the virtual recorder (WNASPI32.DLL beside the host)
// records. The disc image is checked afterwards by independent ISO readers (the ctest
// script runs them); here: results, message boxes, log file, registry, screenshots.
#include "HostFiles.h"
#include "ScrivoLibrary.h"
#include "WizardWindows.h"
#include "host_win32/WindowDriver.h"
#include "platform/SystemInfo.h"

#include <commctrl.h>
#include <cstdio>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace scrivo::e2e {
namespace {

using test::TWindowDriver;

const wchar_t kWizard[] = L"Write Files to CD";
const wchar_t kTestKey[] = L"Software\\ScrivoE2E\\Wizard";
const wchar_t kDefaultKey[] = L"Software\\Ombrel\\Scrivo";

// One scene for the whole run: the recorder's drives are read once per load of its
// library. Drive 0 only reads; drives 1 to 5 write and hold blank CD-Rs: the first for
// the recording, the second for the runs that must not write, the third for the sample
// host, the fourth for the load-and-free cycles, the fifth for a destination folder.
class RecorderScene : public ::testing::Environment {
public:
    static std::wstring Folder;

    void SetUp() override
    {
        Folder = FreshWorkFolder(L"record");
        std::string error;
        ASSERT_TRUE(MakeBlankCdR(Folder + L"disc.img", error)) << error;
        ASSERT_TRUE(MakeBlankCdR(Folder + L"spare.img", error)) << error;
        ASSERT_TRUE(MakeBlankCdR(Folder + L"host.img", error)) << error;
        ASSERT_TRUE(MakeBlankCdR(Folder + L"cycle.img", error)) << error;
        ASSERT_TRUE(MakeBlankCdR(Folder + L"dest.img", error)) << error;
        std::string drives = ",product=VIRTUAL READER,caps=-cdr,-cdrw,-dvdr,-dvdram,-dvdplus;" +
                             Utf8(Folder + L"disc.img") + ",product=VIRTUAL WRITER;" + Utf8(Folder + L"spare.img") +
                             ",product=VIRTUAL SPARE;" + Utf8(Folder + L"host.img") + ",product=VIRTUAL HOST;" +
                             Utf8(Folder + L"cycle.img") + ",product=VIRTUAL CYCLE;" + Utf8(Folder + L"dest.img") +
                             ",product=VIRTUAL DEST";
        SetEnvironmentVariableA("VRECORDER_DRIVES", drives.c_str());
    }
};
std::wstring RecorderScene::Folder;

} // namespace

const std::wstring& SceneFolder() {
    return RecorderScene::Folder;
}

namespace {

// Source files of several kinds: text, a name outside ASCII (when the host's code page
// can spell it), and a folder whose files (a large one among them) the wizard puts into
// the root: a folder item ending with a backslash stands for its own files.
std::vector<std::wstring> MakeSources(const std::wstring& folder)
{
    std::wstring src = folder + L"src\\";
    MakeFolder(src);
    MakeFile(src + L"readme.txt", std::string(3000, 'r') + "\r\nend\r\n");
    std::wstring accented = AnsiPath(src + L"Gr\u00fc\u00dfe.txt").empty() ? L"Gruesse.txt" : L"Gr\u00fc\u00dfe.txt";
    MakeFile(src + accented, "Hallo\r\n");
    MakeFolder(src + L"Folder");
    std::string data(300 * 1024 + 17, '\0');
    uint32_t x = 12345;
    for (char& c : data) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    MakeFile(src + L"Folder\\data.bin", data);
    MakeFile(src + L"Folder\\notes.txt", "notes");
    return {src + L"readme.txt", src + accented, src + L"Folder\\"};
}

// Answers the next message box of `owner`, keeping its text.
std::function<bool()> AnswerBox(HWND& owner, std::vector<std::string>& texts, int answer = IDOK)
{
    return [&owner, &texts, answer] {
        HWND box = FindMessageBox(owner);
        if (!box)
            return false;
        texts.push_back(Utf8(MessageBoxText(box)));
        Answer(box, answer);
        return true;
    };
}

// The first step of every run: the wizard is up (and is what the driver closes when
// the run takes too long).
void AwaitWizard(TWindowDriver& driver, HWND& wizard)
{
    driver.Then([&driver, &wizard] {
        wizard = FindForm(kWizard);
        driver.Escape = wizard;
        return wizard != nullptr;
    });
}

// Two steps: the button of `form` opens the dialog `caption`, which is looked at and
// closed with its button `close`.
void ShowDialog(TWindowDriver& driver, HWND& form, const wchar_t* button, const wchar_t* caption,
                const wchar_t* close, std::function<void(HWND)> look)
{
    driver.Then([&form, button] {
        Click(VisibleButton(form, button));
        return true;
    });
    driver.Then([caption, close, look] {
        HWND dialog = FindForm(caption);
        if (!dialog)
            return false;
        look(dialog);
        Click(VisibleButton(dialog, close));
        return true;
    });
}

bool Screenshot(HWND window, const wchar_t* name) { return test::SaveScreenshot(window, test::ArtifactPath(name)); }

// The drop-down list on `form` that holds an item containing `text`; its index in `index`.
HWND ComboWithItem(HWND form, const std::wstring& text, int& index)
{
    for (HWND h = FindWindowExW(form, nullptr, L"ComboBox", nullptr); h; h = FindWindowExW(form, h, L"ComboBox", nullptr)) {
        int n = static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i)
            if (ItemText(h, i).find(text) != std::wstring::npos) {
                index = i;
                return h;
            }
    }
    return nullptr;
}

std::vector<std::string> LogLines(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& pattern)
{
    std::regex re(pattern);
    for (const std::string& l : lines)
        if (std::regex_match(l, re))
            return true;
    return false;
}

TEST(ScrivoDll, RecordsTheHostsFilesThroughTheWizard)
{
    const std::wstring log = ExeFolder() + L"ScrivoLog.txt";
    DeleteFileW(log.c_str());
    DeleteKeyTree(kTestKey);
    // The ASPI library, not the system's pass-through; the stored drive is the reader.
    WriteRegString(kTestKey, L"UseInternalASPI", L"false");
    WriteRegString(kTestKey, L"CDRomDrive", L"0");
    std::vector<std::string> paths;
    for (const std::wstring& p : MakeSources(RecorderScene::Folder))
        paths.push_back(AnsiPath(p));
    // A null item among them names nothing and is left out.
    std::vector<const char*> items;
    for (const std::string& p : paths)
        items.insert(items.end(), {p.c_str(), nullptr});
    ScrivoFileList withNulls{static_cast<int>(items.size()), items.data()};

    ScrivoLibrary lib;
    ASSERT_TRUE(lib.Loaded());
    HostWindow host;
    HWND wizard = nullptr, combo = nullptr;
    bool hostDisabled = false, shots = true;
    std::wstring startDrive, chosenDrive;
    int writer = -1;
    LRESULT reviewCount = -1;
    std::vector<std::string> boxes;
    TWindowDriver driver;
    AwaitWizard(driver, wizard);
    driver.Then([&] {
        hostDisabled = !IsWindowEnabled(host.Handle());
        combo = ComboWithItem(wizard, L"VIRTUAL WRITER", writer);
        if (!combo)
            return false;
        startDrive = WindowText(combo);
        SelectItem(combo, writer);
        chosenDrive = ItemText(combo, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
        return true;
    });
    ShowDialog(driver, wizard, L"Info...", L"Device Capabilities", L"Close", [&](HWND caps) {
        shots &= Screenshot(caps, L"dll-device-capabilities.bmp");
    });
    ShowDialog(driver, wizard, L"Advanced...", L"Advanced options", L"Cancel", [&](HWND adv) {
        shots &= Screenshot(adv, L"dll-advanced-options.bmp");
    });
    ShowDialog(driver, wizard, L"Review Files...", L"Review Files", L"Close", [&](HWND review) {
        reviewCount = SendMessageW(VisibleChild(review, L"ListBox"), LB_GETCOUNT, 0, 0);
        shots &= Screenshot(review, L"dll-review-files.bmp");
    });
    DWORD finishedAt = 0, endAt = 0;
    driver.Then([&] {
        shots &= Screenshot(wizard, L"dll-wizard-page1.bmp");
        finishedAt = GetTickCount();
        Click(VisibleButton(wizard, L"Finish"));
        return true;
    });
    driver.Then([&, answer = AnswerBox(wizard, boxes)] {
        if (!answer())
            return false;
        endAt = GetTickCount();
        return true;
    });
    driver.Then([&] {
        if (!VisibleButton(wizard, L"Close"))
            return false;
        shots &= Screenshot(wizard, L"dll-wizard-page2.bmp");
        test::MouseClick(VisibleChild(wizard, L"Static", L"E-mail Support"), 3, 3);
        return true;
    });
    driver.Then(AnswerBox(wizard, boxes));
    driver.Then([&] {
        Click(VisibleButton(wizard, L"Close"));
        return true;
    });

    int result = lib.WriteFilesToCD()(host.Handle(), &withNulls, 0, nullptr, "E2E_DISC", "Software\\ScrivoE2E\\Wizard",
                                      1, 1, 1);

    EXPECT_FALSE(driver.TimedOut);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(result, SCRIVO_RESULT_WRITTEN);
    EXPECT_TRUE(hostDisabled);
    EXPECT_TRUE(IsWindowEnabled(host.Handle()));
    EXPECT_NE(startDrive.find(L"VIRTUAL READER"), std::wstring::npos) << Utf8(startDrive);
    EXPECT_NE(chosenDrive.find(L"VIRTUAL WRITER"), std::wstring::npos) << Utf8(chosenDrive);
    EXPECT_EQ(reviewCount, static_cast<LRESULT>(paths.size()));
    // Support mail on a system without Simple MAPI (the ctest script switches Wine's off).
    EXPECT_EQ(boxes, (std::vector<std::string>{"Your disk is now ready.", "Error Sending Mail!"}));
    EXPECT_TRUE(shots);
    // The recorder answers at once, so the engine waits for nothing: a small disc is done in
    // a moment (the figure is printed for the record; the bound only catches a fixed wait).
    std::printf("Finish to \"Your disk is now ready.\": %lu ms\n", static_cast<unsigned long>(endAt - finishedAt));
    EXPECT_LT(endAt - finishedAt, 5000u);

    // The settings the wizard leaves behind, all as strings.
    struct Expected {
        const wchar_t* Name;
        const wchar_t* Text;
    } values[] = {{L"CloseTrack", L"True"},  {L"CloseDisc", L"False"},   {L"JolietFS", L"True"},
                  {L"TestWrite", L"False"},  {L"PerformOPC", L"True"},   {L"VolumeLabel", L"E2E_DISC"},
                  {L"CacheSize", L"4194304"}, {L"FixedWNASPI", L""},     {L"CDSpeed", L"0"},
                  {L"CDRomDrive", L"1"},     {L"UseInternalASPI", L"false"}};
    for (const Expected& v : values) {
        RegValue r = ReadRegValue(kTestKey, v.Name);
        EXPECT_EQ(r.Type, static_cast<DWORD>(REG_SZ)) << Utf8(v.Name);
        EXPECT_EQ(r.Text, v.Text) << Utf8(v.Name);
    }

    // The log holds this call from its start, line by line in the fixed format.
    std::string text = ReadWholeFile(log);
    std::vector<std::string> lines = LogLines(text);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    EXPECT_EQ(lines[0], "0 - [FormShow] App Version=4.5.6 e2e");
    for (const std::string& l : lines)
        EXPECT_TRUE(std::regex_match(l, std::regex(R"(\d+ - \[[A-Za-z]+\] .*)"))) << l;
    EXPECT_TRUE(HasLine(lines, R"(\d+ - \[FormShow\] Windows=Windows XP)"));
    EXPECT_TRUE(HasLine(lines, R"(\d+ - \[ASPIVersionRead\] system32\\drivers\\aspi32\.sys: (NOT FOUND|\d+\.\d+\.\d+\.\d+))"));
    EXPECT_TRUE(HasLine(lines, R"(\d+ - \[FormShow\] Initializing ASPI \(Internal=False\))"));
    EXPECT_TRUE(HasLine(lines, R"(\d+ - \[FormShow\] CD-ROM Devices Count: 6)"));
    EXPECT_TRUE(HasLine(lines, R"(\d+ - \[FormShow\] Setting CD Device to : 0:0:0,.*VIRTUAL READER.*)"));
    EXPECT_TRUE(HasLine(lines, R"(\d+ - \[brenvikDebugMessage\] >>> STARTING CD BURN ON 0:1:0,.*VIRTUAL WRITER.*)"));
    EXPECT_TRUE(HasLine(lines, R"(\d+ - \[brenvikDebugMessage\] >>> CD write process done)"));
    EXPECT_TRUE(HasLine(lines, R"(\d+ - \[brenvikDebugMessage\] >>> Eject medium command done)"));

    // The volume label the host passed, in the primary volume descriptor.
    std::string disc = ReadWholeFile(RecorderScene::Folder + L"disc.img");
    ASSERT_GE(disc.size(), 17u * 2048);
    std::string pvd = disc.substr(16 * 2048, 2048);
    EXPECT_EQ(pvd.substr(1, 5), "CD001");
    EXPECT_EQ(pvd.substr(40, 8), "E2E_DISC");
}

TEST(ScrivoDll, PreviousGivesZeroWithAStaleHostWindowAndNoLogWhenItIsOff)
{
    const std::wstring log = ExeFolder() + L"ScrivoLog.txt";
    std::string before = ReadWholeFile(log);
    bool existed = FileExists(log);
    ScrivoLibrary lib;
    ASSERT_TRUE(lib.Loaded());
    HWND wizard = nullptr;
    bool unowned = false;
    TWindowDriver driver;
    AwaitWizard(driver, wizard);
    driver.Then([&] {
        unowned = GetWindow(wizard, GW_OWNER) == nullptr;
        Click(VisibleButton(wizard, L"Previous"));
        return true;
    });

    // A host whose window is gone by now: the wizard has no owner.
    HWND gone = HostWindow().Handle();
    int result = lib.WriteFilesToCD()(gone, nullptr, 0, nullptr, nullptr, "Software\\ScrivoE2E\\Wizard",
                                      1, 1, 0);
    EXPECT_FALSE(driver.TimedOut);
    EXPECT_EQ(result, SCRIVO_RESULT_PREVIOUS);
    EXPECT_TRUE(unowned);
    EXPECT_EQ(FileExists(log), existed);
    EXPECT_EQ(ReadWholeFile(log), before);
}

TEST(ScrivoDll, CancelGivesTwoAndSettingsGoToTheDefaultKey)
{
    DeleteKeyTree(kDefaultKey);
    AnsiFileList files({AnsiPath(RecorderScene::Folder + L"src\\readme.txt")});
    ScrivoLibrary lib;
    ASSERT_TRUE(lib.Loaded());
    HostWindow host;
    HWND wizard = nullptr;
    bool previousShown = true, reviewShown = true;
    int nested = -1;
    TWindowDriver driver;
    AwaitWizard(driver, wizard);
    driver.Then([&] {
        // A host calling again while the wizard is up (from a message it handles) gets
        // no second wizard.
        nested = lib.WriteFilesToCD()(host.Handle(), files.Get(), 0, nullptr, nullptr, nullptr, 0, 0, 0);
        previousShown = VisibleButton(wizard, L"Previous") != nullptr;
        reviewShown = VisibleButton(wizard, L"Review Files...") != nullptr;
        Click(VisibleButton(wizard, L"Cancel"));
        return true;
    });

    int result = lib.WriteFilesToCD()(host.Handle(), files.Get(), 0, nullptr, nullptr, nullptr, 0, 0, 0);
    EXPECT_FALSE(driver.TimedOut);
    EXPECT_EQ(result, SCRIVO_RESULT_NOT_WRITTEN);
    EXPECT_EQ(nested, SCRIVO_RESULT_NOT_WRITTEN);
    EXPECT_FALSE(previousShown);
    EXPECT_FALSE(reviewShown);
    // A fresh default key receives the wizard's own defaults.
    EXPECT_EQ(ReadRegValue(kDefaultKey, L"VolumeLabel").Text, L"Ombrel CD");
    EXPECT_EQ(ReadRegValue(kDefaultKey, L"JolietFS").Text, L"True");
    EXPECT_TRUE(ReadRegValue(kDefaultKey, L"CDRomDrive").Exists());
}

TEST(ScrivoDll, FinishWithAnEmptyListAsksForFiles)
{
    const wchar_t key[] = L"Software\\ScrivoE2E\\EmptyList";
    DeleteKeyTree(key);
    WriteRegString(key, L"UseInternalASPI", L"False");
    WriteRegString(key, L"CDRomDrive", L"2");
    ScrivoLibrary lib;
    ASSERT_TRUE(lib.Loaded());
    HostWindow host;
    HWND wizard = nullptr;
    bool stayedOnPage1 = false;
    std::vector<std::string> boxes;
    TWindowDriver driver;
    AwaitWizard(driver, wizard);
    driver.Then([&] { Click(VisibleButton(wizard, L"Finish")); return true; });
    driver.Then(AnswerBox(wizard, boxes));
    driver.Then([&] {
        stayedOnPage1 = VisibleButton(wizard, L"Finish") != nullptr;
        PostMessageW(wizard, WM_CLOSE, 0, 0); // the window's close box
        return true;
    });

    // A list that claims items but has no array of them reads as empty.
    ScrivoFileList broken{3, nullptr};
    int result = lib.WriteFilesToCD()(host.Handle(), &broken, 0, nullptr, nullptr, "Software\\ScrivoE2E\\EmptyList", 1,
                                      1, 0);
    EXPECT_FALSE(driver.TimedOut);
    EXPECT_EQ(result, SCRIVO_RESULT_NOT_WRITTEN);
    EXPECT_EQ(boxes, std::vector<std::string>{"At least one file or folder must be specified."});
    EXPECT_TRUE(stayedOnPage1);
}

// A settings key of its own that records through the recorder beside the host on `drive`.
void FreshSettings(const wchar_t* key, const wchar_t* drive)
{
    DeleteKeyTree(key);
    WriteRegString(key, L"UseInternalASPI", L"false");
    WriteRegString(key, L"CDRomDrive", drive);
}

// AddMode 2: the plain files go into the destination folder, made with its parent; the
// device names among them are left out and named in the log (the ctest script reads the
// disc back: nothing but the two files may be on it).
TEST(ScrivoDll, AddModeTwoFillsTheDestinationFolderAndLeavesDevicesOut) {
    FreshSettings(L"Software\\ScrivoE2E\\Dest", L"5");
    const std::wstring folder = FreshWorkFolder(L"dest");
    MakeFile(folder + L"a.txt", "first\r\n");
    MakeFile(folder + L"b.txt", "second\r\n");
    MakeFolder(folder + L"sub");
    const std::string nul = AnsiPath(folder + L"NUL"), com = AnsiPath(folder + L"COM1");
    // Item paths with "." and ".." components name the files they lead to.
    AnsiFileList files({AnsiPath(folder + L"sub\\..\\a.txt"), nul, com, "\\\\.\\pipe\\scrivo",
                        AnsiPath(folder + L".\\b.txt")});
    ScrivoLibrary lib;
    ASSERT_TRUE(lib.Loaded());
    HostWindow host;
    HWND wizard = nullptr;
    std::vector<std::string> boxes;
    TWindowDriver driver;
    AwaitWizard(driver, wizard);
    driver.Then([&] {
        Click(VisibleButton(wizard, L"Finish"));
        return true;
    });
    driver.Then(AnswerBox(wizard, boxes));
    driver.Then([&] {
        HWND close = VisibleButton(wizard, L"Close");
        if (close) Click(close);
        return close != nullptr;
    });
    int result = lib.WriteFilesToCD()(host.Handle(), files.Get(), SCRIVO_ADD_TO_DEST_FOLDER, "Backup\\Today",
                                      nullptr, "Software\\ScrivoE2E\\Dest", 0, 0, 1);
    EXPECT_FALSE(driver.TimedOut);
    EXPECT_EQ(result, SCRIVO_RESULT_WRITTEN);
    EXPECT_EQ(boxes, std::vector<std::string>{"Your disk is now ready."});
    std::vector<std::string> lines = LogLines(ReadWholeFile(ExeFolder() + L"ScrivoLog.txt"));
    for (const std::string& device : {nul, com, std::string("\\\\.\\pipe\\scrivo")})
        EXPECT_TRUE(HasLine(
            lines, R"(\d+ - \[brenvikDebugMessage\] > ERROR: Skipping device, not a file or folder: )" +
                       std::regex_replace(device, std::regex(R"([\\.$])"), R"(\$&)")))
            << device;
}

// AddMode 2 with a destination that has "." or ".." components: refused with result 2 before
// the wizard shows or a drive is touched (the disc would get folders named "..").
TEST(ScrivoDll, AddModeTwoRefusesADestinationWithDotComponents) {
    FreshSettings(L"Software\\ScrivoE2E\\DotDest", L"2");
    const std::wstring folder = FreshWorkFolder(L"dotdest");
    MakeFile(folder + L"real.txt", "real\r\n");
    AnsiFileList files({AnsiPath(folder + L"real.txt")});
    const std::string before = ReadWholeFile(RecorderScene::Folder + L"spare.img");
    ScrivoLibrary lib;
    ASSERT_TRUE(lib.Loaded());
    HostWindow host;
    for (const char* dest : {"..\\..", "\\Backup\\.\\Today", "Backup/../..", "."}) {
        bool shown = false;
        TWindowDriver driver;
        driver.Then([&] {
            HWND wizard = FindForm(kWizard);
            if (!wizard) return false;
            shown = true;
            Click(VisibleButton(wizard, L"Cancel"));
            return true;
        });
        int result = lib.WriteFilesToCD()(host.Handle(), files.Get(), SCRIVO_ADD_TO_DEST_FOLDER, dest,
                                          nullptr, "Software\\ScrivoE2E\\DotDest", 0, 0, 1);
        EXPECT_EQ(result, SCRIVO_RESULT_NOT_WRITTEN) << dest;
        EXPECT_FALSE(shown) << dest;
    }
    EXPECT_EQ(ReadWholeFile(RecorderScene::Folder + L"spare.img"), before);
}

// What an installer or a host checks before it replaces or calls the library.
TEST(ScrivoDll, CarriesTheProjectVersion)
{
    const std::string dll = Utf8(ExeFolder() + L"Scrivo.dll");
    const auto fixed = FileVersion(dll);
    ASSERT_TRUE(fixed.has_value()) << dll << " has no version resource";
    std::ostringstream text;
    text << (*fixed)[0] << '.' << (*fixed)[1] << '.' << (*fixed)[2];
    EXPECT_EQ(text.str(), SCRIVO_VERSION);
    EXPECT_EQ((*fixed)[3], 0);
    EXPECT_EQ(FileProductVersion(dll), SCRIVO_VERSION);
}

// The sample host of examples/host, a process of its own: its button opens the wizard
// over its window with the files of its command line. Cancel, and it says nothing was
// written; again, through to the end on its own drive, and it says the disc was written
// (the ctest script reads that disc back).
TEST(ScrivoDll, SampleHostWritesItsCommandLineThroughTheWizard)
{
    const std::wstring src = RecorderScene::Folder + L"src\\";
    std::wstring command = L"\"" + ExeFolder() + L"ScrivoHost.exe\" \"" + src + L"readme.txt\" \"" + src + L"Folder\\\\\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    // Ended whatever way the test goes.
    struct Process : PROCESS_INFORMATION {
        ~Process()
        {
            if (hProcess) {
                TerminateProcess(hProcess, 1);
                CloseHandle(hThread);
                CloseHandle(hProcess);
            }
        }
    } pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    // Each step waits for the window it needs, polling as the window driver does, but
    // no longer than the host lives. The limit is generous: a new process in a fresh Wine
    // prefix (a clean clone's first run) has been seen to need more than 10 s.
    auto await = [&](const std::function<HWND()>& find) {
        HWND found = nullptr;
        for (DWORD start = GetTickCount(); !found && GetTickCount() - start < 60000;)
            if (!(found = find()) && WaitForSingleObject(pi.hProcess, 15) == WAIT_OBJECT_0)
                break;
        return found;
    };
    HWND host = await([] { return FindWindowW(L"ScrivoSampleHost", nullptr); });
    ASSERT_NE(host, nullptr);
    HWND write = await([&] { return FindWindowExW(host, nullptr, L"Button", L"Write to CD..."); });
    ASSERT_NE(write, nullptr);
    // One run of the host's button: `drive` on the wizard's first page, then either Cancel
    // or Finish and, once the disc is done, Close. Answers the host's closing box and
    // gives its text.
    auto run = [&](const wchar_t* drive, bool finish) -> std::string {
        PostMessageW(write, BM_CLICK, 0, 0);
        HWND wizard = await([] { return FindForm(kWizard); });
        if (!wizard)
            return "no wizard";
        EXPECT_EQ(GetWindow(wizard, GW_OWNER), host);
        EXPECT_FALSE(IsWindowEnabled(host));
        int index = -1;
        HWND combo = await([&] { return ComboWithItem(wizard, drive, index); });
        if (!combo)
            return "no drive";
        SelectItem(combo, index);
        if (finish) {
            PostMessageW(VisibleButton(wizard, L"Finish"), BM_CLICK, 0, 0);
            HWND ready = await([&] { return FindMessageBox(wizard); });
            if (!ready)
                return "no message after Finish";
            EXPECT_EQ(Utf8(MessageBoxText(ready)), "Your disk is now ready.");
            Answer(ready, IDOK);
            HWND close = await([&] { return VisibleButton(wizard, L"Close"); });
            if (!close)
                return "no Close button";
            PostMessageW(close, BM_CLICK, 0, 0);
        } else {
            PostMessageW(VisibleButton(wizard, L"Cancel"), BM_CLICK, 0, 0);
        }
        HWND box = await([&] { return FindMessageBox(host); });
        if (!box)
            return "no message from the host";
        std::string text = Utf8(MessageBoxText(box));
        Answer(box, IDOK);
        await([&] { return FindMessageBox(host) ? nullptr : host; });
        return text;
    };
    EXPECT_EQ(run(L"VIRTUAL SPARE", false), "Nothing was written.");
    EXPECT_EQ(run(L"VIRTUAL HOST", true), "The disc was written.");
    PostMessageW(host, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

} // namespace
} // namespace scrivo::e2e

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new scrivo::e2e::RecorderScene);
    return RUN_ALL_TESTS();
}
