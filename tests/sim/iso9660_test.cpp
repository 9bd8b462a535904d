// The ISO 9660 library: names on disc, the images the writer makes (fields,
// sizes, refusals, streaming), round trips through the reader, and the
// reader's answers to damaged images.
#include "Encoding.h"
#include "Error.h"
#include "Names.h"
#include "Reader.h"
#include "Writer.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace iso9660;

namespace {

using Image = std::vector<std::uint8_t>;

Image WriteToMemory(const Node& root, const WriterOptions& o)
{
    Image image;
    Write(root, o, [&](std::span<const std::uint8_t> s) { image.insert(image.end(), s.begin(), s.end()); });
    return image;
}

// A file whose bytes depend on a seed and the offset.
Producer Bytes(std::uint32_t seed)
{
    return [seed](std::uint64_t offset, std::span<std::uint8_t> out) {
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<std::uint8_t>(((offset + i) * 2654435761u + seed) >> 11);
        return out.size();
    };
}

Node Produced(const std::string& name, std::uint64_t size, std::int64_t mtime, std::uint32_t seed = 1)
{
    return Node::File(name, size, mtime, Source::FromProducer(Bytes(seed)));
}

std::string Text(const Image& image, std::size_t at, std::size_t n) { return std::string(image.begin() + at, image.begin() + at + n); }

WriterOptions Options(bool joliet = true, bool rockRidge = true)
{
    WriterOptions o;
    o.volumeName = "Backup 2024";
    o.publisher = "Quarn Publishing";
    o.joliet = joliet;
    o.rockRidge = rockRidge;
    o.volumeTime = 1700000000;
    return o;
}

// Nested folders, long and non-ASCII names, an empty folder, an empty file
// and a few megabytes from a producer.
Node SampleTree()
{
    Node root = Node::Directory("", 1600000000);
    root.children.push_back(Produced("README.TXT", 100, 1600000100, 2));
    root.children.push_back(Produced("Café Übersicht.txt", 3000, 1600000200, 3));
    root.children.push_back(Produced("zero.bin", 0, 1600000300));
    root.children.push_back(Produced(std::string(70, 'L') + " one.txt", 10, 1600000400, 4));
    root.children.push_back(Produced(std::string(70, 'L') + " two.txt", 11, 1600000500, 5));
    root.children.push_back(Produced(std::string(250, 'n') + ".txt", 12, 1600000550, 6));
    Node docs = Node::Directory("Документы", 1600000600);
    docs.children.push_back(Produced("Отчёт за год.txt", 5000, 1600000700, 7));
    docs.children.push_back(Node::Directory("empty folder", 1600000800));
    Node inner = Node::Directory("inner", 1600000900);
    inner.children.push_back(Produced("big.bin", 3 * 1024 * 1024 + 77, 1600001000, 8));
    docs.children.push_back(std::move(inner));
    root.children.push_back(std::move(docs));
    return root;
}

std::vector<std::uint8_t> Contents(SectorSource& s, const ReadOptions& o, const Node& file)
{
    std::vector<std::uint8_t> out;
    ReadContents(s, o, file, [&](std::span<const std::uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); });
    return out;
}

std::vector<std::uint8_t> Expected(const Node& file)
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(file.size));
    if (!out.empty())
        file.source.produce(0, out);
    return out;
}

// Every written node is found under the same name with the same size, time
// and bytes; nothing else is there.
void ExpectSameTree(SectorSource& s, const ReadOptions& o, const Node& written, const Node& read, const std::string& path)
{
    ASSERT_EQ(read.children.size(), written.children.size()) << path;
    for (const Node& w : written.children) {
        const Node* r = read.Find(w.name);
        ASSERT_NE(r, nullptr) << path << "/" << w.name;
        EXPECT_EQ(r->directory, w.directory) << w.name;
        EXPECT_EQ(r->mtime, w.mtime) << w.name;
        if (w.directory) {
            ExpectSameTree(s, o, w, *r, path + "/" + w.name);
        } else {
            EXPECT_EQ(r->size, w.size) << w.name;
            EXPECT_TRUE(Contents(s, o, *r) == Expected(w)) << w.name;
        }
    }
}

template <typename F>
void ExpectError(ErrorCode code, const std::string& part, F f)
{
    try {
        f();
        ADD_FAILURE() << "no error; expected one mentioning '" << part << "'";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), code) << e.what();
        EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
}

std::vector<names::Child> Files(std::initializer_list<const char*> list)
{
    std::vector<names::Child> out;
    for (const char* n : list)
        out.push_back({n, false});
    return out;
}

} // namespace

// --- names ---------------------------------------------------------------

