// What a track routine of the rip job reports its progress to: the progress
// window in the windowed program, console lines in the headless mode.
#pragma once

#include <windows.h>

#include <string>

class RipProgress {
public:
    virtual ~RipProgress() = default;
    // Shows the progress for a new track without blocking, owned by `owner`.
    virtual void Show(HWND owner) = 0;
    // text: "Extracting track " + the output file's full path; done and total
    // in frames, total > 0.
    virtual void ChangeProgress(const std::string& text, float done, float total) = 0;
    // Closes the progress of the track (every path, errors included).
    virtual void Close() = 0;
};
