// The converter tab in the real main window: adding files and their
// columns, the check boxes mirrored into List1, removing and selecting,
// the checks before a job, and jobs through the stand-in converter (which
// lies as "avformat.dll" in this test's program folder and writes each
// destination). Message boxes are recorded and answered by a hook.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ModuleFolder.h"
#include "AVC.h"
#include "Cadrel.h"
#include "CandyButton.h"
#include "ConverterTab.h"
#include "modGeneral.h"
#include "modSettings.h"
#include "support/WindowTesting.h"

namespace fs = std::filesystem;

namespace {

using testing_support::MessageBoxRecorder;
using testing_support::Pump;

std::string Cell(HWND list, int row, int column) {
    char buf[512] = {};
    ListView_GetItemText(list, row, column, buf, sizeof buf);
    return buf;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteBytes(const fs::path& p, size_t n) {
    std::ofstream f(p, std::ios::binary);
    f << std::string(n, 'x');
}

class Tab : public ::testing::Test {
protected:
    void SetUp() override {
        Pump();
        program = win::ProgramFolder();
        ASSERT_TRUE(fs::exists(fs::path(program) / "avformat.dll"));
        fs::remove(fs::path(program) / "calls.txt");
        fs::remove(fs::path(program) / "pid.txt");
        work = fs::path(program) / "tab-work";
        fs::remove_all(work);
        fs::create_directories(work / "in");
        out = (work / "out").string();
        ::SetEnvironmentVariableA("FAKE_AVFORMAT_SILENCE_MS", nullptr);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, modSettings::SectionKey(modSettings::AppName, "").c_str());
    }
    void Open() {
        ASSERT_TRUE(window.Create(SW_SHOWNORMAL));
        Pump();
        tab = window.Converter();
        ASSERT_NE(tab, nullptr);
        boxes.texts.clear();
        boxes.titles.clear();
    }
    void TearDown() override {
        ::SetEnvironmentVariableA("FAKE_AVFORMAT_SILENCE_MS", nullptr);
        if (window.hWnd()) ::SendMessageA(window.hWnd(), WM_CLOSE, 0, 0);
        Pump();
    }
    std::string Input(const std::string& name, size_t bytes = 10) {
        const fs::path p = work / "in" / name;
        WriteBytes(p, bytes);
        return p.string();
    }
    HWND List() const { return window.Control(Cadrel::IdListView3); }
    std::vector<std::string> Calls() const {
        std::vector<std::string> lines;
        std::istringstream s(ReadAll(fs::path(program) / "calls.txt"));
        for (std::string l; std::getline(s, l);) lines.push_back(l);
        return lines;
    }
    std::string Caption15() const { return tab->Button(ConverterTab::IdCandyButton15)->Caption(); }

    std::string program;
    fs::path work;
    std::string out;
    MessageBoxRecorder boxes;
    Cadrel window;
    ConverterTab* tab = nullptr;
};

// Runs `action` once from a timer while a job waits, when `ready` holds.
struct DuringJob {
    static inline std::function<bool()> ready;
    static inline std::function<void()> action;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        if (!ready || !ready()) return;
        ::KillTimer(nullptr, id);
        ready = nullptr;
        auto a = std::move(action);
        action = nullptr;
        if (a) a();
    }
    static void Arm(std::function<bool()> r, std::function<void()> a) {
        ready = std::move(r);
        action = std::move(a);
        ::SetTimer(nullptr, 0, 100, &Tick);
    }
};

}  // namespace

