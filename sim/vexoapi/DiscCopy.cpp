// Disc copies (compilation type 1000): the source drive's medium (its
// [Device] Medium=, an ISO image or a BIN/CUE image) copied to the target
// device's recorder target, so that the target's image equals the source
// medium byte for byte. An ISO image goes to the target with ".iso"
// appended unless the name has it; a BIN/CUE image goes to the target's
// sheet and BIN (as for audio images), the sheet copied line by line with
// its FILE line naming the new BIN.
//
// Not on the fly and with an image path, the medium is first copied to
// that path (a ".cue" or ".bin" name gives the pair its stem; another name
// gets ".cue"/".bin" appended for a BIN/CUE medium) and from there to the
// target; with the delete-image flag that copy is deleted afterwards.
// Reading the medium takes the source device's OperationMs, spread over
// at least twenty pieces, each followed by a progress call (a non-zero
// answer aborts). No medium, a synthetic medium, or a medium that cannot
// be read refuse the copy with an error line and leave no file.

#include "DiscImages.h"

#include "AudioImageWriter.h"
#include "BlockMedia.h"
#include "CueSheet.h"
#include "CueWriter.h"
#include "EngineLayout.h"
#include "Win32File.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace vexosim {
namespace {

namespace L = vexosim::layout;

bool EndsWithNoCase(const std::string& s, const char* ext) {
    const std::size_t n = std::strlen(ext);
    return s.size() > n && _stricmp(s.c_str() + s.size() - n, ext) == 0;
}

std::string FolderPart(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Where a BIN/CUE pair goes for a path naming either file or neither.
ImagePaths PairFor(const std::string& path) {
    if (EndsWithNoCase(path, ".bin")) return {path.substr(0, path.size() - 4) + ".cue", path};
    return ImagePathsFor(path);
}

// The sheet with its FILE line naming `bin` instead.
std::string RenameFileLine(const std::string& sheet, const std::string& bin) {
    std::string out;
    std::size_t at = 0;
    while (at < sheet.size()) {
        std::size_t end = sheet.find('\n', at);
        end = end == std::string::npos ? sheet.size() : end + 1;
        std::string line = sheet.substr(at, end - at);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line.size() >= first + 5 && _strnicmp(line.c_str() + first, "FILE", 4) == 0 &&
            (line[first + 4] == ' ' || line[first + 4] == '\t')) {
            std::string ending = line.substr(line.find_last_not_of("\r\n") + 1);
            line = line.substr(0, first) + "FILE \"" + bin + "\" BINARY" + ending;
        }
        out += line;
        at = end;
    }
    return out;
}

// Copies a file in pieces; with a reading time, the time is spread over the
// pieces and each is followed by a progress call.
enum class CopyEnd { Done, Failed, Aborted };
CopyEnd CopyBytes(const std::string& from, const std::string& to, std::uint32_t readMs, const ImageProgress* progress,
                  std::string& why) {
    SourceFile in(from);
    if (!in.IsOpen()) {
        why = "The medium in the source drive cannot be read: cannot open " + from;
        return CopyEnd::Failed;
    }
    NewFile out(to);
    if (!out.IsOpen()) {
        why = "The image cannot be made: cannot make " + to;
        return CopyEnd::Failed;
    }
    const std::uint64_t size = in.Size();
    constexpr std::uint64_t kMinPieces = 20;
    const std::size_t piece = static_cast<std::size_t>(std::clamp<std::uint64_t>(size / kMinPieces, 2048, 4u << 20));
    const std::uint64_t pieces = std::max<std::uint64_t>(1, (size + piece - 1) / piece);
    std::vector<std::uint8_t> buffer(piece);
    std::uint64_t done = 0, k = 0;
    do {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(piece, size - done));
        if (n > 0 && !in.ReadAt(done, buffer.data(), n)) {
            out.Discard();
            why = "The medium in the source drive cannot be read: cannot read " + from;
            return CopyEnd::Failed;
        }
        if (n > 0 && !out.Write(buffer.data(), n)) {
            out.Discard();
            why = "The image cannot be written: cannot write " + to;
            return CopyEnd::Failed;
        }
        done += n;
        ++k;
        if (progress) {
            TakeTime(static_cast<std::uint32_t>(readMs * k / pieces - readMs * (k - 1) / pieces));
            if (*progress && !(*progress)(static_cast<std::int32_t>(k * 100 / pieces))) {
                out.Discard();
                return CopyEnd::Aborted;
            }
        }
    } while (done < size);
    return CopyEnd::Done;
}

class DiscCopyJob : public DiscImageJob {
public:
    struct Source {
        std::string medium;  // the resolved Medium= path
        bool cue = false;
        std::uint32_t readMs = 0;
        bool onTheFly = false;
        std::string imagePath;  // empty: none
        bool deleteImage = false;
    };

    DiscCopyJob(Source source, const std::string& target) : source_(std::move(source)) {
        if (source_.cue) {
            const ImagePaths paths = ImagePathsFor(target);
            data_.emplace(paths.bin);
            sheet_.emplace(paths.cue);
        } else {
            data_.emplace(EndsWithNoCase(target, ".iso") ? target : target + ".iso");
        }
    }

