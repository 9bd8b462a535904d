// AVC: turns one media file into another by running the outside converter
// ("avformat.dll" in the program's folder, a program despite its name) as a
// hidden child process whose standard output and standard error go into one
// pipe.
//
// A caller sets the write-only properties, calls ConvertMedia and then hears
// only events: Converting on every poll while the converter runs, Complete
// once when its output has ended, ErrorEvent when ConvertMedia finds a reason
// not to start. When the output has ended the converter's exit code and its
// output file are looked at: a converter that failed (an exit code other than
// 0, or no output file with data) raises ErrorEvent with the reason just
// before Complete, and what it left under the destination name is removed.
// A cancelled conversion ends with Complete alone. After every conversion all
// properties are empty again.
//
// The class has no timer of its own: it borrows one timer of a window (the
// main window's Timer1). The window passes that timer's ticks to Timer1_Timer.
// Everything runs on the window thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "AvcCommandLine.h"
#include "WinHandles.h"

class AVC {
public:
    static constexpr UINT PollInterval = 300;  // ms while a converter runs
    static constexpr DWORD ChunkSize = 256;       // bytes per pipe read
    static constexpr DWORD MaxDrainPerTick = 65536;  // bytes drained per tick at most
    static constexpr DWORD ExitWait = 5000;  // ms allowed for the exit after the output's end

    // `timerWindow`/`timerId`: the borrowed timer. `converterFolder`: where
    // the converter is looked for; empty means the program's folder.
    AVC(HWND timerWindow, UINT_PTR timerId, std::string converterFolder = {});
    ~AVC();
    AVC(const AVC&) = delete;
    AVC& operator=(const AVC&) = delete;

    // ---- write-only properties ----------------------------------------------
    void SetRateControlBuffer(std::string v) { props_.RateControlBuffer = std::move(v); }
    void SetVideoBitrateTolerance(std::string v) { props_.VideoBitrateTolerance = std::move(v); }
    void SetTargetFormat(std::string v) { props_.TargetFormat = std::move(v); }
    void SetGroupOfPictureSize(std::string v) { props_.GroupOfPictureSize = std::move(v); }
    void SetVideoQuantiserScale(std::string v) { props_.VideoQuantiserScale = std::move(v); }
    void SetMaxVideoBitrate(std::string v) { props_.MaxVideoBitrate = std::move(v); }
    void SetSourceFile(std::string v) { props_.SourceFile = std::move(v); }
    void SetDestFile(std::string v) { props_.DestFile = std::move(v); }
    void SetDeInterlace(bool v) { props_.DeInterlace = v; }
    void SetSameQuality(bool v) { props_.SameQuality = v; }
    void SetVideoSize(std::string v) { props_.VideoSize = std::move(v); }
    void SetVideoBitrate(std::string v) { props_.VideoBitrate = std::move(v); }
    void SetVideoFrameRate(std::string v) { props_.VideoFrameRate = std::move(v); }
    void SetVideoCodec(std::string v) { props_.VideoCodec = std::move(v); }
    void SetVideoFourCCTag(std::string v) { props_.VideoFourCCTag = std::move(v); }
    void SetVideoAspectRatio(std::string v) { props_.VideoAspectRatio = std::move(v); }
    void SetForceFormat(std::string v) { props_.ForceFormat = std::move(v); }
    void SetAudioBitrate(std::string v) { props_.AudioBitrate = std::move(v); }
    void SetAudioCodec(std::string v) { props_.AudioCodec = std::move(v); }
    void SetAudioFourCCTag(std::string v) { props_.AudioFourCCTag = std::move(v); }
    void SetAudioSamples(std::string v) { props_.AudioSamples = std::move(v); }
    void SetAudioChannels(std::string v) { props_.AudioChannels = std::move(v); }
    // Any property by name (flags: see avc::Properties::Set).
    void Set(avc::Property which, std::string_view value) { props_.Set(which, value); }

    // ---- methods ---------------------------------------------------------------
    // Starts a conversion with the current values; `OverWrite` adds "-y" and
    // is not changed. Empty source or destination, or no converter file,
    // raise ErrorEvent and start nothing. A pipe or process that cannot be
    // made starts nothing and raises no event (Running() stays false).
    void ConvertMedia(bool& OverWrite);
    // Terminates every running process whose executable name ends with
    // "avformat.dll" (exit code 0). The next tick then ends the conversion,
    // which counts as cancelled rather than failed.
    void CancelConvert();

    // The borrowed timer's tick.
    void Timer1_Timer();

    // Whether a converter is being polled (between a successful start and
    // the end of its output).
    bool Running() const noexcept { return running_; }
    // The command line of the last converter started (empty before any).
    const std::string& LastCommandLine() const noexcept { return lastCommandLine_; }

    // ---- events ----------------------------------------------------------------
    std::function<void()> Converting;
    std::function<void()> Complete;
    std::function<void(std::string& message)> ErrorEvent;

private:
    static std::string GetShortName(const std::string& path);
    void StartConverter(const std::string& commandLine);
    static void KillProcessByName(const std::string& fileName);
    void RaiseError(std::string message);
    void StartTimer();
    void StopTimer();
    // Why the conversion that has just ended failed, or empty when it did
    // not; a failed conversion's output is removed here.
    std::string CheckEndedConversion();

    HWND timerWindow_;
    UINT_PTR timerId_;
    std::string converterFolder_;
    avc::Properties props_;
    // The converter being polled.
    win::unique_handle process_;
    win::unique_handle thread_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    win::unique_handle readPipe_;
    STARTUPINFOA startup_{};
    SECURITY_ATTRIBUTES security_{};
    bool running_ = false;
    bool cancelled_ = false;
    // The conversion being polled: its files, and the destination as it was
    // before the converter started (so a file the converter did not touch
    // is never removed).
    std::string source_;
    std::string dest_;
    bool destExisted_ = false;
    FILETIME destWritten_{};
    std::string lastCommandLine_;
};
