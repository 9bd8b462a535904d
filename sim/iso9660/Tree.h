// The tree an image is made of, and the one the reader gives back: folders
// and files with their names (UTF-8), sizes, modification times and, for
// the writer, where each file's bytes come from.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace iso9660 {

// Produces a file's bytes on demand: fills `out` with the bytes starting at
// `offset` and returns how many it wrote (at most out.size()). The writer
// asks for consecutive pieces from offset 0 up to the file's size; a return
// of 0 before the end is a failed source. May throw.
using Producer = std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> out)>;

// Where a file's bytes come from: a path on the host (UTF-8) read piece by
// piece while the image is written, or a producer. Neither is read before
// the writer reaches the file.
struct Source {
    std::string path;
    Producer produce;

    static Source FromPath(std::string p) { return Source{std::move(p), {}}; }
    static Source FromProducer(Producer f) { return Source{{}, std::move(f)}; }
};

struct Node {
    std::string name;            // UTF-8, as the user sees it; empty for the root
    bool directory = false;
    std::uint64_t size = 0;      // files: bytes
    std::int64_t mtime = 0;      // seconds since 1970-01-01 00:00 UTC
    Source source;               // files, for the writer
    std::vector<Node> children;  // directories

    // Filled by the reader: the first sector of the file's bytes, counted
    // from the start of the volume.
    std::uint32_t extent = 0;

    static Node File(std::string name, std::uint64_t size, std::int64_t mtime, Source source)
    {
        Node n;
        n.name = std::move(name);
        n.size = size;
        n.mtime = mtime;
        n.source = std::move(source);
        return n;
    }
    static Node Directory(std::string name, std::int64_t mtime = 0, std::vector<Node> children = {})
    {
        Node n;
        n.name = std::move(name);
        n.directory = true;
        n.mtime = mtime;
        n.children = std::move(children);
        return n;
    }
    // The child with this name, or null.
    const Node* Find(std::string_view childName) const
    {
        for (const Node& c : children)
            if (c.name == childName)
                return &c;
        return nullptr;
    }
};

} // namespace iso9660
