// Files-first images: files placed as they arrive, the folders and the
// descriptors written after the last file; read back with the library.
#include "Error.h"
#include "FilesFirst.h"
#include "Layout.h"
#include "Reader.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace iso9660;

namespace {

std::string Bytes(std::size_t n, int seed)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 7 + seed * 13 + i / 1000) & 0xFF);
    return s;
}

std::span<const std::uint8_t> Span(const std::string& s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string Contents(SectorSource& src, const Node& file)
{
    std::string out;
    ReadContents(src, {}, file, [&](std::span<const std::uint8_t> b) { out.append(reinterpret_cast<const char*>(b.data()), b.size()); });
    return out;
}

std::string TempImage(const char* name)
{
    char* dir = std::getenv("TEMP");
    return std::string(dir ? dir : ".") + "/" + name;
}

WriterOptions Options()
{
    WriterOptions o;
    o.volumeName = "Files First";
    o.volumeTime = 1700000000;
    return o;
}

} // namespace

TEST(Iso9660FilesFirst, FilesKeepTheSectorsTheyWereGivenAndTheFoldersFollowThem)
{
    const std::string path = TempImage("files-first.iso");
    const std::string a = Bytes(5000, 1), b = Bytes(2048 * 2, 2), c = Bytes(1, 3);
    Node root = Node::Directory("");
    std::uint32_t atA = 0, atB = 0, atC = 0, atEmpty = 0, total = 0;
    {
        FilesFirstImage image(path, Options());
        EXPECT_EQ(image.NextSector(), layout::kFilesFirstSector);
        atA = image.BeginFile();
        EXPECT_THROW(image.BeginFile(), Error);  // one file at a time
        image.Append(Span(a.substr(0, 100)));
        image.Append(Span(a.substr(100, 3000)));
        image.Append(Span(a.substr(3100)));
        EXPECT_EQ(image.EndFile(), 5000u);
        atB = image.BeginFile();
        image.Append(Span(b));
        image.EndFile();
        atEmpty = image.BeginFile();
        image.EndFile();
        atC = image.BeginFile();
        image.Append(Span(c));
        image.EndFile();
        EXPECT_EQ(atA, 19u);
        EXPECT_EQ(atB, atA + 3);
        EXPECT_EQ(atEmpty, atB + 2);
        EXPECT_EQ(atC, atEmpty);  // an empty file takes no sector

        Node sub = Node::Directory("deep folder", 1700000000);
        Node fb = Node::File("b.bin", b.size(), 1700000000, {});
        fb.extent = atB;
        sub.children.push_back(std::move(fb));
        Node fa = Node::File("a file with a long name.txt", a.size(), 1700000000, {});
        fa.extent = atA;
        Node fc = Node::File("c", 1, 1700000000, {});
        fc.extent = atC;
        Node fe = Node::File("empty", 0, 1700000000, {});
        fe.extent = atEmpty;
        root.children = {std::move(fc), std::move(sub), std::move(fa), std::move(fe)};
        total = image.Finish(root);
    }
    FileSectorSource src(path);
    EXPECT_EQ(src.SectorCount(), total);
    Volume v = Read(src);
    EXPECT_EQ(v.sectors, total);
    EXPECT_EQ(v.jolietName, "Files First");
    ASSERT_NE(v.root.Find("a file with a long name.txt"), nullptr);
    EXPECT_EQ(v.root.Find("a file with a long name.txt")->extent, atA);
    EXPECT_EQ(Contents(src, *v.root.Find("a file with a long name.txt")), a);
    const Node* fb = v.root.Find("deep folder") ? v.root.Find("deep folder")->Find("b.bin") : nullptr;
    ASSERT_NE(fb, nullptr);
    EXPECT_EQ(fb->extent, atB);
    EXPECT_EQ(Contents(src, *fb), b);
    EXPECT_EQ(Contents(src, *v.root.Find("c")), c);
    EXPECT_EQ(v.root.Find("empty")->size, 0u);
    std::remove(path.c_str());
}

TEST(Iso9660FilesFirst, WholeFilesStreamFromTheirSourcesAndBadExtentsAreRefused)
{
    const std::string path = TempImage("files-first-2.iso");
    const std::string bytes = Bytes(200000, 4);
    Node root = Node::Directory("");
    root.children.push_back(Node::File("produced.bin", bytes.size(), 0, Source::FromProducer(
        [&](std::uint64_t offset, std::span<std::uint8_t> out) {
            std::size_t n = std::min<std::size_t>(out.size(), bytes.size() - offset);
            std::memcpy(out.data(), bytes.data() + offset, n);
            return n;
        })));
    {
        FilesFirstImage image(path, Options());
        image.AddFile(root.children[0], "/produced.bin");
        EXPECT_EQ(root.children[0].extent, 19u);
        EXPECT_EQ(image.NextSector(), 19u + (200000 + 2047) / 2048);
        // An extent outside the file area cannot be placed.
        Node bad = root;
        bad.children[0].extent = 5;
        EXPECT_THROW(image.Finish(bad), Error);
        image.Finish(root);
    }
    FileSectorSource src(path);
    Volume v = Read(src);
    EXPECT_EQ(Contents(src, *v.root.Find("produced.bin")), bytes);
    // A producer that stops early fails the file.
    Node shortRoot = Node::Directory("");
    shortRoot.children.push_back(Node::File("short", 10000, 0, Source::FromProducer(
        [](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t { return offset < 4096 ? std::min<std::size_t>(out.size(), 4096 - offset) : 0; })));
    FilesFirstImage again(path, Options());
    try {
        again.AddFile(shortRoot.children[0], "/short");
        FAIL() << "a short producer was taken";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::SourceFailed);
        EXPECT_NE(std::string(e.what()).find("/short"), std::string::npos);
    }
}