TEST_F(Tab, StartsWithTheFormatsTheDefaultFormatAndTheRestoredFolder) {
    modSettings::SaveConverterOutputFolder(out);
    ASSERT_NO_FATAL_FAILURE(Open());
    HWND combo = tab->Control(ConverterTab::IdCombo1);
    EXPECT_EQ(::SendMessageA(combo, CB_GETCOUNT, 0, 0), 28);
    EXPECT_EQ(tab->FormatCaption(), "AVI (MPEG4-XviD-Best Quality)");
    EXPECT_EQ(tab->OutputFolder(), out);
    EXPECT_TRUE(fs::is_directory(fs::path(program) / "Media"));
    EXPECT_EQ(tab->Button(ConverterTab::IdCandyButton9)->Caption(), "Add Files");
    EXPECT_EQ(tab->Button(ConverterTab::IdCandyButton11)->Caption(), "Remove checked files");
    EXPECT_EQ(Caption15(), "Select All");
    EXPECT_EQ(tab->Button(ConverterTab::IdCandyButton12)->Caption(), "....");
    EXPECT_EQ(tab->Button(ConverterTab::IdCandyButton14)->Caption(), "Convert Selected");
    EXPECT_EQ(tab->Button(ConverterTab::IdCandyButton13)->Caption(), "Cancel");
    // Closing keeps the two values.
    tab->SetFormatCaption("Zune WMV");
    ::SendMessageA(window.hWnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(modSettings::LoadConverterFormat(), "Zune WMV");
    EXPECT_EQ(modSettings::LoadConverterOutputFolder(), out);
}

TEST_F(Tab, AddedFilesShowTypeSizeDatesAndPath) {
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string a = Input("clip.avi"), b = Input("clip.one.avi", 1234567), c = Input("README"),
                      d = Input("last.mp3");
    tab->AddFiles({a, b, c, (work / "in" / "missing.avi").string(), d});
    HWND list = List();
    ASSERT_EQ(ListView_GetItemCount(list), 5);
    EXPECT_EQ(Cell(list, 0, 0), "clip.avi");
    EXPECT_EQ(Cell(list, 0, 2), "AVI");
    EXPECT_EQ(Cell(list, 1, 0), "clip.one.avi");
    EXPECT_EQ(Cell(list, 1, 1), "1.23 MB");
    EXPECT_EQ(Cell(list, 1, 2), "ONE");
    EXPECT_FALSE(Cell(list, 1, 3).empty());
    EXPECT_FALSE(Cell(list, 1, 4).empty());
    EXPECT_EQ(Cell(list, 1, 5), b);
    EXPECT_EQ(Cell(list, 2, 2), "");
    // A file that cannot be read does not stop the ones after it.
    EXPECT_EQ(Cell(list, 4, 2), "MP3");
    EXPECT_EQ(tab->List1Entries(), (std::vector<std::string>{a, b, c, (work / "in" / "missing.avi").string(), d}));
    EXPECT_EQ(tab->List1Selected(), std::vector<bool>(5, false));
}

TEST_F(Tab, ChecksAreMirroredAndSelectAllToggles) {
    ASSERT_NO_FATAL_FAILURE(Open());
    tab->CandyButton15_Click();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{ConverterTab::AddFilesFirst}));
    EXPECT_EQ(boxes.titles, (std::vector<std::string>{"CadrelConverter"}));
    EXPECT_EQ(Caption15(), "Select All");
    tab->AddFiles({Input("a.avi"), Input("b.avi"), Input("c.avi")});
    tab->SetRowChecked(1, true);
    Pump();
    EXPECT_EQ(tab->List1Selected(), (std::vector<bool>{false, true, false}));
    tab->CandyButton15_Click();
    EXPECT_EQ(Caption15(), "Select None");
    EXPECT_EQ(tab->List1Selected(), (std::vector<bool>{true, true, true}));
    tab->SetRowChecked(0, false);
    Pump();
    EXPECT_EQ(tab->List1Selected(), (std::vector<bool>{false, true, true}));
    EXPECT_EQ(Caption15(), "Select None");
    tab->CandyButton15_Click();
    EXPECT_EQ(Caption15(), "Select All");
    EXPECT_EQ(tab->List1Selected(), (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(tab->RowChecked(1));
}

TEST_F(Tab, RemovingThreeAdjacentCheckedRowsKeepsTheOthersInOrder) {
    ASSERT_NO_FATAL_FAILURE(Open());
    std::vector<std::string> files;
    for (const char* n : {"1.avi", "2.avi", "3.avi", "4.avi", "5.avi"}) files.push_back(Input(n));
    tab->AddFiles(files);
    tab->CandyButton15_Click();  // "Select None" now
    for (int row : {0, 4}) tab->SetRowChecked(row, false);
    Pump();
    tab->CandyButton11_Click();
    HWND list = List();
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_EQ(Cell(list, 0, 0), "1.avi");
    EXPECT_EQ(Cell(list, 1, 0), "5.avi");
    EXPECT_EQ(tab->List1Entries(), (std::vector<std::string>{files[0], files[4]}));
    EXPECT_EQ(tab->List1Selected(), (std::vector<bool>{false, false}));
    EXPECT_EQ(Caption15(), "Select All");
    // All rows checked: all go.
    tab->CandyButton15_Click();
    tab->CandyButton11_Click();
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_TRUE(tab->List1Entries().empty());
}

TEST_F(Tab, ConvertSelectedChecksFolderRowsAndSelection) {
    ASSERT_NO_FATAL_FAILURE(Open());
    tab->SetOutputFolder("");
    tab->ConvertSelected();
    tab->SetOutputFolder(out);
    tab->ConvertSelected();
    tab->AddFiles({Input("a.avi")});
    tab->ConvertSelected();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{ConverterTab::NoOutputFolder, ConverterTab::AddFilesFirst,
                                                     ConverterTab::SelectFilesFirst}));
    EXPECT_TRUE(Calls().empty());
    EXPECT_FALSE(tab->Progress().Visible());
}