    ImageOutcome Record(const ImageProgress& progress) override {
        std::string why, sheet, sourceData = source_.medium;
        if (source_.cue) {
            if (!ReadWholeFile(source_.medium, sheet))
                return {kImageFailed, "The medium in the source drive cannot be read: cannot read " + source_.medium};
            std::string parseWhy;
            auto parsed = ParseCueSheet(sheet, &parseWhy);
            if (!parsed) return {kImageFailed, "The medium in the source drive cannot be read: " + source_.medium + ": " + parseWhy};
            sourceData = IsAbsolutePath(parsed->file) ? parsed->file : FolderPart(source_.medium) + parsed->file;
        }
        const bool viaImage = !source_.onTheFly && !source_.imagePath.empty();
        CopyEnd end;
        if (viaImage) {
            const ImagePaths image = source_.cue ? PairFor(source_.imagePath) : ImagePaths{{}, source_.imagePath};
            PartFile imageData(image.bin);
            std::optional<PartFile> imageSheet;
            if (source_.cue) imageSheet.emplace(image.cue);
            end = CopyBytes(sourceData, imageData.Part(), source_.readMs, &progress, why);
            if (end == CopyEnd::Done && imageSheet) end = WriteSheet(imageSheet->Part(), sheet, image.bin, why);
            bool placed = false;
            if (end == CopyEnd::Done) {
                placed = imageData.Commit(why) && (!imageSheet || imageSheet->Commit(why));
                if (!placed) {
                    why = "The image \"" + source_.imagePath + "\" cannot be put in place: " + why;
                    end = CopyEnd::Failed;
                }
            }
            if (end == CopyEnd::Done) end = CopyBytes(image.bin, data_->Part(), 0, nullptr, why);
            // The copy on the way, once made, is deleted when asked, whether the rest succeeded or not.
            if (placed && source_.deleteImage) {
                DeleteFileA(image.bin.c_str());
                if (imageSheet) DeleteFileA(image.cue.c_str());
            }
        } else {
            end = CopyBytes(sourceData, data_->Part(), source_.readMs, &progress, why);
        }
        if (end == CopyEnd::Done && source_.cue) end = WriteSheet(sheet_->Part(), sheet, data_->Final(), why);
        if (end == CopyEnd::Aborted) return {kImageAborted, {}};
        if (end == CopyEnd::Failed) return {kImageFailed, why};
        return {};
    }

    ImageOutcome Commit() override {
        std::string why;
        if (!data_->Commit(why) || (sheet_ && !sheet_->Commit(why))) {
            if (sheet_) DeleteFileA(data_->Final().c_str());
            return {kImageFailed, "The copy cannot be put in place: " + why};
        }
        return {};
    }

    void Report(SimEngine& e) override {
        e.Count("discimage.written");
        e.SetText("discimage.kind", "disccopy");
        e.SetText("discimage.path", sheet_ ? sheet_->Final() : data_->Final());
        e.SetText("disccopy.medium", source_.medium);
    }

private:
    static CopyEnd WriteSheet(const std::string& path, const std::string& sheet, const std::string& bin, std::string& why) {
        NewFile out(path);
        const std::string text = RenameFileLine(sheet, FileNamePart(bin));
        if (!out.IsOpen() || !out.Write(text.data(), text.size())) {
            out.Discard();
            why = "The image cannot be written: cannot write " + path;
            return CopyEnd::Failed;
        }
        return CopyEnd::Done;
    }

    Source source_;
    std::optional<PartFile> data_, sheet_;
};

}  // namespace

std::unique_ptr<DiscImageJob> PlanDiscCopy(SimEngine& e, const std::string& target, const std::uint8_t* r) {
    namespace D = L::disccopy;
    const std::int32_t index = e.DeviceOf(L::GetPtr(r, D::SourceDevice));
    if (index < 0) {
        e.CheckFailed("VexoBurn", "the source device of the disc copy is not one this engine opened");
        return RefusedImage("The source drive of the disc copy is not open");
    }
    const DriveBehaviour& b = e.Config().behaviour[static_cast<std::size_t>(index)];
    if (b.medium.empty()) return RefusedImage("There is no medium in the source drive");
    if (SyntheticSectors(b.medium))
        return RefusedImage("The medium in the source drive is synthetic; this engine copies ISO and BIN/CUE images only");
    DiscCopyJob::Source source;
    source.medium = e.ConfiguredPath(b.medium);
    source.cue = EndsWithNoCase(source.medium, ".cue");
    source.readMs = b.operationMs;
    source.onTheFly = L::Get32(r, D::OnTheFly) != 0;
    if (const char* image = static_cast<const char*>(L::GetPtr(r, D::ImagePath))) source.imagePath.assign(image, strnlen(image, 4096));
    source.deleteImage = L::Get32(r, D::DeleteImage) != 0;
    return std::make_unique<DiscCopyJob>(std::move(source), target);
}

}  // namespace vexosim
