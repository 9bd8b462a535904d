// Video CDs (compilation type 1) as ISO 9660 images at the device's
// recorder target (".iso" appended unless the name has it):
//
//   VCD/INFO.VCD, VCD/ENTRIES.VCD, MPEGAV/AVSEQnn.DAT    (Video CD 2.0)
//   SVCD/INFO.SVD, SVCD/ENTRIES.SVD, MPEG2/AVSEQnn.MPG   (super video CD flag)
//   SEGMENT/ITEMnnnn.MPG                                  (still pictures)
//
// MPEG items are copied as they are into the stream folder in record
// order, JPEG items into the segment folder as stills; the record's data
// track's tree lies beside them in the root. The information file carries
// the video standard (the record's resolution: PAL 0, NTSC 1) and the
// entries file each sequence's start. A real Video CD keeps its sequences
// in Mode 2 tracks of their own; here they are files of the one ISO 9660
// track, and the addresses in INFO/ENTRIES are their extents in the image.
// Items not encoded, items whose file cannot be read, and names clashing
// with the data track's refuse the burn with an error line.

#include "DiscImages.h"

#include "DataImage.h"
#include "EngineLayout.h"
#include "Layout.h"
#include "VideoCdFiles.h"
#include "Writer.h"

#include <windows.h>

#include <cstring>
#include <memory>