TEST_F(Tab, AnUnknownCaptionIsNotSupported) {
    ASSERT_NO_FATAL_FAILURE(Open());
    tab->AddFiles({Input("a.avi")});
    tab->SetRowChecked(0, true);
    Pump();
    tab->RunConversionJob("zune wmv");
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Error: zune wmv is not defined."}));
    EXPECT_EQ(boxes.titles, (std::vector<std::string>{"Not Supported"}));
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Tab, ZuneWmvWritesTheNameWithoutItsDots) {
    ASSERT_NO_FATAL_FAILURE(Open());
    tab->SetOutputFolder(out);  // missing: created when the job starts
    tab->AddFiles({Input("clip.avi"), Input("clip.one.avi")});
    tab->SetRowChecked(1, true);
    Pump();
    tab->SetFormatCaption("Zune WMV");
    tab->ConvertSelected();
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(fs::exists(fs::path(out) / "clipone.wmv"));
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].find("\" -y -b 1500 -r 29.97 -s 320x240 -vcodec wmv2 -acodec mp3 -ab 128 -ar 48000 -ac 2 \"" +
                            out + "\\clipone.wmv\""),
              std::string::npos)
        << calls[0];
    EXPECT_EQ(tab->Progress().Label1(), "Conversion Complete");
    EXPECT_EQ(tab->Progress().ButtonCaption(), "Close");
    EXPECT_EQ(tab->Progress().Status(), "Converting");
    EXPECT_FALSE(tab->JobRunning());
}

TEST_F(Tab, TwoCheckedFilesBothGetThePresetsOptions) {
    ASSERT_NO_FATAL_FAILURE(Open());
    tab->SetOutputFolder(out);
    const std::string a = Input("a.mpg"), b = Input("b.mpg");
    tab->AddFiles({a, b});
    tab->CandyButton15_Click();
    tab->SetFormatCaption("AVI (MPEG4-XviD-Best Quality)");
    tab->ConvertSelected();
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    const std::string options = "-y -b 360 -r 29.97 -s 320x240 -vcodec xvid -deinterlace -sameq -ac 2 ";
    EXPECT_NE(calls[0].find("-i \"" + a + "\" " + options + "\"" + out + "\\a.avi\""), std::string::npos) << calls[0];
    EXPECT_NE(calls[1].find("-i \"" + b + "\" " + options + "\"" + out + "\\b.avi\""), std::string::npos) << calls[1];
    EXPECT_TRUE(fs::exists(fs::path(out) / "a.avi"));
    EXPECT_TRUE(fs::exists(fs::path(out) / "b.avi"));
}

TEST_F(Tab, CancellingEndsTheConverterAndTheJobGoesOn) {
    ASSERT_NO_FATAL_FAILURE(Open());
    tab->SetOutputFolder(out);
    tab->AddFiles({Input("first.avi"), Input("second.avi")});
    tab->CandyButton15_Click();
    ::SetEnvironmentVariableA("FAKE_AVFORMAT_SILENCE_MS", "120000");
    HANDLE first = nullptr;
    size_t callsWhenRefused = 0;
    DuringJob::Arm([&] { return fs::exists(fs::path(program) / "pid.txt"); },
                   [&] {
                       const DWORD pid = static_cast<DWORD>(std::stoul(ReadAll(fs::path(program) / "pid.txt")));
                       first = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
                       // A second job is refused while this one runs.
                       tab->ConvertSelected();
                       callsWhenRefused = Calls().size();
                       // The next converter runs without pause.
                       ::SetEnvironmentVariableA("FAKE_AVFORMAT_SILENCE_MS", nullptr);
                       tab->Progress().CandyButton1_Click();
                   });
    tab->ConvertSelected();
    EXPECT_EQ(callsWhenRefused, 1u);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(::WaitForSingleObject(first, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(first, &code);
    ::CloseHandle(first);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(Calls().size(), 2u);
    EXPECT_TRUE(fs::exists(fs::path(out) / "second.avi"));
    EXPECT_EQ(tab->Progress().Label1(), "Conversion Complete");
    EXPECT_FALSE(tab->Progress().Visible());
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Tab, AMissingConverterEndsTheJobAndSaysSo) {
    ASSERT_NO_FATAL_FAILURE(Open());
    tab->SetOutputFolder(out);
    tab->AddFiles({Input("a.avi"), Input("b.avi")});
    tab->CandyButton15_Click();
    const fs::path converter = fs::path(program) / "avformat.dll", parked = fs::path(program) / "avformat.off";
    fs::rename(converter, parked);
    tab->ConvertSelected();
    fs::rename(parked, converter);
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Unable to locate avformat.dll"}));
    char label9[256] = {};
    ::GetWindowTextA(window.Control(Cadrel::IdLabel9), label9, sizeof label9);
    EXPECT_STREQ(label9, "Unable to locate avformat.dll");
    EXPECT_FALSE(tab->JobRunning());
    EXPECT_TRUE(Calls().empty());
}
