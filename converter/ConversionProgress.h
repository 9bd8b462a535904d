// What the conversion job reports to while it runs: the progress window
// frmconverprogress in the windowed program, console lines in the headless
// conversion mode, a recorder in the tests.
#pragma once

#include <string>

class ConversionProgress {
public:
    virtual ~ConversionProgress() = default;
    // A file's conversion is about to start; `outputName` is the name it is
    // written under in the output folder.
    virtual void FileStarted(const std::string& outputName) = 0;
    // The converter runs (every tick of the converter component).
    virtual void Converting() = 0;
    // The converter's output has ended: the file's conversion is over.
    virtual void FileEnded() = 0;
    // The file's converter ran and failed (after FileEnded); `reason` says why.
    virtual void FileFailed(const std::string& reason) = 0;
    // Nothing could be started for the file; `reason` says why.
    virtual void NotStarted(const std::string& reason) = 0;
    // False once the display has gone away; the job then stops waiting.
    virtual bool Shown() const = 0;
};
