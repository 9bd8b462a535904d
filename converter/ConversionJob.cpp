#include "ConversionJob.h"

#include <windows.h>

#include "AVC.h"
#include "ConversionPresets.h"
#include "ConverterFiles.h"
#include "LongPath.h"
#include "MessagePump.h"

ConversionJob::ConversionJob(ConversionProgress& progress, UserNotice& notice, std::function<void()> pump)
    : progress_(progress), notice_(notice), pump_(std::move(pump)) {}

bool ConversionJob::Waiting(const std::function<bool()>& keepWaiting) const {
    return progress_.Shown() && (!keepWaiting || keepWaiting());
}

ConversionJob::Report ConversionJob::Run(AVC& converter, const Inputs& inputs,
                                         const std::function<bool()>& keepWaiting) {
    Report report;
    if (running_) return report;
    const bool custom = inputs.caption == ConversionPresets::CustomFormat;
    if (!custom && !ConversionPresets::Find(inputs.caption)) {
        notice_.Show(ConversionPresets::NotSupportedText(inputs.caption), ConversionPresets::NotSupportedTitle,
                     NoticeIcon::Exclamation);
        return report;
    }
    report.started = true;
    running_ = true;
    for (size_t i = 0; i < inputs.paths.size() && i < inputs.selected.size(); ++i) {
        if (!inputs.selected[i]) continue;
        // Without its panel the custom format sets stereo output only.
        std::string extension;
        if (custom) converter.SetAudioChannels("2");
        else extension = ConversionPresets::ApplyPreset(inputs.caption, converter).value_or("");
        const std::string outputName = ConverterFiles::OutputName(inputs.paths[i], extension);
        FileReport& file = report.files.emplace_back();
        file.source = inputs.paths[i];
        file.destination = ConverterFiles::JoinPath(inputs.outputFolder, outputName);
        progress_.FileStarted(outputName);
        if (win::SamePath(file.destination, file.source)) {
            file.outcome = FileOutcome::Refused;
            file.failure = OntoItselfText(file.source, inputs.caption, inputs.outputFolder);
            progress_.NotStarted(file.failure);
            notice_.Show(file.failure, ApplicationTitle, NoticeIcon::Exclamation);
            if (keepWaiting && !keepWaiting()) break;
            continue;
        }
        converter.SetSourceFile(file.source);
        converter.SetDestFile(file.destination);
        ended_ = false;
        errorRaised_ = false;
        bool overWrite = true;
        converter.ConvertMedia(overWrite);
        if (errorRaised_ || (!converter.Running() && !ended_)) {
            // Nothing was started: no Complete will come, so the job ends here.
            const std::string text =
                errorRaised_ ? errorText_ : std::string("Unable to start ") + avc::ConverterFileName;
            file.outcome = FileOutcome::NotStarted;
            file.failure = text;
            progress_.NotStarted(text);
            notice_.Show(text, ApplicationTitle, NoticeIcon::Exclamation);
            break;
        }
        while (!ended_ && Waiting(keepWaiting)) {
            if (pump_) {
                pump_();
            } else {
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, QS_ALLINPUT);
                win::PumpPendingMessages();
            }
        }
        if (!ended_) break;  // the wait was given up: the component may be gone
        if (errorRaised_) {
            file.outcome = FileOutcome::Failed;
            file.failure = errorText_;
            progress_.FileFailed(errorText_);
        } else {
            file.outcome = FileOutcome::Ended;
        }
        if (keepWaiting && !keepWaiting()) break;
    }
    running_ = false;
    return report;
}

std::string ConversionJob::OntoItselfText(const std::string& source, const std::string& caption,
                                          const std::string& outputFolder) {
    return "The file " + source + " is not converted: converting it to \"" + caption + "\" in " + outputFolder +
           " would write over the file itself. Choose another output folder.";
}

void ConversionJob::Converting() { progress_.Converting(); }

void ConversionJob::Complete() {
    ended_ = true;
    progress_.FileEnded();
}

void ConversionJob::ErrorEvent(const std::string& message) {
    errorRaised_ = true;
    errorText_ = message;
}