TEST(Iso9660Names, LevelOneMakesUniqueEightThreeNames)
{
    auto ids = names::IsoIdentifiers(
        {{"readme.txt", false}, {"Long file name.text", false}, {"Long file nameX.text", false}, {"noext", false},
         {"My Documents", true}, {".hidden", false}},
        NameLevel::Level1);
    EXPECT_EQ(ids, (std::vector<std::string>{"README.TXT;1", "LONG_FIL.TEX;1", "LONG_FI1.TEX;1", "NOEXT.;1",
                                             "MY_DOCUM", "_HIDDEN.;1"}));
}

TEST(Iso9660Names, LevelTwoKeepsThirtyCharactersAndExactNamesWin)
{
    auto ids = names::IsoIdentifiers(Files({"report-1.txt", "REPORT_1.TXT",
                                            "a_very_long_name_with_many_characters_in_it.data"}),
                                     NameLevel::Level2);
    EXPECT_EQ(ids[1], "REPORT_1.TXT;1"); // already an ISO name: kept
    EXPECT_EQ(ids[0], "REPORT_11.TXT;1");
    EXPECT_EQ(ids[2], "A_VERY_LONG_NAME_WITH_MANY.DATA;1");
    EXPECT_LE(ids[2].size(), 31u + 2u); // name, dot and extension, then ";1"
    // A folder and a file without extension would read back alike.
    auto mixed = names::IsoIdentifiers({{"abc", true}, {"abc", false}}, NameLevel::Level2);
    EXPECT_EQ(mixed[0], "ABC");
    EXPECT_EQ(mixed[1], "ABC1.;1");
}

TEST(Iso9660Names, JolietCutsAtSixtyFourKeepingTheExtensionAndNumbersCollisions)
{
    std::string a = std::string(70, 'a') + ".txt";
    std::string b = std::string(70, 'a') + "b.txt";
    auto j = names::JolietNames(Files({a.c_str(), b.c_str(), "what? *now*.txt", "emoji \xF0\x9F\x98\x80.txt", "Café"}));
    EXPECT_EQ(j[0], std::u32string(60, U'a') + U".txt");
    EXPECT_EQ(j[1], std::u32string(58, U'a') + U"~1.txt");
    EXPECT_EQ(j[2], U"what_ _now_.txt");
    EXPECT_EQ(j[3], U"emoji _.txt");
    EXPECT_EQ(j[4], U"Café");
    for (const auto& n : j)
        EXPECT_LE(n.size(), names::kJolietMaxChars);
}

TEST(Iso9660Names, NamesThatCannotStandOnDiscAreRefused)
{
    for (std::string bad : {std::string(), std::string("."), std::string(".."), std::string("a/b"), std::string("a\\b"),
                            std::string("a\0b", 3), std::string("bad \xC3"), std::string("\xC0\xAF"), std::string(256, 'x')})
        ExpectError(ErrorCode::BadTree, "", [&] { names::Check(bad); });
    EXPECT_NO_THROW(names::Check(std::string(255, 'x')));
    EXPECT_NO_THROW(names::Check("Отчёт"));
}

TEST(Iso9660Names, RecordOrderComparesNameThenExtensionWithSpacePadding)
{
    EXPECT_TRUE(names::IdentifierLess(U"A.TXT;1", U"AB.TXT;1"));
    EXPECT_TRUE(names::IdentifierLess(U"FILE.TXT;1", U"FILE1.TXT;1"));
    EXPECT_TRUE(names::IdentifierLess(U"A.B;1", U"A.C;1"));
    EXPECT_TRUE(names::IdentifierLess(U"A.B;2", U"A.B;1")); // higher version first
    // Byte order would put "a b" first (' ' < '.'); padding puts "a" first.
    EXPECT_TRUE(names::IdentifierLess(U"a.txt;1", U"a b.txt;1"));
    EXPECT_FALSE(names::IdentifierLess(U"a b.txt;1", U"a.txt;1"));
}

TEST(Iso9660Names, DescriptorTextsUseTheirFieldsCharacters)
{
    using names::Charset;
    EXPECT_EQ(names::DescriptorText("Backup 2024!", Charset::D, 14), "BACKUP_2024_  ");
    EXPECT_EQ(names::DescriptorText("Quarn (R) Ltd.", Charset::A, 16), "QUARN (R) LTD.  ");
    EXPECT_EQ(names::DescriptorText("copying.txt;1", Charset::File, 13), "COPYING.TXT;1");
    EXPECT_EQ(names::DescriptorText("abcdef", Charset::D, 3), "ABC");
    EXPECT_EQ(names::DescriptorText("Ü", Charset::A, 2), "_ ");
}

