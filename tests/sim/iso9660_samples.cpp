// iso9660_samples: writes the sample images the outside checks look at, and
// reads images with the library for them.
//   iso9660_samples write DIR            sources in DIR/src, images DIR/*.iso
//   iso9660_samples list IMAGE rr|joliet|iso OUT
//                                        into OUT: "volume NAME", "publisher
//                                        NAME", then one
//                                        line per entry, "d PATH" or
//                                        "f PATH SIZE" (the caller sorts)
//   iso9660_samples extract IMAGE DIR [rr|joliet|iso]
//                                        the image's tree and bytes into DIR
// Paths are UTF-8. Exit code 0, or 1 with the error on stderr.
#include "Error.h"
#include "File.h"
#include "Reader.h"
#include "Writer.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <sys/stat.h>
#endif

using namespace iso9660;

namespace {

void MakeDir(const std::string& path)
{
#ifdef _WIN32
    int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, w.data(), n);
    CreateDirectoryW(w.c_str(), nullptr);
#else
    mkdir(path.c_str(), 0755);
#endif
}

// The bytes of the callback-produced file: a pattern no file system keeps
// by accident.
std::size_t Pattern(std::uint64_t offset, std::span<std::uint8_t> out)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::uint64_t x = offset + i;
        out[i] = static_cast<std::uint8_t>((x * 2654435761u) >> 13 ^ (x >> 11));
    }
    return out.size();
}

struct Builder {
    std::string src;
    std::int64_t time = 1700000000;

    Node File(const std::string& dirPath, const std::string& name, const std::string& text)
    {
        std::string path = src + dirPath + "/" + name;
        iso9660::File f(path, iso9660::File::Mode::Write);
        f.Write(text.data(), text.size());
        return Node::File(name, text.size(), time += 3600, Source::FromPath(path));
    }
    Node Dir(const std::string& dirPath, const std::string& name)
    {
        MakeDir(src + dirPath + "/" + name);
        return Node::Directory(name, time += 60);
    }
    Node Produced(const std::string& dirPath, const std::string& name, std::uint64_t size)
    {
        // The same bytes beside the sources, for the outside comparison.
        iso9660::File f(src + dirPath + "/" + name, iso9660::File::Mode::Write);
        std::vector<std::uint8_t> piece(65536);
        for (std::uint64_t at = 0; at < size; at += piece.size()) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), size - at));
            Pattern(at, std::span<std::uint8_t>(piece.data(), n));
            f.Write(piece.data(), n);
        }
        return Node::File(name, size, time += 3600, Source::FromProducer(Pattern));
    }
};

// The tree every outside check looks at; its sources land in `dir`/src.
Node SampleTree(const std::string& dir, int deepLevels)
{
    Builder b{dir + "/src"};
    MakeDir(b.src);
    Node root = Node::Directory("");
    root.children.push_back(b.File("", "README.TXT", "Sample disc\r\n"));
    root.children.push_back(b.File("", "Café Übersicht.txt", "Übersicht über alle Cafés\n"));
    root.children.push_back(b.File("", "zero.bin", ""));
    const std::string longA = "A name that is considerably longer than sixty-four characters, so Joliet cuts it (one).txt";
    const std::string longB = "A name that is considerably longer than sixty-four characters, so Joliet cuts it (two).txt";
    root.children.push_back(b.File("", longA, "first long name\n"));
    root.children.push_back(b.File("", longB, "second long name\n"));
    root.children.push_back(b.File("", std::string(200, 'x') + ".log", "two hundred x\n"));
    Node docs = b.Dir("", "Документы");
    docs.children.push_back(b.File("/Документы", "Отчёт за год.txt", "Годовой отчёт\n"));
    docs.children.push_back(b.Dir("/Документы", "empty folder"));
    root.children.push_back(std::move(docs));
    Node big = b.Dir("", "big");
    big.children.push_back(b.Produced("/big", "pattern.bin", 3 * 1024 * 1024 + 123));
    root.children.push_back(std::move(big));
    root.children.push_back(b.Dir("", "Empty"));
    // Nested folders: deep/1/2/... down to `deepLevels` levels (the root is 1).
    Node* at = &root;
    std::string path;
    for (int level = 2; level <= deepLevels; ++level) {
        std::string name = level == 2 ? "deep" : "level " + std::to_string(level);
        at->children.push_back(b.Dir(path, name));
        at = &at->children.back();
        path += "/" + name;
    }
    at->children.push_back(b.File(path, "bottom.txt", "at the bottom\n"));
    return root;
}