namespace vexosim {
namespace {

namespace L = vexosim::layout;

struct VideoItem {
    std::uint32_t type = 0;  // 0 MPEG, 1 JPEG, 2 not encoded
    std::string file;        // ANSI
};

std::optional<std::uint64_t> FileSize(const std::string& ansiPath) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (ansiPath.empty() || !GetFileAttributesExA(ansiPath.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A fixed block of bytes as a file of the image, filled in once the image's
// plan has placed every file.
iso9660::Node BufferFile(const std::string& name, std::shared_ptr<std::vector<std::uint8_t>> bytes) {
    const std::uint64_t size = bytes->size();
    return iso9660::Node::File(name, size, 0,
                               iso9660::Source::FromProducer([bytes](std::uint64_t offset, std::span<std::uint8_t> out) {
                                   if (offset >= bytes->size()) return std::size_t(0);
                                   const std::size_t n = std::min<std::size_t>(out.size(), bytes->size() - offset);
                                   std::memcpy(out.data(), bytes->data() + offset, n);
                                   return n;
                               }));
}

class VideoCdJob : public DiscImageJob {
public:
    VideoCdJob(std::string target, bool super, std::int32_t resolution, std::vector<VideoItem> items,
               std::shared_ptr<DataTree> data)
        : part_(std::move(target)), super_(super), resolution_(resolution), items_(std::move(items)),
          data_(std::move(data)) {}

    ImageOutcome Record(const ImageProgress& progress) override {
        std::string why;
        if (!Build(why)) return {kImageFailed, why};
        if (progress && !progress(10)) return {kImageAborted, {}};
        try {
            sectors_ = iso9660::WriteFile(root_, options_, Utf8FromAnsi(part_.Part()));
        } catch (const std::exception& x) {
            return {kImageFailed, "The video CD image \"" + part_.Final() + "\" cannot be written: " + x.what()};
        }
        if (progress && !progress(100)) return {kImageAborted, {}};
        return {};
    }

    ImageOutcome Commit() override {
        std::string why;
        if (!part_.Commit(why)) return {kImageFailed, "The video CD image cannot be put in place: " + why};
        return {};
    }

    void Report(SimEngine& e) override {
        e.Count("discimage.written");
        e.SetText("discimage.kind", super_ ? "svcd" : "videocd");
        e.SetText("discimage.path", part_.Final());
        e.SetCounter("discimage.sectors", sectors_);
    }

private:
    bool Build(std::string& why) {
        if (resolution_ != 0 && resolution_ != 1) {
            why = Format("The video resolution %d is neither PAL (0) nor NTSC (1)", resolution_);
            return false;
        }
        if (items_.empty()) {
            why = "The video CD holds no items";
            return false;
        }
        const VideoCdNames names = VideoCdNamesOf(super_);
        iso9660::Node streams = iso9660::Node::Directory(names.streams);
        iso9660::Node segments = iso9660::Node::Directory(kSegmentFolder);
        for (std::size_t i = 0; i < items_.size(); ++i) {
            const VideoItem& item = items_[i];
            if (item.type == 2) {
                why = Format("Video item %zu (\"%s\") is not encoded: this engine writes MPEG streams and JPEG stills as "
                             "they are and encodes nothing", i + 1, item.file.c_str());
                return false;
            }
            if (item.type > 2) {
                why = Format("Video item %zu (\"%s\") has the type %u", i + 1, item.file.c_str(), item.type);
                return false;
            }
            const auto size = FileSize(item.file);
            if (!size) {
                why = Format("The file \"%s\" of video item %zu cannot be read", item.file.c_str(), i + 1);
                return false;
            }
            auto source = iso9660::Source::FromPath(Utf8FromAnsi(item.file));
            if (item.type == 0) {
                if (streams.children.size() == kMaxSequences) {
                    why = Format("Video item %zu: a video CD holds at most %zu MPEG sequences", i + 1, kMaxSequences);
                    return false;
                }
                streams.children.push_back(
                    iso9660::Node::File(SequenceFileName(super_, streams.children.size() + 1), *size, 0, source));
            } else {
                segments.children.push_back(
                    iso9660::Node::File(SegmentFileName(segments.children.size() + 1), *size, 0, source));
            }
        }
        auto info = std::make_shared<std::vector<std::uint8_t>>(kVideoCdFileBytes);
        auto entries = std::make_shared<std::vector<std::uint8_t>>(kVideoCdFileBytes);
        root_ = data_ ? std::move(data_->root) : iso9660::Node::Directory("");
        options_ = data_ ? data_->options : iso9660::WriterOptions{};
        if (!data_) {
            options_.joliet = false;
            options_.rockRidge = false;
            options_.level = iso9660::NameLevel::Level2;
        }
        if (options_.volumeName.empty()) options_.volumeName = super_ ? "SUPERVCD" : "VIDEOCD";
        iso9660::Node folder = iso9660::Node::Directory(names.folder);
        folder.children.push_back(BufferFile(names.info, info));
        folder.children.push_back(BufferFile(names.entries, entries));
        std::vector<iso9660::Node> own;
        own.push_back(std::move(folder));
        own.push_back(std::move(streams));
        if (!segments.children.empty()) own.push_back(std::move(segments));
        for (iso9660::Node& n : own) {
            for (const iso9660::Node& c : root_.children) {
                if (_stricmp(c.name.c_str(), n.name.c_str()) == 0) {
                    why = "The data track's \"" + c.name + "\" has the name of the video CD's folder " + n.name;
                    return false;
                }
            }
            root_.children.push_back(std::move(n));
        }
        // Where the plan puts the sequences and stills gives INFO and ENTRIES their addresses.
        VideoCdLayout layout;
        layout.super = super_;
        layout.ntsc = resolution_ == 1;
        layout.album = options_.volumeName.substr(0, 16);
        try {
            const iso9660::layout::Plan plan = iso9660::layout::MakePlan(root_, options_);
            const iso9660::Node* placedStreams = root_.Find(names.streams);
            const iso9660::Node* placedSegments = root_.Find(kSegmentFolder);
            auto extentOf = [&](const iso9660::Node* node) -> std::uint32_t {
                for (const auto& f : plan.files)
                    if (f->node == node) return f->lba;
                return 0;
            };
            for (const iso9660::Node& s : placedStreams->children) layout.sequenceStarts.push_back(extentOf(&s));
            if (placedSegments && !placedSegments->children.empty()) {
                layout.segmentCount = static_cast<std::uint32_t>(placedSegments->children.size());
                layout.firstSegment = extentOf(&placedSegments->children.front());
            }
        } catch (const std::exception& x) {
            why = std::string("The video CD cannot be written as ISO 9660: ") + x.what();
            return false;
        }
        *info = VideoCdInfoFile(layout);
        *entries = VideoCdEntriesFile(layout);
        return true;
    }

    PartFile part_;
    bool super_;
    std::int32_t resolution_;
    std::vector<VideoItem> items_;
    std::shared_ptr<DataTree> data_;
    iso9660::Node root_;
    iso9660::WriterOptions options_;
    std::int64_t sectors_ = 0;
};

}  // namespace

std::unique_ptr<DiscImageJob> PlanVideoCd(SimEngine& e, const std::string& target, const std::uint8_t* r) {
    namespace V = L::video;
    namespace I = L::videoitem;
    const std::uint32_t n = L::Get32(r, V::ItemCount);
    std::vector<VideoItem> items;
    for (std::uint32_t i = 0; i < n && i < V::MaxItems; ++i) {
        const std::uint8_t* t = r + V::Items + i * I::Size;
        VideoItem item;
        item.type = L::Get32(t, I::Type);
        if (t[I::Name]) {
            item.file.assign(reinterpret_cast<const char*>(t + I::Name), strnlen(reinterpret_cast<const char*>(t + I::Name), 252));
        } else if (const char* name = static_cast<const char*>(L::GetPtr(t, I::LongName))) {
            item.file.assign(name, strnlen(name, 32768));
        }
        items.push_back(std::move(item));
    }
    std::shared_ptr<DataTree> data;
    if (void* track = L::GetPtr(r, V::DataTrack)) {
        const IsoTrackContent* content = IsoTrackOf(e, track);
        if (!content) return RefusedImage("The data track was not made by this engine");
        data = std::make_shared<DataTree>();
        std::string why;
        if (!BuildDataTree(e, *content, *data, why)) return RefusedImage(why);
    }
    std::string path = target;
    if (path.size() < 4 || _stricmp(path.c_str() + path.size() - 4, ".iso") != 0) path += ".iso";
    return std::make_unique<VideoCdJob>(path, L::Get32(r, V::SuperVideoCd) != 0,
                                        static_cast<std::int32_t>(L::Get32(r, V::Resolution)), std::move(items),
                                        std::move(data));
}

}  // namespace vexosim
