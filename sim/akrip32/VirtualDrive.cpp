// The virtual drive: the disc is the CUE/BIN image in the drive's root
// folder, read afresh on every Load, its frames read through a read cache
// (ReadAhead.h).
#include <algorithm>
#include <vector>

#include "AkripLayout.h"
#include "Drive.h"
#include "FlakyFrames.h"
#include "ReadAhead.h"
#include "Win32Util.h"

namespace akrip {
namespace {

constexpr size_t kMaxSheetBytes = 1 << 20;
constexpr size_t kMaxDirectiveBytes = 1 << 20;

class VirtualMedium final : public Medium {
public:
    explicit VirtualMedium(std::string root) : root_(std::move(root)) {}

    bool Load(std::string* why) override {
        loaded_ = false;
        plan_ = FailurePlan();
        flaky_ = FlakyFrames();
        paths_.clear();
        cache_.Clear();

        std::vector<std::string> sheets;
        WIN32_FIND_DATAA fd;
        win::unique_find find(FindFirstFileA((root_ + "*.cue").c_str(), &fd));
        if (find.valid()) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) sheets.emplace_back(fd.cFileName);
            } while (FindNextFileA(find.get(), &fd));
        }
        if (sheets.empty()) return Fail(why, "no disc (no .cue sheet in " + root_ + ")");
        std::sort(sheets.begin(), sheets.end());
        const std::string& sheetName = sheets.front();

        auto text = ReadSmallFile(root_ + sheetName, kMaxSheetBytes);
        if (!text) return Fail(why, "cannot read " + sheetName);
        std::string error;
        auto sheet = ParseCue(*text, &error);
        if (!sheet) return Fail(why, sheetName + ": " + error);

        std::vector<uint64_t> sizes;
        for (const CueFile& f : sheet->files) {
            std::string name = f.name;
            std::replace(name.begin(), name.end(), '/', '\\');
            std::string path = root_ + name;
            auto size = FileSize(path);
            if (!size) return Fail(why, sheetName + ": missing file " + f.name);
            sizes.push_back(*size);
            paths_.push_back(path);
        }
        auto layout = LayOutDisc(*sheet, sizes, &error);
        if (!layout) return Fail(why, sheetName + ": " + error);
        layout_ = std::move(*layout);

        if (auto directives = ReadSmallFile(root_ + "unreadable.txt", kMaxDirectiveBytes)) {
            std::vector<std::string> rejected;
            plan_ = FailurePlan(ParseUnreadable(*directives, &rejected));
            if (!rejected.empty() && why) {
                *why = "unreadable.txt: ignored";
                for (const std::string& line : rejected) *why += " \"" + line + "\"";
            }
        }
        LoadFlaky(why);
        loaded_ = true;
        return true;
    }

    const DiscLayout* Layout() const override { return loaded_ ? &layout_ : nullptr; }

    bool Read(uint32_t lba, uint32_t count, uint8_t* out, std::string* why) override {
        if (!loaded_) return Fail(why, "no disc");
        auto pieces = PlanRead(layout_, lba, count);
        if (!pieces) return Fail(why, "frames " + Span(lba, count) + " lie beyond the lead-out");
        if (!plan_.Attempt(lba, count)) return Fail(why, "frames " + Span(lba, count) + " unreadable");
        uint8_t* const first = out;
        for (const ReadPiece& p : *pieces) {
            uint32_t bytes = p.frames * kFrameBytes;
            if (!cache_.Read(p.file, paths_[p.file], p.frameInFile, p.frames, out))
                return Fail(why, "cannot read " + paths_[p.file]);
            if (layout_.files[p.file].motorola) SwapSampleBytes(out, bytes);
            out += bytes;
        }
        flaky_.Apply(lba, count, first);
        return true;
    }

private:
    static bool Fail(std::string* why, std::string text) {
        if (why) *why = std::move(text);
        return false;
    }
    // flaky.txt beside the sheet (FlakyFrames.h); its rejected lines join
    // those of unreadable.txt in *why.
    void LoadFlaky(std::string* why) {
        auto directives = ReadSmallFile(root_ + "flaky.txt", kMaxDirectiveBytes);
        if (!directives) return;
        std::vector<std::string> rejected;
        flaky_ = FlakyFrames(ParseFlaky(*directives, &rejected));
        if (rejected.empty() || !why) return;
        *why += (why->empty() ? "" : "; ") + std::string("flaky.txt: ignored");
        for (const std::string& line : rejected) *why += " \"" + line + "\"";
    }
    static std::string Span(uint32_t lba, uint32_t count) {
        return std::to_string(lba) + "+" + std::to_string(count);
    }

    std::string root_;
    bool loaded_ = false;
    DiscLayout layout_;
    std::vector<std::string> paths_;
    FailurePlan plan_;
    FlakyFrames flaky_;
    ReadAhead cache_;
};

}  // namespace

std::unique_ptr<Medium> MakeVirtualMedium(const std::string& root) {
    return std::make_unique<VirtualMedium>(root);
}

}  // namespace akrip
