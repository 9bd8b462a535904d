#include "FilesFirst.h"
#include "Error.h"
#include "Layout.h"
#include <algorithm>

namespace iso9660 {

namespace {
constexpr std::uint64_t kMaxFileBytes = 0xFFFFFFFFull;
constexpr std::uint64_t kMaxSectors = 0xFFFFFFFFull;
} // namespace

FilesFirstImage::FilesFirstImage(const std::string& path, WriterOptions options)
    : out_(path, File::Mode::Write), options_(std::move(options)), next_(layout::kFilesFirstSector)
{
    out_.Seek(std::uint64_t(next_) * kSectorBytes);
}

std::uint32_t FilesFirstImage::BeginFile()
{
    if (open_ || finished_)
        throw Error(ErrorCode::BadArgument, open_ ? "a file is open already" : "the image is finished");
    open_ = true;
    fileBytes_ = 0;
    partial_.clear();
    return next_;
}

void FilesFirstImage::Append(std::span<const std::uint8_t> bytes)
{
    if (!open_)
        throw Error(ErrorCode::BadArgument, "no file is open");
    if (fileBytes_ + bytes.size() > kMaxFileBytes)
        throw Error(ErrorCode::TooLarge, "a file would reach 4 GiB; files of 4 GiB or more are not written");
    if (next_ + (fileBytes_ + bytes.size() + kSectorBytes - 1) / kSectorBytes > kMaxSectors)
        throw Error(ErrorCode::TooLarge, "the image would have 2^32 sectors or more");
    fileBytes_ += bytes.size();
    // Whole sectors go out as they come; a short tail waits for more.
    while (!bytes.empty()) {
        if (partial_.empty() && bytes.size() >= kSectorBytes) {
            const std::size_t whole = bytes.size() / kSectorBytes * kSectorBytes;
            out_.Write(bytes.data(), whole);
            bytes = bytes.subspan(whole);
            continue;
        }
        const std::size_t take = std::min<std::size_t>(kSectorBytes - partial_.size(), bytes.size());
        partial_.insert(partial_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        if (partial_.size() == kSectorBytes) {
            out_.Write(partial_.data(), partial_.size());
            partial_.clear();
        }
    }
}

std::uint64_t FilesFirstImage::EndFile()
{
    if (!open_)
        throw Error(ErrorCode::BadArgument, "no file is open");
    if (!partial_.empty()) {
        partial_.resize(kSectorBytes, 0);
        out_.Write(partial_.data(), partial_.size());
        partial_.clear();
    }
    open_ = false;
    next_ += static_cast<std::uint32_t>((fileBytes_ + kSectorBytes - 1) / kSectorBytes);
    return fileBytes_;
}

void FilesFirstImage::AddFile(Node& file, const std::string& path)
{
    if (file.size > kMaxFileBytes)
        throw Error(ErrorCode::TooLarge, "the file '" + path + "' has " + std::to_string(file.size) +
                                             " bytes; files of 4 GiB or more are not written");
    const std::uint64_t sectors = (file.size + kSectorBytes - 1) / kSectorBytes;
    if (next_ + sectors > kMaxSectors)
        throw Error(ErrorCode::TooLarge, "the image would have 2^32 sectors or more");
    file.extent = BeginFile();
    std::vector<std::uint8_t> buffer(kPieceBytes);
    try {
        StreamFileBytes(file, path, [&](std::span<const std::uint8_t> s) { out_.Write(s.data(), s.size()); }, buffer);
    } catch (...) {
        open_ = false;  // the image is spoilt; the caller drops it
        throw;
    }
    open_ = false;
    next_ += static_cast<std::uint32_t>(sectors);
}

std::uint32_t FilesFirstImage::Finish(const Node& root)
{
    if (open_ || finished_)
        throw Error(ErrorCode::BadArgument, open_ ? "a file is still open" : "the image is finished");
    const layout::Plan plan = layout::MakeFilesFirstPlan(root, options_, next_);
    std::vector<std::uint8_t> head(std::size_t(layout::kFilesFirstSector) * kSectorBytes, 0);
    layout::PutMetadata(plan, 0, head);
    std::vector<std::uint8_t> tail(std::size_t(plan.totalSectors - plan.tailStart) * kSectorBytes, 0);
    layout::PutMetadata(plan, plan.tailStart, tail);
    out_.Seek(std::uint64_t(plan.tailStart) * kSectorBytes);
    out_.Write(tail.data(), tail.size());
    out_.Seek(0);
    out_.Write(head.data(), head.size());
    finished_ = true;
    return plan.totalSectors;
}

} // namespace iso9660
