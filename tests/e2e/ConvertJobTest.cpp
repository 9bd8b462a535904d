// The conversion job in the real main window with the real converter
// (avformat.dll beside the program): one preset of each family converts the
// prepared clip; the job waits for each converter to end and the progress
// window ends on "Conversion Complete". The written files are checked with
// ffprobe afterwards (convert_job_check_*).
//
//   convert_job_test [--bench CAPTION CLIP]  times one conversion of CLIP
//                                            through the job instead and
//                                            prints "figure job SECONDS".
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "ModuleFolder.h"
#include "Cadrel.h"
#include "ConverterTab.h"
#include "modGeneral.h"
#include "modSettings.h"
#include "WindowHelpers.h"
#include "support/WindowTesting.h"

namespace fs = std::filesystem;
using testing_support::MessageBoxRecorder;
using testing_support::Pump;

namespace {

struct Family {
    const char* check;    // the expectations' name in avformat_convert.sh
    const char* caption;  // the preset
    const char* file;     // what the job names the clip's output
};

constexpr Family kFamilies[] = {
    {"avi-divx", "AVI (MPEG4-DivX-Compatible)", "clip.avi"},
    {"ipod-video", "iPOD Video (320x240) MPEG4", "clip.mpg"},
    {"ipod-nano", "iPOD Nano (MP3)", "clip.mp3"},
    {"mpeg-max", "MPEG (Max Compatible)", "clip.mpg"},
    {"wmv", "WMV(WindowsMedia-Compatible)", "clip.wmv"},
    {"rm", "RM (RealONE/RealPlayer)", "clip.rm"},
    {"mov", "QuickTime MOV", "clip.mov"},
    {"flv", "FLV (Flash Live Video)", "clip.flv"},
    {"psp-avc", "Sony PSP (PSP AVC)", "clip.avi"},
    {"zune-mpeg4", "Zune MPEG-4 Video", "clip.avi"},
    {"3gp", "3GP (for Mobile)", "clip.3gp"},
    {"wav", "WAVE Sound (WAV)", "clip.wav"},
};

// Converts `clip` with `caption` into `folder` through the tab's job.
void ConvertThroughJob(Cadrel& window, const std::string& clip, const std::string& caption,
                       const std::string& folder) {
    ConverterTab* tab = window.Converter();
    ASSERT_NE(tab, nullptr);
    while (::SendMessageA(window.Control(Cadrel::IdListView3), LVM_GETITEMCOUNT, 0, 0) > 0) {
        tab->SetRowChecked(0, true);
        tab->CandyButton11_Click();
    }
    tab->SetOutputFolder(folder);
    tab->AddFiles({clip});
    tab->SetRowChecked(0, true);
    Pump();
    tab->SetFormatCaption(caption);
    tab->ConvertSelected();  // returns when the job has ended
}

class ConvertJob : public ::testing::TestWithParam<Family> {
protected:
    static void SetUpTestSuite() {
        Pump();
        ::RegDeleteTreeA(HKEY_CURRENT_USER, modSettings::SectionKey(modSettings::AppName, "").c_str());
        window_ = new Cadrel;
        ASSERT_TRUE(window_->Create(SW_SHOWNORMAL));
        Pump();
    }
    static void TearDownTestSuite() {
        if (window_->hWnd()) ::SendMessageA(window_->hWnd(), WM_CLOSE, 0, 0);
        Pump();
        delete window_;
        window_ = nullptr;
    }
    static inline Cadrel* window_ = nullptr;
};

using ConvertJobFailure = ConvertJob;

TEST_P(ConvertJob, WritesTheFileAndEndsOnConversionComplete) {
    const Family& f = GetParam();
    const fs::path program = win::ProgramFolder();
    const fs::path clip = program / "avformat-e2e" / "clip.mkv";
    ASSERT_TRUE(fs::exists(program / "avformat.dll"));
    ASSERT_TRUE(fs::exists(clip)) << "the clip is made by avformat_prepare";
    const fs::path folder = program / "convert-job" / f.check;
    fs::remove_all(folder);
    fs::create_directories(folder);

    MessageBoxRecorder boxes;
    ConvertThroughJob(*window_, clip.string(), f.caption, folder.string());
    ConverterTab* tab = window_->Converter();
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
    EXPECT_FALSE(tab->JobRunning());
    EXPECT_EQ(tab->Progress().Label1(), "Conversion Complete");
    EXPECT_EQ(tab->Progress().ButtonCaption(), "Close");
    ASSERT_TRUE(fs::exists(folder / f.file)) << f.caption;
    EXPECT_GT(fs::file_size(folder / f.file), 1000u);
}

// A file the converter cannot read fails in the converter: the job says why
// on the main window and in the progress window, writes nothing under that
// file's name and converts the next file.
TEST_F(ConvertJobFailure, AGarbageFileShowsTheConvertersFailureAndTheJobGoesOn) {
    const fs::path program = win::ProgramFolder();
    const fs::path clip = program / "avformat-e2e" / "clip.mkv";
    ASSERT_TRUE(fs::exists(clip)) << "the clip is made by avformat_prepare";
    const fs::path folder = program / "convert-job" / "failure";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path garbage = folder / "garbage.avi";
    {
        std::ofstream f(garbage, std::ios::binary);
        for (int i = 0; i < 4096; ++i) f.put(static_cast<char>((i * 7919 + 13) & 0xff));
    }
    const fs::path out = folder / "out";
    fs::create_directories(out);

    MessageBoxRecorder boxes;
    Cadrel& window = *window_;
    ConverterTab* tab = window.Converter();
    ASSERT_NE(tab, nullptr);
    while (::SendMessageA(window.Control(Cadrel::IdListView3), LVM_GETITEMCOUNT, 0, 0) > 0) {
        tab->SetRowChecked(0, true);
        tab->CandyButton11_Click();
    }
    tab->SetOutputFolder(out.string());
    tab->AddFiles({garbage.string(), clip.string()});
    tab->SetRowChecked(0, true);
    tab->SetRowChecked(1, true);
    Pump();
    tab->SetFormatCaption("WAVE Sound (WAV)");
    tab->ConvertSelected();

    EXPECT_FALSE(tab->JobRunning());
    const std::string label9 = controls::WindowText(window.Control(Cadrel::IdLabel9));
    EXPECT_EQ(label9.rfind("Unable to convert " + garbage.string() + ": avformat.dll ended with code ", 0), 0u) << label9;
    EXPECT_FALSE(fs::exists(out / "garbage.wav"));
    ASSERT_TRUE(fs::exists(out / "clip.wav")) << "the job goes on with the next file";
    EXPECT_GT(fs::file_size(out / "clip.wav"), 1000u);
    EXPECT_EQ(tab->Progress().Label1(), "Conversion Complete");
    EXPECT_TRUE(boxes.texts.empty()) << "the job does not stop for a message";
}

INSTANTIATE_TEST_SUITE_P(EveryFamily, ConvertJob, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& i) {
                             std::string n = i.param.check;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return "f" + n;
                         });

// The benchmark's mode: one conversion through the job, timed.
int Bench(const char* caption, const char* clip) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, modSettings::SectionKey(modSettings::AppName, "").c_str());
    const fs::path folder = fs::path(win::ProgramFolder()) / "convert-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    MessageBoxRecorder boxes;
    Cadrel window;
    if (!window.Create(SW_SHOWNORMAL)) return 1;
    Pump();
    const auto t0 = std::chrono::steady_clock::now();
    ConvertThroughJob(window, clip, caption, folder.string());
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const bool ok = boxes.texts.empty() && window.Converter()->Progress().Label1() == "Conversion Complete";
    std::printf("figure job %.3f\n", s);
    for (const auto& t : boxes.texts) std::printf("message: %s\n", t.c_str());
    ::SendMessageA(window.hWnd(), WM_CLOSE, 0, 0);
    Pump();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--bench") == 0) return Bench(argv[2], argv[3]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