TEST(Iso9660Encoding, DatesKeepTheirSecondsAndClampToTheirRange)
{
    std::uint8_t d[17];
    for (std::int64_t t : {0ll, 1700000000ll, 951782400ll /* 2000-02-29 */, -2208988800ll /* 1900-01-01 */}) {
        enc::PutShortDate(d, t);
        EXPECT_EQ(enc::GetShortDate(d), t);
        enc::PutLongDate(d, t);
        EXPECT_EQ(enc::GetLongDate(d), t);
    }
    enc::PutShortDate(d, -4000000000ll); // before 1900
    EXPECT_EQ(enc::GetShortDate(d), -2208988800ll);
    enc::PutLongDate(d, std::nullopt);
    EXPECT_EQ(enc::GetLongDate(d), std::nullopt);
    d[0] = 100; d[1] = 1; d[2] = 1; d[3] = 0; d[4] = 0; d[5] = 0; d[6] = 4; // 2000-01-01 00:00 at UTC+1
    EXPECT_EQ(enc::GetShortDate(d), 946684800 - 3600);
}

// --- the writer ------------------------------------------------------------

TEST(Iso9660Write, DescriptorsCarryTheVolumeTexts)
{
    WriterOptions o = Options();
    o.systemId = "Win32";
    o.volumeSet = "set one";
    o.dataPreparer = "Preparer";
    o.application = "Vexo image recorder";
    o.copyrightFile = "copy.txt";
    o.abstractFile = "abstract.txt";
    o.bibliographicFile = "biblio.txt";
    o.volumeName = "A volume name far longer than thirty-two characters";
    Image image = WriteToMemory(SampleTree(), o);
    const std::size_t pvd = 16 * 2048, svd = 17 * 2048, end = 18 * 2048;
    EXPECT_EQ(image[pvd], 1);
    EXPECT_EQ(Text(image, pvd + 1, 5), "CD001");
    EXPECT_EQ(Text(image, pvd + 8, 32), "WIN32" + std::string(27, ' '));
    EXPECT_EQ(Text(image, pvd + 40, 32), "A_VOLUME_NAME_FAR_LONGER_THAN_TH");
    EXPECT_EQ(Text(image, pvd + 190, 8), "SET_ONE ");
    EXPECT_EQ(Text(image, pvd + 318, 17), "QUARN PUBLISHING ");
    EXPECT_EQ(Text(image, pvd + 446, 9), "PREPARER ");
    EXPECT_EQ(Text(image, pvd + 574, 20), "VEXO IMAGE RECORDER ");
    EXPECT_EQ(Text(image, pvd + 702, 9), "COPY.TXT ");
    EXPECT_EQ(Text(image, pvd + 739, 13), "ABSTRACT.TXT ");
    EXPECT_EQ(Text(image, pvd + 776, 11), "BIBLIO.TXT ");
    EXPECT_EQ(Text(image, pvd + 813, 16), "2023111422132000");
    EXPECT_EQ(enc::GetLE32(&image[pvd + 80]), image.size() / 2048);
    EXPECT_EQ(enc::GetBE32(&image[pvd + 84]), image.size() / 2048);
    EXPECT_EQ(image[svd], 2);
    EXPECT_EQ(Text(image, svd + 88, 3), "%/E");
    EXPECT_EQ(enc::FromUcs2BE(&image[svd + 40], 32), U"A volume name fa");
    EXPECT_EQ(enc::FromUcs2BE(&image[svd + 318], 8), U"Quar");
    EXPECT_EQ(image[end], 255);
    EXPECT_EQ(Text(image, end + 1, 5), "CD001");
}

TEST(Iso9660Write, PathTablesListEveryFolderInBothByteOrders)
{
    Node root = SampleTree();
    Image image = WriteToMemory(root, Options(false, false));
    const std::uint8_t* pvd = &image[16 * 2048];
    std::uint32_t bytes = enc::GetLE32(pvd + 132);
    std::uint32_t l = enc::GetLE32(pvd + 140), m = enc::GetBE32(pvd + 148);
    std::vector<std::string> ids;
    std::vector<std::uint16_t> parents;
    for (std::uint32_t at = 0; at < bytes;) {
        const std::uint8_t* le = &image[l * 2048 + at];
        const std::uint8_t* be = &image[m * 2048 + at];
        ASSERT_EQ(le[0], be[0]);
        EXPECT_EQ(enc::GetLE32(le + 2), enc::GetBE32(be + 2));
        parents.push_back(enc::GetLE16(le + 6));
        EXPECT_EQ(parents.back(), (be[6] << 8) | be[7]);
        ids.emplace_back(reinterpret_cast<const char*>(le + 8), le[0]);
        at += 8 + le[0] + le[0] % 2;
    }
    // The root, its folders, then theirs: by level, parent and name.
    EXPECT_EQ(ids, (std::vector<std::string>{std::string(1, '\0'), "_________", "EMPTY_FOLDER", "INNER"}));
    EXPECT_EQ(parents, (std::vector<std::uint16_t>{1, 1, 2, 2}));
}

