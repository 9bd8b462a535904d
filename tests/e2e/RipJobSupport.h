// Shared pieces of the rip job tests: a progress display and a notice that
// record what the job tells them, output folders, and file helpers.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "ModuleFolder.h"
#include "RipProgress.h"
#include "UserNotice.h"
#include "modGeneral.h"

namespace ripjobtest {

struct ProgressCall {
    std::string text;
    float done;
    float total;
};

// Records every call; complains when the calls come out of order (a report
// with nothing shown, a second Show before a Close, a Close with nothing
// shown). `onChange` runs after every recorded ChangeProgress with its
// 1-based number within the current track.
class RecordingProgress : public RipProgress {
public:
    void Show(HWND owner) override {
        if (open) orderErrors++;
        open = true;
        shows++;
        lastOwner = owner;
        callsThisTrack = 0;
    }
    void ChangeProgress(const std::string& text, float done, float total) override {
        if (!open) orderErrors++;
        calls.push_back({text, done, total});
        callsThisTrack++;
        if (onChange) onChange(callsThisTrack);
    }
    void Close() override {
        if (!open) orderErrors++;
        open = false;
        closes++;
    }
    std::vector<float> Done() const {
        std::vector<float> d;
        for (const auto& c : calls) d.push_back(c.done);
        return d;
    }

    bool open = false;
    int shows = 0;
    int closes = 0;
    int orderErrors = 0;
    int callsThisTrack = 0;
    HWND lastOwner = nullptr;
    std::vector<ProgressCall> calls;
    std::function<void(int)> onChange;
};

struct Notice {
    std::string text;
    std::string title;
    NoticeIcon icon;
    bool progressOpen;  // whether the track's progress was showing at the time
};

class RecordingNotice : public UserNotice {
public:
    explicit RecordingNotice(const RecordingProgress* progress = nullptr) : progress_(progress) {}
    void Show(const std::string& text, const std::string& title, NoticeIcon icon) override {
        notices.push_back({text, title, icon, progress_ && progress_->open});
    }
    std::vector<Notice> notices;

private:
    const RecordingProgress* progress_;
};

// An empty folder <program folder>\<parent>\<name>, made afresh.
inline std::string FreshFolder(const std::string& parent, const std::string& name) {
    const std::string folder = win::ProgramFolder() + "\\" + parent + "\\" + name;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder);
    return folder;
}

// The names of the entries of `folder`, sorted.
inline std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline uint32_t Le32(const std::string& bytes, std::size_t offset) {
    return uint32_t(uint8_t(bytes[offset])) | uint32_t(uint8_t(bytes[offset + 1])) << 8 |
           uint32_t(uint8_t(bytes[offset + 2])) << 16 | uint32_t(uint8_t(bytes[offset + 3])) << 24;
}

}  // namespace ripjobtest
