#include "Writer.h"
#include "Error.h"
#include "File.h"
#include "Layout.h"
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace iso9660 {

std::uint32_t ImageSectors(const Node& root, const WriterOptions& options)
{
    return layout::MakePlan(root, options).totalSectors;
}

namespace {

void Emit(const SectorSink& sink, std::span<const std::uint8_t> bytes)
{
    try {
        sink(bytes);
    } catch (const std::exception& e) {
        throw Error(ErrorCode::SinkFailed, std::string("the image's sink failed: ") + e.what());
    } catch (...) {
        throw Error(ErrorCode::SinkFailed, "the image's sink failed");
    }
}

} // namespace

void StreamFileBytes(const Node& node, const std::string& path, const SectorSink& sink, std::vector<std::uint8_t>& buffer)
{
    const std::uint64_t size = node.size;
    auto fail = [&](const std::string& why) {
        return Error(ErrorCode::SourceFailed, "the file '" + path + "': " + why);
    };
    std::unique_ptr<File> file;
    if (!node.source.path.empty()) {
        try {
            file = std::make_unique<File>(node.source.path, File::Mode::Read);
            std::uint64_t actual = file->Size();
            if (actual != size)
                throw fail("'" + node.source.path + "' has " + std::to_string(actual) + " bytes, " +
                           std::to_string(size) + " were announced");
        } catch (const Error& e) {
            if (e.code() == ErrorCode::SourceFailed)
                throw;
            throw fail(e.what());
        }
    } else if (!node.source.produce && size > 0) {
        throw fail("it has neither a path nor a producer");
    }

    std::uint64_t offset = 0;
    std::size_t filled = 0;
    while (offset < size) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size() - filled, size - offset));
        std::size_t got = 0;
        if (file) {
            try {
                got = file->Read(buffer.data() + filled, want);
            } catch (const Error& e) {
                throw fail(e.what());
            }
            if (got == 0)
                throw fail("'" + node.source.path + "' ended after " + std::to_string(offset) + " bytes");
        } else {
            try {
                got = node.source.produce(offset, std::span<std::uint8_t>(buffer.data() + filled, want));
            } catch (const std::exception& e) {
                throw fail(std::string("its producer failed: ") + e.what());
            } catch (...) {
                throw fail("its producer failed");
            }
            if (got == 0 || got > want)
                throw fail("its producer gave " + std::to_string(got) + " bytes at offset " + std::to_string(offset) +
                           " where up to " + std::to_string(want) + " were asked for");
        }
        filled += got;
        offset += got;
        if (filled == buffer.size() || offset == size) {
            std::size_t whole = (filled + kSectorBytes - 1) / kSectorBytes * kSectorBytes;
            std::memset(buffer.data() + filled, 0, whole - filled);
            Emit(sink, std::span<const std::uint8_t>(buffer.data(), whole));
            filled = 0;
        }
    }
    if (file) {
        std::uint8_t extra;
        if (file->Read(&extra, 1) != 0)
            throw fail("'" + node.source.path + "' grew while it was written");
    }
}

namespace {
std::uint32_t WritePlan(const layout::Plan& plan, const SectorSink& sink)
{
    {
        std::vector<std::uint8_t> metadata = layout::Metadata(plan);
        Emit(sink, metadata);
    }
    std::vector<std::uint8_t> buffer(kPieceBytes);
    for (const auto& f : plan.files)
        if (f->sectors)
            StreamFileBytes(*f->node, f->path, sink, buffer);
    return plan.totalSectors;
}
} // namespace

std::uint32_t Write(const Node& root, const WriterOptions& options, const SectorSink& sink)
{
    return WritePlan(layout::MakePlan(root, options), sink);
}

std::uint32_t WriteFile(const Node& root, const WriterOptions& options, const std::string& path)
{
    const layout::Plan plan = layout::MakePlan(root, options); // refusals before the file exists
    File out(path, File::Mode::Write);
    return WritePlan(plan, [&](std::span<const std::uint8_t> bytes) { out.Write(bytes.data(), bytes.size()); });
}

} // namespace iso9660