TEST(Iso9660Write, EstimateEqualsTheWrittenSizeForEveryKindOfTree)
{
    Node big = Node::Directory("");
    for (int i = 0; i < 300; ++i) // folders of several sectors
        big.children.push_back(Produced("file number " + std::to_string(i) + " with a longish name.dat", i * 100, i));
    Node deep = Node::Directory("");
    Node* at = &deep;
    for (int i = 0; i < 7; ++i) {
        at->children.push_back(Node::Directory(std::string(1, 'd').append(std::to_string(i))));
        at = &at->children.back();
    }
    at->children.push_back(Produced("f", 5000, 0));
    for (const Node* tree : {&big, &deep}) {
        for (int mode = 0; mode < 8; ++mode) {
            WriterOptions o = Options(mode & 1, mode & 2);
            o.level = (mode & 4) ? NameLevel::Level1 : NameLevel::Level2;
            Image image = WriteToMemory(*tree, o);
            EXPECT_EQ(image.size() % 2048, 0u);
            EXPECT_EQ(ImageSectors(*tree, o), image.size() / 2048) << mode;
            MemorySectorSource s(image);
            Volume v = Read(s);
            EXPECT_EQ(v.sectors, image.size() / 2048);
        }
    }
    Node empty = Node::Directory("");
    EXPECT_EQ(ImageSectors(empty, Options(false, false)), 16u + 2 + 2 + 1); // descriptors, path tables, root
    EXPECT_EQ(WriteToMemory(empty, Options(false, false)).size(), 21u * 2048);
}

TEST(Iso9660Write, TreesThatCannotBeWrittenAreRefusedBeforeAnySourceIsRead)
{
    bool read = false;
    auto watched = [&](std::uint64_t, std::span<std::uint8_t> out) { read = true; return out.size(); };
    Node huge = Node::Directory("");
    huge.children.push_back(Node::File("huge.bin", 5ull << 30, 0, Source::FromProducer(watched)));
    ExpectError(ErrorCode::TooLarge, "huge.bin", [&] { ImageSectors(huge, Options()); });
    ExpectError(ErrorCode::TooLarge, "4 GiB", [&] { WriteToMemory(huge, Options()); });
    huge.children[0].size = 0xFFFFFFFFull; // the largest that fits one extent
    EXPECT_EQ(ImageSectors(huge, Options()), ImageSectors(Node::Directory(""), Options()) + 2097152u);
    EXPECT_FALSE(read);

    Node deep = Node::Directory("");
    Node* at = &deep;
    for (int level = 2; level <= 9; ++level) {
        at->children.push_back(Node::Directory("level" + std::to_string(level)));
        at = &at->children.back();
    }
    ExpectError(ErrorCode::BadTree, "9 levels deep", [&] { ImageSectors(deep, Options(true, false)); });
    EXPECT_NO_THROW(ImageSectors(deep, Options(true, true)));
    at = &deep;
    for (int level = 2; level <= 8; ++level)
        at = &at->children[0];
    at->children.clear(); // 8 levels: fine without Rock Ridge
    EXPECT_NO_THROW(ImageSectors(deep, Options(true, false)));

    Node twice = Node::Directory("");
    twice.children.push_back(Produced("same", 1, 0));
    twice.children.push_back(Node::Directory("same"));
    ExpectError(ErrorCode::BadTree, "two entries named 'same'", [&] { ImageSectors(twice, Options()); });
    Node bad = Node::Directory("");
    bad.children.push_back(Node::Directory("sub", 0, {Produced("a/b", 1, 0)}));
    ExpectError(ErrorCode::BadTree, "'a/b'", [&] { ImageSectors(bad, Options()); });
    ExpectError(ErrorCode::BadTree, "folder", [&] { ImageSectors(Produced("file", 1, 0), Options()); });
    Node fileWithChildren = Node::Directory("");
    fileWithChildren.children.push_back(Produced("f", 1, 0));
    fileWithChildren.children[0].children.push_back(Produced("g", 1, 0));
    ExpectError(ErrorCode::BadTree, "has children", [&] { ImageSectors(fileWithChildren, Options()); });
    WriterOptions badText = Options();
    badText.publisher = "Qu\xE4rn"; // Latin-1, not UTF-8
    ExpectError(ErrorCode::BadArgument, "publisher", [&] { ImageSectors(Node::Directory(""), badText); });
}

