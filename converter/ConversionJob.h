// ConversionJob: the conversion job of the converter tab. It converts the
// checked files one after the other through the converter component AVC
// with one preset, each into the output folder under the file's name with
// the preset's extension, and waits for each by pumping window messages
// until the component reports Complete.
//
// It knows its surroundings only as interfaces: a ConversionProgress for
// what it shows while it runs and a UserNotice for its messages, so the tab
// and the headless conversion mode run the same code and tests need no
// window. The component's events reach the job through its Converting,
// Complete and ErrorEvent members, which the component's owner calls.
//
// A file whose converter runs but fails ends with ErrorEvent just before
// Complete: the job shows the reason and goes on with the next file. So
// does a file the preset would convert onto itself (the output folder is
// its own and the extension its own): the converter, told to overwrite its
// destination, would destroy the source; it is not started for that file. When
// the component raises ErrorEvent from ConvertMedia or cannot start the
// converter at all, no Complete will come: the job shows the reason and ends
// there.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ConversionProgress.h"
#include "UserNotice.h"

class AVC;

class ConversionJob {
public:
    struct Inputs {
        std::string caption;                 // the chosen format (a preset caption or "Custom Format")
        std::string outputFolder;
        std::vector<std::string> paths;      // every file of the list, in order
        std::vector<bool> selected;          // which of them are checked
    };

    enum class FileOutcome {
        Ended,       // the converter ran and its output ended
        Failed,      // the converter ran and failed (the component raised ErrorEvent at its end)
        NotStarted,  // the component raised ErrorEvent or could not start the converter
        Abandoned,   // the wait was given up (the display or the component went away)
        Refused,     // not converted: it would have been written over itself
    };

    struct FileReport {
        std::string source;
        std::string destination;
        FileOutcome outcome = FileOutcome::Abandoned;
        std::string failure;  // why it was not converted (NotStarted, Failed, Refused)
    };

    struct Report {
        bool started = false;  // false: unknown format, or a job was already running
        std::vector<FileReport> files;
    };

    // `pump` runs while the job waits for a converter; empty means
    // win::PumpPendingMessages after a short wait for input.
    ConversionJob(ConversionProgress& progress, UserNotice& notice, std::function<void()> pump = {});

    // Runs the job with `converter`. `keepWaiting`, when given, is asked
    // after every pump; false ends the job (the window or the component has
    // gone). Returns when the job ends.
    Report Run(AVC& converter, const Inputs& inputs, const std::function<bool()>& keepWaiting = {});

    bool Running() const noexcept { return running_; }

    // Why `source` is not converted to `caption` in `outputFolder`, where it
    // would be written over itself.
    static std::string OntoItselfText(const std::string& source, const std::string& caption,
                                      const std::string& outputFolder);

    // ---- the converter component's events -------------------------------------
    void Converting();
    void Complete();
    void ErrorEvent(const std::string& message);

private:
    bool Waiting(const std::function<bool()>& keepWaiting) const;

    ConversionProgress& progress_;
    UserNotice& notice_;
    std::function<void()> pump_;
    bool running_ = false;
    bool ended_ = false;
    bool errorRaised_ = false;
    std::string errorText_;
};