WriterOptions SampleOptions()
{
    WriterOptions o;
    o.volumeName = "Sample volume";
    o.systemId = "Win32";
    o.volumeSet = "Sample set";
    o.publisher = "Quarn Publishing";
    o.dataPreparer = "Image recorder";
    o.application = "VexoAPI image writer";
    o.copyrightFile = "COPYING.TXT";
    o.abstractFile = "ABSTRACT.TXT";
    o.bibliographicFile = "BIBLIO.TXT";
    o.volumeTime = 1700000000;
    return o;
}

int WriteSamples(const std::string& dir)
{
    MakeDir(dir);
    struct Sample {
        const char* name;
        bool joliet, rockRidge;
        NameLevel level;
        int depth;
    } samples[] = {
        {"full", true, true, NameLevel::Level2, 8},
        {"joliet", true, false, NameLevel::Level2, 8},
        {"plain", false, false, NameLevel::Level1, 8},
        {"deep", true, true, NameLevel::Level2, 14},
    };
    for (const Sample& s : samples) {
        std::string sub = dir + "/" + s.name;
        MakeDir(sub);
        Node tree = SampleTree(sub, s.depth);
        WriterOptions o = SampleOptions();
        o.joliet = s.joliet;
        o.rockRidge = s.rockRidge;
        o.level = s.level;
        std::uint32_t estimate = ImageSectors(tree, o);
        std::uint32_t written = WriteFile(tree, o, sub + "/" + s.name + ".iso");
        std::printf("%s.iso: %u sectors (estimated %u)\n", s.name, written, estimate);
        if (estimate != written)
            return 1;
    }
    return 0;
}

ReadOptions Prefer(const std::string& which)
{
    ReadOptions o;
    o.rockRidge = which == "rr";
    o.joliet = which == "rr" || which == "joliet";
    return o;
}

void List(const Node& dir, const std::string& path, iso9660::File& out)
{
    for (const Node& c : dir.children) {
        std::string p = path + "/" + c.name;
        std::string line = c.directory ? "d " + p + "\n" : "f " + p + " " + std::to_string(c.size) + "\n";
        out.Write(line.data(), line.size());
        if (c.directory)
            List(c, p, out);
    }
}

void Extract(SectorSource& source, const ReadOptions& o, const Node& dir, const std::string& path)
{
    MakeDir(path);
    for (const Node& c : dir.children) {
        std::string p = path + "/" + c.name;
        if (c.directory) {
            Extract(source, o, c, p);
        } else {
            iso9660::File out(p, iso9660::File::Mode::Write);
            ReadContents(source, o, c, [&](std::span<const std::uint8_t> bytes) { out.Write(bytes.data(), bytes.size()); });
        }
    }
}

int Run(const std::vector<std::string>& args)
{
    if (args.size() >= 2 && args[0] == "write")
        return WriteSamples(args[1]);
    if (args.size() >= 4 && args[0] == "list") {
        FileSectorSource source(args[1]);
        ReadOptions o = Prefer(args[2]);
        Volume v = Read(source, o);
        iso9660::File out(args[3], iso9660::File::Mode::Write);
        std::string head = "volume " + v.name + "\npublisher " + v.publisher + "\n";
        out.Write(head.data(), head.size());
        List(v.root, "", out);
        return 0;
    }
    if (args.size() >= 3 && args[0] == "extract") {
        FileSectorSource source(args[1]);
        ReadOptions o = Prefer(args.size() > 3 ? args[3] : "rr");
        Volume v = Read(source, o);
        Extract(source, o, v.root, args[2]);
        return 0;
    }
    std::fprintf(stderr, "usage: iso9660_samples write DIR | list IMAGE rr|joliet|iso OUT | extract IMAGE DIR [rr|joliet|iso]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 1; wide && i < n; ++i) {
        int len = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(static_cast<std::size_t>(len), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, s.data(), len, nullptr, nullptr);
        s.resize(std::strlen(s.c_str()));
        args.push_back(s);
    }
    LocalFree(wide);
#else
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
#endif
    try {
        return Run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "iso9660_samples: %s\n", e.what());
        return 1;
    }
}
