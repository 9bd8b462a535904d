// The virtual drive's read cache, as a drive has one: a read of an image
// file brings in a window of the frames that follow in the same open of the
// file, and the next reads inside that window are answered from memory.
// Nothing is held open between reads (a file the library held open could
// not be deleted at once through the system), so every read still looks at
// the file's name: an image deleted (ejected) or written again since the
// window was read is seen at the very next read. A file written in the last
// few seconds is read directly and never cached, since its write time may
// not yet tell one version of it from the next.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace akrip {

class ReadAhead {
public:
    // Frames of the window read ahead from one file.
    static constexpr uint32_t kWindowFrames = 32 * 26;

    // Copies frames [frame, frame + frames) of file `file` (named `path`)
    // into out; false when the file is gone or does not hold them all.
    bool Read(size_t file, const std::string& path, uint32_t frame, uint32_t frames, uint8_t* out);
    // Forgets the window (another disc was loaded).
    void Clear();

private:
    bool Holds(size_t file, const WIN32_FILE_ATTRIBUTE_DATA& now, uint32_t frame, uint32_t frames) const;

    size_t file_ = SIZE_MAX;
    uint32_t first_ = 0;  // the window's first frame in the file
    uint32_t count_ = 0;  // frames in the window
    WIN32_FILE_ATTRIBUTE_DATA seen_{};  // the file's name as it showed before the window was read
    std::vector<uint8_t> bytes_;
};

}  // namespace akrip
