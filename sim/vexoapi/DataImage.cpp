// Data discs as ISO 9660 images (see DataImage.h), and the export
// VexoEstimateTrackSize:
//
//   int VexoEstimateTrackSize(void* isoTrack, int flags, const void* options)
//       the size in 2048-byte blocks of the image a burn of the track would
//       write, computed from the same plan the writer follows (so always
//       exact; flag 4 asks for exactly that). Flags 1 and 2 alone split it:
//       1 the file system's share (the image without the files' sectors),
//       2 the files' sectors only; both or neither give the whole image.
//       -1 for a null track, a block that is not an ISO track of this
//       engine, estimate options whose size field is wrong, a tree that
//       cannot be written (an error line says why) and images of 2^31
//       blocks or more.
//
// What a burn writes (WriteDataImage, called by VexoBurn at the end of a
// burn that was not aborted and whose [Burn] Result= is 0): the image of
// the data track of a compilation of type 0 without audio tracks, at the
// device's recorder target (DataImageTarget). The image's tree is the root
// chain and then the wrapper root's chain, side by side in the one image
// root (a name met in both is a duplicate and refuses the tree; a wrapper
// whose first item is already in the root's tree, as when the wrapper is
// the root itself, adds nothing). Names
// and source paths are the items' ANSI texts, inline or behind their long
// pointers; a directory is an item with the is-directory field set; entry
// times are local times (struct tm) and land in the image as UTC. The
// volume name and the eight texts go into the descriptors; burn option 1
// adds Joliet names, 4 Rock Ridge; 16 (UDF) and 32 (HFS) are refused, as
// is an item without a readable source file. A refused burn or one whose
// writing fails answers 3 with an error line and leaves no file: the image
// is written as "<target>.part" and renamed over the target when whole.
// Counters "dataimage.written", "dataimage.refused", "dataimage.sectors";
// texts "dataimage.path", "dataimage.error".

#include "DataImage.h"

#include "FsImage.h"

#include "EngineLayout.h"
#include "EngineRecords.h"
#include "Error.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <set>

using namespace vexosim;
namespace L = vexosim::layout;
namespace I = vexosim::layout::isoitem;

namespace {

constexpr std::size_t MaxTextRead = 4096;

std::wstring Wide(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), w.data(), n);
    return w;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), s.data(), n, nullptr, nullptr);
    return s;
}

bool IsItem(SimEngine& e, const void* p) {
    const std::string* kind = e.Memory().KindOf(p);
    return kind && *kind == "isoitem";
}

// An item's text: inline when its first byte is set, else behind the long pointer.
std::string ItemText(const std::uint8_t* b, std::size_t inlineOffset, std::size_t chars, std::size_t longOffset) {
    const char* inlineText = reinterpret_cast<const char*>(b + inlineOffset);
    if (inlineText[0] != 0) return std::string(inlineText, strnlen(inlineText, chars));
    const char* longText = static_cast<const char*>(L::GetPtr(b, longOffset));
    return longText ? std::string(longText, strnlen(longText, MaxTextRead)) : std::string();
}

// The entry time, a local time, in seconds since 1970 UTC; 0 when it is no date.
std::int64_t EntryTimeOf(const std::uint8_t* b) {
    std::tm t{};
    int* fields[] = {&t.tm_sec, &t.tm_min, &t.tm_hour, &t.tm_mday, &t.tm_mon, &t.tm_year};
    for (std::size_t i = 0; i < 6; ++i) *fields[i] = static_cast<std::int32_t>(L::Get32(b, I::EntryTime + 4 * i));
    t.tm_isdst = -1;
    const std::time_t v = std::mktime(&t);
    return v == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(v);
}

struct Walk {
    explicit Walk(SimEngine& engine) : e(engine) {}
    SimEngine& e;
    std::set<const void*> seen;
    std::uint64_t dataSectors = 0;
    std::string why;
};