TEST(Iso9660Write, SourcesThatFailOrDisagreeWithTheirSizeAreNamed)
{
    auto writeOne = [](Node file) {
        Node root = Node::Directory("");
        root.children.push_back(std::move(file));
        WriteToMemory(root, Options());
    };
    ExpectError(ErrorCode::SourceFailed, "'/missing.txt'",
                [&] { writeOne(Node::File("missing.txt", 10, 0, Source::FromPath("no such folder/no such file"))); });
    ExpectError(ErrorCode::SourceFailed, "gave 0 bytes at offset 65536", [&] {
        writeOne(Node::File("short.bin", 100000, 0, Source::FromProducer([](std::uint64_t off, std::span<std::uint8_t> o) {
                                return off < 60000 ? o.size() : std::size_t(0);
                            })));
    });
    ExpectError(ErrorCode::SourceFailed, "disk gone", [&] {
        writeOne(Node::File("throws.bin", 10, 0, Source::FromProducer([](std::uint64_t, std::span<std::uint8_t>) -> std::size_t {
                                throw std::runtime_error("disk gone");
                            })));
    });
    ExpectError(ErrorCode::SourceFailed, "neither", [&] { writeOne(Node::File("nothing.bin", 10, 0, Source{})); });
    Node root = Node::Directory("");
    root.children.push_back(Produced("a", 10, 0));
    ExpectError(ErrorCode::SinkFailed, "medium full", [&] {
        Write(root, Options(), [](std::span<const std::uint8_t>) { throw std::runtime_error("medium full"); });
    });
}

TEST(Iso9660Write, PathSourcesAreReadAndMustKeepTheirSize)
{
    const std::string path = "iso9660_source.bin";
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        for (int i = 0; i < 100000; ++i)
            std::fputc(i % 251, f);
        std::fclose(f);
    }
    Node root = Node::Directory("");
    root.children.push_back(Node::File("from disk.bin", 100000, 1234567, Source::FromPath(path)));
    Image image = WriteToMemory(root, Options());
    MemorySectorSource s(image);
    Volume v = Read(s);
    auto bytes = Contents(s, {}, *v.root.Find("from disk.bin"));
    ASSERT_EQ(bytes.size(), 100000u);
    for (int i = 0; i < 100000; ++i)
        ASSERT_EQ(bytes[i], i % 251);
    root.children[0].size = 99999;
    ExpectError(ErrorCode::SourceFailed, "100000 bytes, 99999 were announced", [&] { WriteToMemory(root, Options()); });
    std::remove(path.c_str());
}

TEST(Iso9660Write, FileBytesAreStreamedInBoundedPieces)
{
    const std::uint64_t size = 40ull << 20;
    std::size_t largestAsk = 0, largestWrite = 0;
    std::uint64_t asked = 0, written = 0;
    Node root = Node::Directory("");
    root.children.push_back(Node::File("stream.bin", size, 0, Source::FromProducer([&](std::uint64_t offset, std::span<std::uint8_t> out) {
                                           EXPECT_EQ(offset, asked);
                                           largestAsk = std::max(largestAsk, out.size());
                                           std::size_t n = std::min<std::size_t>(out.size(), 10000); // short pieces are fine
                                           std::memset(out.data(), 0xAB, n);
                                           asked += n;
                                           return n;
                                       })));
    std::uint32_t sectors = Write(root, Options(), [&](std::span<const std::uint8_t> s) {
        EXPECT_EQ(s.size() % 2048, 0u);
        largestWrite = std::max(largestWrite, s.size());
        written += s.size();
    });
    EXPECT_EQ(asked, size);
    EXPECT_EQ(written, std::uint64_t(sectors) * 2048);
    EXPECT_EQ(sectors, ImageSectors(root, Options()));
    EXPECT_LE(largestAsk, kPieceBytes);
    EXPECT_LE(largestWrite, kPieceBytes);
}

// --- round trips -----------------------------------------------------------

TEST(Iso9660RoundTrip, RockRidgeKeepsEveryNameTimeSizeAndByte)
{
    Node tree = SampleTree();
    Image image = WriteToMemory(tree, Options());
    MemorySectorSource s(image);
    Volume v = Read(s);
    EXPECT_TRUE(v.hasRockRidge);
    EXPECT_TRUE(v.hasJoliet);
    EXPECT_EQ(v.names, NameKind::RockRidge);
    EXPECT_EQ(v.name, "BACKUP_2024");
    EXPECT_EQ(v.jolietName, "Backup 2024");
    EXPECT_EQ(v.publisher, "QUARN PUBLISHING");
    ExpectSameTree(s, {}, tree, v.root, "");
}

