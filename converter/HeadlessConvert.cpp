#include "HeadlessConvert.h"

#include <windows.h>

#include <cctype>
#include <memory>

#include "AVC.h"
#include "ConsoleLines.h"
#include "ConversionJob.h"
#include "ConversionPresets.h"
#include "ConverterFiles.h"
#include "LongPath.h"
#include "ProgramArguments.h"
#include "UserNotice.h"

namespace HeadlessConvert {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool IsSwitch(std::string_view arg) { return !arg.empty() && (arg[0] == '/' || arg[0] == '-'); }

// "/name:value" or "/name=value" as name and value.
bool SplitSwitch(std::string_view arg, std::string_view& name, std::string_view& value) {
    const auto sep = arg.find_first_of(":=");
    if (sep == std::string_view::npos) return false;
    name = arg.substr(1, sep - 1);
    value = arg.substr(sep + 1);
    return true;
}

bool HoldsData(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!win::PathAttributes(path, data)) return false;
    return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (data.nFileSizeLow || data.nFileSizeHigh);
}

class ConsoleProgress : public ConversionProgress {
public:
    explicit ConsoleProgress(win::ConsoleLines& out) : out_(out) {}
    void FileStarted(const std::string& outputName) override { out_.Line("Processing " + outputName); }
    void Converting() override {}
    void FileEnded() override { out_.Line("Conversion Complete"); }
    void FileFailed(const std::string& reason) override { out_.Line(reason); }
    void NotStarted(const std::string& reason) override { out_.Line(reason); }
    bool Shown() const override { return true; }

private:
    win::ConsoleLines& out_;
};

// A message-only window that owns the converter component's polling timer.
constexpr const char* TimerClass = "CadrelHeadlessConvertTimer";
constexpr UINT_PTR TimerId = 1;

LRESULT CALLBACK TimerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == TimerId) {
        if (auto* avc = reinterpret_cast<AVC*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA))) avc->Timer1_Timer();
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

class TimerWindow {
public:
    TimerWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = TimerProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = TimerClass;
        ::RegisterClassA(&wc);
        hwnd_ = ::CreateWindowExA(0, TimerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~TimerWindow() {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }
    TimerWindow(const TimerWindow&) = delete;
    TimerWindow& operator=(const TimerWindow&) = delete;
    HWND get() const noexcept { return hwnd_; }
    void Attach(AVC* avc) { ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(avc)); }

private:
    HWND hwnd_ = nullptr;
};

int Run(const std::vector<std::string>& args, const std::string& lossy, win::ConsoleLines& out) {
    if (!lossy.empty()) {
        out.Line("cadrel: " + win::LossyArgumentReason(lossy));
        return ExitBadRequest;
    }
    const ParseResult parsed = Parse(args);
    if (!parsed) {
        out.Line("cadrel: " + parsed.error);
        out.Line(std::string(Usage()));
        return ExitBadRequest;
    }
    const ConvertCommand& command = *parsed.command;
    if (!ConversionPresets::Find(command.preset)) {
        out.Line("cadrel: there is no preset \"" + command.preset + "\"");
        return ExitBadRequest;
    }
    const std::string folder = win::FullPathName(command.outFolder);
    if (!win::FolderExists(folder)) {
        out.Line("cadrel: the output folder " + folder + (win::FileExists(folder) ? " is a file" : " does not exist"));
        return ExitBadRequest;
    }
    ConversionJob::Inputs inputs;
    inputs.caption = command.preset;
    inputs.outputFolder = folder;
    for (const std::string& file : command.files) {
        const std::string path = win::FullPathName(file);
        if (win::FolderExists(path)) {
            out.Line("cadrel: the file " + path + " is a folder, not a media file");
            return ExitBadRequest;
        }
        if (!win::FileExists(path)) {
            out.Line("cadrel: the file " + path + " does not exist");
            return ExitBadRequest;
        }
        // The converter is told to overwrite its destination: never the source itself.
        const std::string destination = ConverterFiles::JoinPath(
            folder, ConverterFiles::OutputName(path, ConversionPresets::Find(command.preset)->extension));
        if (win::SamePath(destination, path)) {
            out.Line("cadrel: converting " + path + " to \"" + command.preset + "\" in " + folder +
                     " would write over the file itself");
            return ExitBadRequest;
        }
        inputs.paths.push_back(path);
        inputs.selected.push_back(true);
    }

    TimerWindow timer;
    if (!timer.get()) {
        out.Line("cadrel: no window for the converter's timer");
        return ExitIncomplete;
    }
    ConsoleProgress progress(out);
    LineNotice notice([&out](const std::string& line) { out.Line(line); });
    ConversionJob job(progress, notice);
    AVC converter(timer.get(), TimerId);
    timer.Attach(&converter);
    converter.Converting = [&job] { job.Converting(); };
    converter.Complete = [&job] { job.Complete(); };
    converter.ErrorEvent = [&job](std::string& message) { job.ErrorEvent(message); };

    const ConversionJob::Report report = job.Run(converter, inputs);
    timer.Attach(nullptr);

    int converted = 0;
    for (const ConversionJob::FileReport& file : report.files) {
        const bool ok = file.outcome == ConversionJob::FileOutcome::Ended && HoldsData(file.destination);
        out.Line(file.destination + ": " + (ok ? "converted" : "not converted"));
        if (ok) ++converted;
    }
    out.Line(std::to_string(converted) + " of " + std::to_string(inputs.paths.size()) + " files converted");
    return report.started && converted == static_cast<int>(inputs.paths.size()) ? ExitComplete : ExitIncomplete;
}

}  // namespace

bool IsConvertSwitch(std::string_view arg) { return EqualsNoCase(arg, "/convert") || EqualsNoCase(arg, "-convert"); }

std::string_view Usage() { return "usage: /convert FILE... [/preset:NAME] /out:FOLDER"; }

ParseResult Parse(const std::vector<std::string>& args) {
    ParseResult result;
    ConvertCommand command;
    command.preset = ConversionPresets::DefaultCaption;
    bool presetSeen = false, outSeen = false;
    size_t i = !args.empty() && IsConvertSwitch(args[0]) ? 1 : 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsSwitch(arg)) {
            command.files.push_back(arg);
            continue;
        }
        std::string_view name, value;
        const bool hasValue = SplitSwitch(arg, name, value);
        if (!hasValue) name = std::string_view(arg).substr(1);
        const bool preset = EqualsNoCase(name, "preset"), out = EqualsNoCase(name, "out");
        if (!preset && !out) {
            result.error = "the switch " + arg + " is not known";
            return result;
        }
        if ((preset && presetSeen) || (out && outSeen)) {
            result.error = "the switch " + arg.substr(0, name.size() + 1) + " is given twice";
            return result;
        }
        if (!hasValue) {
            result.error = "the switch " + arg + " needs a value";
            return result;
        }
        if (preset) {
            presetSeen = true;
            command.preset = std::string(value);
        } else if (value.find_first_not_of(" \t") == std::string_view::npos) {
            result.error = "the switch " + arg + " needs a folder";
            return result;
        } else {
            outSeen = true;
            command.outFolder = std::string(value);
        }
    }
    if (command.files.empty()) {
        result.error = "no file to convert";
        return result;
    }
    if (!outSeen) {
        result.error = "no output folder (/out:FOLDER)";
        return result;
    }
    result.command = std::move(command);
    return result;
}

}  // namespace HeadlessConvert

int RunHeadlessConvert(const std::vector<std::string>& args, const std::string& lossy) {
    win::ConsoleLines out;
    return HeadlessConvert::Run(args, lossy, out);
}