bool AddChain(Walk& w, void* first, iso9660::Node& parent, int depth) {
    for (void* item = first; item; item = L::GetPtr(static_cast<std::uint8_t*>(item), I::Next)) {
        if (!IsItem(w.e, item)) {
            w.e.CheckFailed("VexoBurn", "an item of the data track was not made by VexoCreateIsoItemOfSize");
            w.why = "The data track holds an item this engine did not make";
            return false;
        }
        if (!w.seen.insert(item).second) {
            w.e.CheckFailed("VexoBurn", "the items of the data track link back into their own tree");
            w.why = "The items of the data track form a loop";
            return false;
        }
        const auto* b = static_cast<const std::uint8_t*>(item);
        const std::string ansiName = ItemText(b, I::Name, I::NameChars, I::LongName);
        const std::int64_t time = EntryTimeOf(b);
        void* child = L::GetPtr(b, I::FirstChild);
        if (L::Get32(b, I::IsDirectory) != 0) {
            if (depth >= kMaxItemDepth) {
                w.why = "The folders of the data track are nested deeper than " + std::to_string(kMaxItemDepth) + " levels";
                return false;
            }
            iso9660::Node folder = iso9660::Node::Directory(Utf8FromAnsi(ansiName), time);
            if (!AddChain(w, child, folder, depth + 1)) return false;
            parent.children.push_back(std::move(folder));
            continue;
        }
        if (child) {
            w.why = "The file \"" + ansiName + "\" of the data track has items below it";
            return false;
        }
        const std::string source = ItemText(b, I::SourcePath, I::SourcePathChars, I::LongSourcePath);
        std::uint64_t size = 0;
        if (source.empty()) {
            w.why = "The file \"" + ansiName + "\" of the data track has no source file";
            return false;
        }
        if (!SourceFileSize(source, size)) {
            w.why = "The source file \"" + source + "\" of \"" + ansiName + "\" cannot be read";
            return false;
        }
        w.dataSectors += (size + iso9660::kSectorBytes - 1) / iso9660::kSectorBytes;
        parent.children.push_back(
            iso9660::Node::File(Utf8FromAnsi(ansiName), size, time, iso9660::Source::FromPath(Utf8FromAnsi(source))));
    }
    return true;
}

bool EndsWithIso(const std::string& path) {
    return path.size() >= 4 && _stricmp(path.c_str() + path.size() - 4, ".iso") == 0;
}

}  // namespace