TEST(Iso9660RoundTrip, JolietNamesAreCutToSixtyFourAndStayUnique)
{
    Node tree = SampleTree();
    Image image = WriteToMemory(tree, Options(true, false));
    MemorySectorSource s(image);
    ReadOptions o;
    o.rockRidge = true; // asked for, but the volume has none
    Volume v = Read(s, o);
    EXPECT_FALSE(v.hasRockRidge);
    EXPECT_EQ(v.names, NameKind::Joliet);
    EXPECT_NE(v.root.Find("Café Übersicht.txt"), nullptr);
    EXPECT_NE(v.root.Find(std::string(60, 'L') + ".txt"), nullptr);
    EXPECT_NE(v.root.Find(std::string(58, 'L') + "~1.txt"), nullptr);
    EXPECT_NE(v.root.Find(std::string(60, 'n') + ".txt"), nullptr);
    const Node* docs = v.root.Find("Документы");
    ASSERT_NE(docs, nullptr);
    const Node* report = docs->Find("Отчёт за год.txt");
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->size, 5000u);
    EXPECT_EQ(report->mtime, 1600000700);
    EXPECT_TRUE(Contents(s, o, *report) == Expected(tree.children[6].children[0]));
    const Node* empty = docs->Find("empty folder");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->directory);
    EXPECT_TRUE(empty->children.empty());
}

TEST(Iso9660RoundTrip, PlainNamesWhenNothingElseIsAskedFor)
{
    Node tree = SampleTree();
    Image image = WriteToMemory(tree, Options());
    MemorySectorSource s(image);
    ReadOptions o;
    o.rockRidge = false;
    o.joliet = false;
    Volume v = Read(s, o);
    EXPECT_EQ(v.names, NameKind::Iso9660);
    const Node* readme = v.root.Find("README.TXT");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->size, 100u);
    ASSERT_NE(v.root.Find("ZERO.BIN"), nullptr);
    EXPECT_EQ(v.root.Find("ZERO.BIN")->size, 0u);
    EXPECT_TRUE(Contents(s, o, *v.root.Find("ZERO.BIN")).empty());
    ASSERT_NE(v.root.Find("CAF___BERSICHT.TXT"), nullptr);
    EXPECT_EQ(v.root.children.size(), tree.children.size());
}

TEST(Iso9660RoundTrip, NamesOfTwoHundredFiftyFiveBytesAndDeepFoldersWithRockRidge)
{
    Node root = Node::Directory("", 5);
    std::string longest;
    for (int i = 0; i < 85; ++i)
        longest += "\xC3\xA9"; // é
    longest += std::string(255 - longest.size(), 'z');
    ASSERT_EQ(longest.size(), 255u);
    root.children.push_back(Produced(longest, 2049, 77));
    Node* at = &root;
    for (int level = 2; level <= 20; ++level) {
        at->children.push_back(Node::Directory("level " + std::to_string(level), level));
        at = &at->children.back();
    }
    at->children.push_back(Produced(longest, 1, 99, 3));
    Image image = WriteToMemory(root, Options());
    MemorySectorSource s(image);
    Volume v = Read(s);
    ExpectSameTree(s, {}, root, v.root, "");
}