namespace vexosim {

bool SourceFileSize(const std::string& ansiPath, std::uint64_t& size) {
    const std::wstring path = Wide(ansiPath, CP_ACP);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

std::wstring WideFromAnsi(const std::string& ansi) { return Wide(ansi, CP_ACP); }

PartialImage::~PartialImage() {
    if (!path_.empty()) DeleteFileW(path_.c_str());
}

bool PartialImage::MoveTo(const std::wstring& target) {
    if (!MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return false;
    path_.clear();
    return true;
}

std::string RefusedFileSystems(std::uint32_t options) {
    if (!(options & (kBurnOptionUdf | kBurnOptionHfs))) return {};
    return std::string("The data track asks for ") +
           ((options & kBurnOptionUdf) && (options & kBurnOptionHfs) ? "UDF and HFS file systems"
            : (options & kBurnOptionUdf)                              ? "a UDF file system"
                                                                       : "an HFS file system") +
           "; this engine writes ISO 9660 with Joliet and Rock Ridge only";
}

std::string Utf8FromAnsi(const std::string& ansi) { return Narrow(Wide(ansi, CP_ACP), CP_UTF8); }
std::string AnsiFromUtf8(const std::string& utf8) { return Narrow(Wide(utf8, CP_UTF8), CP_ACP); }

bool BuildDataTree(SimEngine& e, const IsoTrackContent& track, DataTree& out, std::string& why) {
    const std::uint32_t options = track.burnOptions;
    why = RefusedFileSystems(options);
    if (!why.empty()) return false;
    out.root = iso9660::Node::Directory("");
    Walk w(e);
    // A wrapper that is the root itself, or a folder inside its tree, adds nothing.
    if (!AddChain(w, track.rootFirst, out.root, 1) ||
        (!w.seen.count(track.wrapperFirst) && !AddChain(w, track.wrapperFirst, out.root, 1))) {
        why = w.why;
        return false;
    }
    out.dataSectors = w.dataSectors;
    iso9660::WriterOptions& o = out.options;
    o.volumeName = Utf8FromAnsi(track.volumeName);
    std::string* texts[] = {&o.systemId,    &o.volumeSet,     &o.publisher,    &o.dataPreparer,
                            &o.application, &o.copyrightFile, &o.abstractFile, &o.bibliographicFile};
    for (std::size_t i = 0; i < 8; ++i) *texts[i] = Utf8FromAnsi(track.texts[i]);
    o.joliet = (options & kBurnOptionJoliet) != 0;
    o.rockRidge = (options & kBurnOptionRockRidge) != 0;
    o.level = iso9660::NameLevel::Level2;
    return true;
}

std::string DataImageTarget(SimEngine& e, std::int32_t device) {
    std::string path = e.RecorderTarget(device);
    if (!path.empty() && !EndsWithIso(path)) path += ".iso";
    return path;
}

std::int32_t WriteDataImage(SimEngine& e, void* device, std::int32_t type, const void* record) {
    if (type != 0 || !record) return 0;
    const auto* r = static_cast<const std::uint8_t*>(record);
    DataTree tree;
    std::string target, why;
    auto refuse = [&](const std::string& line) {
        auto lock = e.Lock();
        e.errors.push_back(line);
        e.SetText("dataimage.error", line);
        e.Count("dataimage.refused");
        e.Log("VexoBurn data image: " + line);
        return kDataBurnFailed;
    };
    {
        auto lock = e.Lock();
        const IsoTrackContent* track = IsoTrackOf(e, L::GetPtr(r, L::isoaudio::DataTrack));
        if (!track || L::Get32(r, L::isoaudio::TrackCount) != 0) return 0;
        const std::int32_t index = e.DeviceOf(device);
        if (index < 0) return 0;
        target = DataImageTarget(e, index);
        if (target.empty()) return 0;
        if (!BuildDataTree(e, *track, tree, why)) {
            lock.unlock();
            return refuse(why);
        }
    }
    // The plan first: a tree the writer refuses leaves no file at all.
    std::uint32_t sectors = 0;
    try {
        sectors = iso9660::ImageSectors(tree.root, tree.options);
    } catch (const std::exception& x) {
        return refuse(std::string("The data track cannot be written as ISO 9660: ") + x.what());
    }
    const std::wstring finalName = Wide(target, CP_ACP);
    PartialImage partial(finalName + L".part");
    try {
        iso9660::WriteFile(tree.root, tree.options, Utf8FromAnsi(target) + ".part");
    } catch (const std::exception& x) {
        return refuse("The image \"" + target + "\" cannot be written: " + x.what());
    }
    if (!partial.MoveTo(finalName)) return refuse("The image \"" + target + "\" cannot be put in place");
    auto lock = e.Lock();
    e.Count("dataimage.written");
    e.SetCounter("dataimage.sectors", sectors);
    e.SetText("dataimage.path", target);
    e.Log(Format("VexoBurn data image \"%s\": %u sectors", target.c_str(), sectors));
    return 0;
}

}  // namespace vexosim

extern "C" {

std::int32_t WINAPI VexoEstimateTrackSize(void* track, std::int32_t flags, const void* options) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t failed = -1;
        if (e.ScriptedFailure("VexoEstimateTrackSize", failed)) return failed;
        e.SetCounter("estimate.flags", flags);
        std::string wrong = CheckEstimateOptions(static_cast<const std::uint8_t*>(options));
        if (!wrong.empty()) {
            e.CheckFailed("VexoEstimateTrackSize", wrong);
            return std::int32_t(-1);
        }
        if (!track) {
            // A file-system container in the options stands for the track.
            const auto* o = static_cast<const std::uint8_t*>(options);
            const void* container = L::GetPtr(o, L::estimate::Container);
            return container ? EstimateContainer(e, container, L::Get32(o, L::estimate::BurnOptions), flags) : std::int32_t(-1);
        }
        const IsoTrackContent* content = IsoTrackOf(e, track);
        if (!content) {
            e.CheckFailed("VexoEstimateTrackSize", "the track was not made by VexoCreateIsoTrackEx");
            return std::int32_t(-1);
        }
        DataTree tree;
        std::string why;
        std::uint64_t total = 0;
        if (BuildDataTree(e, *content, tree, why)) {
            try {
                total = iso9660::ImageSectors(tree.root, tree.options);
            } catch (const std::exception& x) {
                why = std::string("The data track cannot be written as ISO 9660: ") + x.what();
            }
        }
        if (!why.empty()) {
            e.errors.push_back(why);
            e.SetText("dataimage.error", why);
            return std::int32_t(-1);
        }
        std::uint64_t blocks = total;
        if ((flags & 3) == 1) blocks = total - tree.dataSectors;
        if ((flags & 3) == 2) blocks = tree.dataSectors;
        if (blocks > static_cast<std::uint64_t>(INT32_MAX)) return std::int32_t(-1);
        e.SetCounter("estimate.blocks", static_cast<std::int64_t>(blocks));
        return static_cast<std::int32_t>(blocks);
    });
}

}  // extern "C"