TEST(Iso9660RoundTrip, AVolumeInsideRawSectorsAtAnOffsetIsRead)
{
    Node tree = Node::Directory("");
    tree.children.push_back(Produced("track.dat", 10000, 42));
    Image image = WriteToMemory(tree, Options());
    // A BIN file: 150 sectors of something else, then the volume as Mode 1
    // raw sectors (sync, header, 2048 bytes of data, error codes).
    const std::string bin = "iso9660_track.bin";
    const std::uint32_t before = 150;
    {
        std::FILE* f = std::fopen(bin.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::vector<std::uint8_t> raw(2352, 0x5A);
        for (std::uint32_t i = 0; i < before; ++i)
            std::fwrite(raw.data(), 1, raw.size(), f);
        for (std::size_t i = 0; i < image.size() / 2048; ++i) {
            std::fill(raw.begin(), raw.end(), 0xEE);
            std::memcpy(raw.data() + 16, &image[i * 2048], 2048);
            std::fwrite(raw.data(), 1, raw.size(), f);
        }
        std::fclose(f);
    }
    {
        FileSectorSource s(bin, 0, 2352, 16);
        ReadOptions o;
        o.startSector = before;
        Volume v = Read(s, o);
        ExpectSameTree(s, o, tree, v.root, "");
        ExpectError(ErrorCode::Malformed, "volume descriptor", [&] { Read(s); });
    }
    {
        FileSectorSource s(bin, before * 2352, 2352, 16);
        Volume v = Read(s);
        ExpectSameTree(s, {}, tree, v.root, "");
    }
    ExpectError(ErrorCode::BadArgument, "2352", [&] { FileSectorSource(bin, 0, 2352, 400); });
    std::remove(bin.c_str());
    ExpectError(ErrorCode::Io, "iso9660_track.bin", [&] { FileSectorSource s(bin); });
}

// --- damaged images ------------------------------------------------------

namespace {

Image SmallImage(bool rockRidge = true)
{
    Node root = Node::Directory("", 1);
    Node sub = Node::Directory("sub", 2);
    sub.children.push_back(Produced(std::string(240, 'q') + ".txt", 5000, 3));
    root.children.push_back(std::move(sub));
    root.children.push_back(Produced("a.txt", 3000, 4));
    return WriteToMemory(root, Options(false, rockRidge));
}

// The offset of the first record in the folder at `lba` whose extent is `extent`.
std::size_t RecordPointingAt(const Image& image, std::uint32_t lba, std::uint32_t extent)
{
    for (std::size_t at = lba * 2048; at < lba * 2048 + 2048 && image[at];) {
        if (enc::GetLE32(&image[at + 2]) == extent)
            return at;
        at += image[at];
    }
    ADD_FAILURE() << "no record points at " << extent;
    return 0;
}

void ExpectMalformed(const Image& image, const std::string& part)
{
    MemorySectorSource s(image);
    ExpectError(ErrorCode::Malformed, part, [&] { Read(s); });
}

} // namespace

TEST(Iso9660Damaged, TruncatedImagesAndBadDescriptors)
{
    Image image = SmallImage();
    ExpectMalformed(Image(), "too few");
    ExpectMalformed(Image(image.begin(), image.begin() + 16 * 2048), "too few");
    ExpectMalformed(Image(image.begin(), image.begin() + 17 * 2048), "terminator");
    // Cut before the file bytes: extents beyond the end.
    ExpectMalformed(Image(image.end() - image.size(), image.end() - 4 * 2048), "beyond");
    Image bad = image;
    std::memcpy(&bad[16 * 2048 + 1], "CD002", 5);
    ExpectMalformed(bad, "not a volume descriptor");
    bad = image;
    bad[16 * 2048] = 3; // no primary descriptor left
    ExpectMalformed(bad, "no primary");
    bad = image;
    enc::PutBoth16(&bad[16 * 2048 + 128], 512);
    ExpectMalformed(bad, "blocks of 512");
    bad = image;
    bad[16 * 2048 + 84] ^= 1;
    ExpectMalformed(bad, "volume sizes differ");
    bad = image;
    bad[17 * 2048] = 1; // the terminator is gone; later sectors are not descriptors
    ExpectMalformed(bad, "not a volume descriptor");
}

TEST(Iso9660Damaged, LoopsAndBadLengthsInFolders)
{
    const Image image = SmallImage();
    MemorySectorSource good(image);
    Volume v = Read(good);
    const std::uint32_t root = v.root.extent, sub = v.root.Find("sub")->extent;
    const std::size_t subRecord = RecordPointingAt(image, root, sub);

    Image bad = image;
    enc::PutBoth32(&bad[subRecord + 2], root); // sub is the root again
    ExpectMalformed(bad, "loop");
    bad = image;
    enc::PutBoth32(&bad[subRecord + 10], 0xFFFFF800); // an absurd folder length
    ExpectMalformed(bad, "claims");
    bad = image;
    enc::PutBoth32(&bad[subRecord + 10], 0);
    ExpectMalformed(bad, "claims 0 bytes");
    bad = image;
    enc::PutBoth32(&bad[subRecord + 2], 900000); // past the end
    ExpectMalformed(bad, "beyond");
    bad = image;
    bad[subRecord] = 20; // a record too short
    ExpectMalformed(bad, "a record of 20 bytes");
    bad = image;
    bad[subRecord + 32] = 250; // a name longer than its record
    ExpectMalformed(bad, "runs past");
    bad = image;
    const std::size_t fileRecord = RecordPointingAt(image, root, v.root.Find("a.txt")->extent);
    enc::PutBoth32(&bad[fileRecord + 10], 0x7FFFFFFF);
    ExpectMalformed(bad, "'/a.txt'");
    bad = image;
    bad[fileRecord + 25] |= 0x80;
    ExpectMalformed(bad, "several extents");
    bad = image;
    bad[fileRecord + 33] = '/'; // a Rock Ridge name is used, so break that one instead
    MemorySectorSource plain(bad);
    ReadOptions isoNames;
    isoNames.rockRidge = false;
    ExpectError(ErrorCode::Malformed, "has the name", [&] { Read(plain, isoNames); });
}

TEST(Iso9660Damaged, RockRidgeContinuationsThatLoopOrOverflow)
{
    const Image image = SmallImage();
    MemorySectorSource good(image);
    Volume v = Read(good);
    const Node* sub = v.root.Find("sub");
    // The long name's record in "sub" continues elsewhere: find its CE entry.
    std::size_t ce = 0;
    for (std::size_t at = sub->extent * 2048; at < sub->extent * 2048 + 2048 && image[at]; at += image[at])
        for (std::size_t i = at + 34; i + 4 < at + image[at]; ++i)
            if (image[i] == 'C' && image[i + 1] == 'E' && image[i + 2] == 28)
                ce = i;
    ASSERT_NE(ce, 0u);
    const std::uint32_t lba = enc::GetLE32(&image[ce + 4]), offset = enc::GetLE32(&image[ce + 12]);
    Image bad = image;
    // The continuation area holds only a CE entry pointing at itself.
    std::memset(&bad[lba * 2048 + offset], 0, enc::GetLE32(&image[ce + 20]));
    std::memcpy(&bad[lba * 2048 + offset], &image[ce], 28);
    ExpectMalformed(bad, "loop");
    bad = image;
    enc::PutBoth32(&bad[ce + 20], 1u << 30);
    ExpectMalformed(bad, "continuation area");
    bad = image;
    enc::PutBoth32(&bad[ce + 4], 1u << 30);
    ExpectMalformed(bad, "beyond");
    bad = image;
    bad[lba * 2048 + offset + 2] = 255; // an entry longer than its area
    ExpectMalformed(bad, "does not fit");
}

TEST(Iso9660Damaged, OverlappingFoldersCannotMakeTheReaderReadWithoutEnd)
{
    // Twelve folders, each made to claim 30 MiB of a large file's sectors:
    // every one is in the image and none is reached twice, but together
    // they are more than any real volume's folders.
    Node root = Node::Directory("");
    for (int i = 0; i < 12; ++i)
        root.children.push_back(Node::Directory(std::string(1, 'd').append(std::to_string(i))));
    root.children.push_back(Node::File("zeros.bin", 31u << 20, 0, Source::FromProducer([](std::uint64_t, std::span<std::uint8_t> o) {
                                           std::memset(o.data(), 0, o.size());
                                           return o.size();
                                       })));
    Image image = WriteToMemory(root, Options(false, false));
    MemorySectorSource good(image);
    Volume v = Read(good);
    const std::uint32_t zeros = v.root.Find("ZEROS.BIN")->extent;
    for (int i = 0; i < 12; ++i) {
        const Node* d = v.root.Find(std::string(1, 'D').append(std::to_string(i)));
        ASSERT_NE(d, nullptr);
        std::size_t at = RecordPointingAt(image, v.root.extent, d->extent);
        enc::PutBoth32(&image[at + 2], zeros + i);
        enc::PutBoth32(&image[at + 10], 30u << 20);
    }
    ExpectMalformed(image, "more than 256 MiB");
}

TEST(Iso9660Damaged, RandomDamageNeverCrashesOrHangs)
{
    const Image image = SmallImage();
    std::mt19937 random(12345);
    // Descriptors, path tables, folders and the continuation sector.
    const std::size_t metadata = std::min<std::size_t>(image.size(), 24 * 2048);
    int refused = 0;
    for (int round = 0; round < 400; ++round) {
        Image bad = image;
        int hits = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < hits; ++i)
            bad[16 * 2048 + random() % (metadata - 16 * 2048)] = static_cast<std::uint8_t>(random());
        MemorySectorSource s(bad);
        try {
            Volume v = Read(s);
            for (const Node& c : v.root.children)
                if (!c.directory)
                    Contents(s, {}, c);
        } catch (const Error&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST(Iso9660Damaged, ContentsOfFoldersOrBeyondTheEndAreRefused)
{
    const Image image = SmallImage();
    MemorySectorSource s(image);
    Volume v = Read(s);
    ExpectError(ErrorCode::BadArgument, "folder", [&] { Contents(s, {}, v.root); });
    Node far = *v.root.Find("a.txt");
    far.extent = 1u << 30;
    ExpectError(ErrorCode::Malformed, "beyond", [&] { Contents(s, {}, far); });
}
