#include "Reader.h"
#include "Encoding.h"
#include "Error.h"
#include <algorithm>
#include <cstring>
#include <optional>
#include <set>

namespace iso9660 {

namespace {

constexpr std::uint32_t S = 2048;
constexpr std::uint32_t kMaxDirBytes = 32u << 20;  // no folder of ours comes near this
constexpr int kMaxDepth = 255;
constexpr int kMaxContinuations = 32;              // per record
constexpr int kMaxDescriptors = 64;
// Folders may overlap in a damaged image: what the reader reads of folders
// and continuation areas, and the entries it keeps, are bounded as a whole.
constexpr std::uint64_t kMaxMetadataBytes = 256u << 20;
constexpr std::size_t kMaxEntries = 1000000;

[[noreturn]] void Bad(const std::string& why) { throw Error(ErrorCode::Malformed, "not a readable ISO 9660 volume: " + why); }

std::string Trimmed(const std::uint8_t* p, std::size_t n)
{
    std::string s(reinterpret_cast<const char*>(p), n);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

std::string TrimmedUcs2(const std::uint8_t* p, std::size_t n)
{
    std::u32string s = enc::FromUcs2BE(p, n);
    while (!s.empty() && (s.back() == U' ' || s.back() == U'\0'))
        s.pop_back();
    return enc::EncodeUtf8(s);
}

// What the Rock Ridge entries of one record say.
struct RockRidge {
    std::string name;
    std::optional<std::int64_t> mtime;
    bool relocated = false;                 // RE: shown elsewhere through a CL
    std::optional<std::uint32_t> childLink; // CL: the folder that was moved here
    bool sp = false;
    std::uint8_t skip = 0;
};

struct Record {
    std::uint32_t extent, length;
    std::uint8_t flags;
    std::int64_t mtime;
    const std::uint8_t* id;
    std::size_t idLength;
    std::span<const std::uint8_t> systemUse;
};

class VolumeReader {
public:
    VolumeReader(SectorSource& source, const ReadOptions& options) : source_(source), options_(options)
    {
        std::uint64_t count = source.SectorCount();
        available_ = count > options.startSector ? count - options.startSector : 0;
    }

    std::vector<std::uint8_t> ReadExtent(std::uint32_t lba, std::uint64_t bytes, const char* what)
    {
        std::uint64_t sectors = (bytes + S - 1) / S;
        if (lba > available_ || sectors > available_ - lba)
            Bad(std::string(what) + " at sector " + std::to_string(lba) + " (" + std::to_string(bytes) +
                " bytes) lies beyond the image's " + std::to_string(available_) + " sectors");
        std::vector<std::uint8_t> data(static_cast<std::size_t>(sectors) * S);
        source_.ReadSectors(options_.startSector + lba, data);
        return data;
    }

    Volume Read()
    {
        if (available_ < 17)
            Bad("the image has " + std::to_string(available_) + " sectors, too few for a volume descriptor at sector 16");
        std::vector<std::uint8_t> pvd, svd;
        for (std::uint32_t s = 16;; ++s) {
            if (s >= available_ || s >= 16u + kMaxDescriptors)
                Bad("the volume descriptors have no terminator");
            std::vector<std::uint8_t> d = ReadExtent(s, S, "a volume descriptor");
            if (std::memcmp(d.data() + 1, "CD001", 5) != 0)
                Bad("sector " + std::to_string(s) + " is not a volume descriptor");
            if (d[0] == 255)
                break;
            if (d[0] == 1 && pvd.empty())
                pvd = std::move(d);
            else if (d[0] == 2 && svd.empty() && d[88] == 0x25 && d[89] == 0x2F &&
                     (d[90] == 0x40 || d[90] == 0x43 || d[90] == 0x45))
                svd = std::move(d);
        }
        if (pvd.empty())
            Bad("there is no primary volume descriptor");
        CheckDescriptor(pvd, "primary");

        Volume v;
        v.name = Trimmed(&pvd[40], 32);
        v.systemId = Trimmed(&pvd[8], 32);
        v.volumeSet = Trimmed(&pvd[190], 128);
        v.publisher = Trimmed(&pvd[318], 128);
        v.dataPreparer = Trimmed(&pvd[446], 128);
        v.application = Trimmed(&pvd[574], 128);
        v.sectors = enc::GetLE32(&pvd[80]);
        if (!svd.empty()) {
            CheckDescriptor(svd, "Joliet");
            v.hasJoliet = true;
            v.jolietName = TrimmedUcs2(&svd[40], 32);
        }

        Record root = RootRecord(pvd);
        // Rock Ridge announces itself with an SP entry in the root's "." record.
        {
            std::vector<std::uint8_t> first = ReadExtent(root.extent, S, "the root folder");
            Record dot = ParseRecord(first, 0, S, "the root folder");
            if (dot.systemUse.size() >= 7 && dot.systemUse[0] == 'S' && dot.systemUse[1] == 'P' &&
                dot.systemUse[2] >= 7 && dot.systemUse[4] == 0xBE && dot.systemUse[5] == 0xEF) {
                v.hasRockRidge = true;
                skip_ = dot.systemUse[6];
            }
        }
        visited_.clear();
        if (options_.rockRidge && v.hasRockRidge) {
            v.names = NameKind::RockRidge;
        } else if (options_.joliet && v.hasJoliet) {
            v.names = NameKind::Joliet;
            root = RootRecord(svd);
        }
        names_ = v.names;
        v.root.directory = true;
        v.root.mtime = root.mtime;
        v.root.extent = root.extent;
        ReadDirectory(root.extent, root.length, v.root, 1, "/");
        return v;
    }

private:
    static void CheckDescriptor(const std::vector<std::uint8_t>& d, const char* which)
    {
        if (d[6] != 1 && !(d[0] == 2 && d[6] == 2))
            Bad(std::string("the ") + which + " volume descriptor has version " + std::to_string(d[6]));
        if (enc::GetLE16(&d[128]) != S)
            Bad(std::string("the ") + which + " volume descriptor has blocks of " + std::to_string(enc::GetLE16(&d[128])) +
                " bytes; only 2048 are read");
        if (enc::GetLE32(&d[80]) != enc::GetBE32(&d[84]))
            Bad(std::string("the ") + which + " volume descriptor's two volume sizes differ");
        if (d[156] < 34)
            Bad(std::string("the ") + which + " volume descriptor's root record is too short");
    }

    Record RootRecord(const std::vector<std::uint8_t>& d)
    {
        Record r = ParseRecord(d, 156, 156 + 34, "the volume descriptor");
        if (!(r.flags & 0x02))
            Bad("the root record is not a folder");
        return r;
    }

    // The record at `pos` of a folder's bytes, checked against `end`.
    Record ParseRecord(const std::vector<std::uint8_t>& data, std::size_t pos, std::size_t end, const std::string& where)
    {
        const std::uint8_t* p = data.data() + pos;
        std::size_t len = p[0];
        if (len < 34)
            Bad("a record of " + std::to_string(len) + " bytes in " + where);
        if (pos + len > end)
            Bad("a record in " + where + " runs past its end");
        if (pos % S + len > S)
            Bad("a record in " + where + " crosses a sector boundary");
        Record r;
        r.extent = enc::GetLE32(p + 2);
        r.length = enc::GetLE32(p + 10);
        r.flags = p[25];
        r.mtime = enc::GetShortDate(p + 18);
        r.idLength = p[32];
        r.id = p + 33;
        if (33 + r.idLength > len)
            Bad("a record's name in " + where + " runs past the record");
        std::size_t su = 33 + r.idLength + (r.idLength % 2 == 0 ? 1 : 0);
        if (su > len)
            su = len;
        r.systemUse = std::span<const std::uint8_t>(p + su, len - su);
        return r;
    }

    void ParseSystemUse(std::span<const std::uint8_t> area, RockRidge& rr, int& continuations)
    {
        std::optional<std::uint32_t> ceLba, ceOffset, ceLength;
        std::size_t i = 0;
        while (i + 4 <= area.size()) {
            const std::uint8_t* e = area.data() + i;
            std::size_t len = e[2];
            if (len == 0 && e[0] == 0)
                break; // padding
            if (len < 4 || i + len > area.size())
                Bad("a system use entry of " + std::to_string(len) + " bytes does not fit its area");
            std::string sig(reinterpret_cast<const char*>(e), 2);
            if (sig == "CE" && len >= 28) {
                ceLba = enc::GetLE32(e + 4);
                ceOffset = enc::GetLE32(e + 12);
                ceLength = enc::GetLE32(e + 20);
            } else if (sig == "NM" && len >= 5) {
                if (!(e[4] & 0x06)) // not the "." or ".." forms
                    rr.name.append(reinterpret_cast<const char*>(e + 5), len - 5);
                if (rr.name.size() > 1024)
                    Bad("a Rock Ridge name longer than 1024 bytes");
            } else if (sig == "TF" && len >= 5) {
                std::uint8_t flags = e[4];
                std::size_t stamp = (flags & 0x80) ? 17 : 7;
                if (flags & 0x02) {
                    std::size_t at = 5 + ((flags & 0x01) ? stamp : 0);
                    if (at + stamp <= len)
                        rr.mtime = stamp == 7 ? enc::GetShortDate(e + at) : enc::GetLongDate(e + at);
                }
            } else if (sig == "RE") {
                rr.relocated = true;
            } else if (sig == "CL" && len >= 12) {
                rr.childLink = enc::GetLE32(e + 4);
            } else if (sig == "ST") {
                break;
            }
            i += len;
        }
        if (ceLba) {
            if (++continuations > kMaxContinuations)
                Bad("the continuation areas of a record loop or are too many");
            if (*ceLength > 64 * 1024 || *ceOffset >= S)
                Bad("a continuation area of " + std::to_string(*ceLength) + " bytes at offset " + std::to_string(*ceOffset));
            Spend(std::uint64_t(*ceOffset) + *ceLength);
            std::vector<std::uint8_t> block = ReadExtent(*ceLba, std::uint64_t(*ceOffset) + *ceLength, "a continuation area");
            ParseSystemUse(std::span<const std::uint8_t>(block.data() + *ceOffset, *ceLength), rr, continuations);
        }
    }

    std::string NameOf(const Record& r, const RockRidge& rr, const std::string& where)
    {
        std::string name;
        if (names_ == NameKind::RockRidge && !rr.name.empty()) {
            name = rr.name;
        } else if (names_ == NameKind::Joliet) {
            std::u32string text = enc::FromUcs2BE(r.id, r.idLength);
            auto semi = text.find(U';');
            if (semi != std::u32string::npos)
                text.resize(semi);
            name = enc::EncodeUtf8(text);
        } else {
            name.assign(reinterpret_cast<const char*>(r.id), r.idLength);
            auto semi = name.find(';');
            if (semi != std::string::npos)
                name.resize(semi);
            if (!(r.flags & 0x02) && !name.empty() && name.back() == '.')
                name.pop_back();
        }
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
            name.find('\0') != std::string::npos)
            Bad("an entry of the folder '" + where + "' has the name '" + name + "'");
        return name;
    }

    struct Sub {
        std::size_t index; // in the folder's children
        std::uint32_t lba, bytes;
    };

    // Reads a folder's records into `into`; returns where its subfolders lie.
    std::vector<Sub> ReadEntries(std::uint32_t lba, std::uint32_t bytes, Node& into, const std::string& where)
    {
        std::vector<Sub> subs;
        const std::vector<std::uint8_t> data = ReadExtent(lba, bytes, ("the folder '" + where + "'").c_str());
        std::size_t pos = 0;
        while (pos < bytes) {
            if (data[pos] == 0) {
                pos = (pos / S + 1) * S;
                continue;
            }
            Record r = ParseRecord(data, pos, bytes, "the folder '" + where + "'");
            pos += data[pos];
            if (r.idLength == 1 && (r.id[0] == 0 || r.id[0] == 1))
                continue;
            if (r.flags & 0x04)
                continue; // associated files
            if (r.flags & 0x80)
                Bad("the folder '" + where + "' holds a file of several extents, which is not read");
            RockRidge rr;
            if (names_ == NameKind::RockRidge) {
                int continuations = 0;
                if (skip_ <= r.systemUse.size())
                    ParseSystemUse(r.systemUse.subspan(skip_), rr, continuations);
                if (rr.relocated)
                    continue;
            }
            Node child;
            child.name = NameOf(r, rr, where);
            child.directory = (r.flags & 0x02) || rr.childLink;
            child.mtime = rr.mtime.value_or(r.mtime);
            child.extent = r.extent;
            if (++entries_ > kMaxEntries)
                Bad("the volume has more than " + std::to_string(kMaxEntries) + " entries");
            if (child.directory) {
                std::uint32_t dirLba = r.extent, dirBytes = r.length;
                if (rr.childLink) {
                    dirLba = *rr.childLink;
                    std::vector<std::uint8_t> first = ReadExtent(dirLba, S, "a moved folder");
                    dirBytes = ParseRecord(first, 0, S, "a moved folder").length;
                    child.extent = dirLba;
                }
                subs.push_back({into.children.size(), dirLba, dirBytes});
            } else {
                child.size = r.length;
                std::uint64_t sectors = (std::uint64_t(r.length) + S - 1) / S;
                if (r.length > 0 && (r.extent > available_ || sectors > available_ - r.extent))
                    Bad("the file '" + where + child.name + "' (sector " + std::to_string(r.extent) + ", " +
                        std::to_string(r.length) + " bytes) lies beyond the image's " + std::to_string(available_) +
                        " sectors");
            }
            into.children.push_back(std::move(child));
        }
        return subs;
    }

    void ReadDirectory(std::uint32_t lba, std::uint32_t bytes, Node& into, int depth, const std::string& where)
    {
        if (depth > kMaxDepth)
            Bad("folders nest deeper than " + std::to_string(kMaxDepth) + " levels at '" + where + "'");
        if (bytes == 0 || bytes > kMaxDirBytes)
            Bad("the folder '" + where + "' claims " + std::to_string(bytes) + " bytes");
        if (!visited_.insert(lba).second)
            Bad("the folder '" + where + "' (sector " + std::to_string(lba) + ") is reached twice: the folders loop");
        Spend(bytes);
        // The folder's own entries first; its subfolders once its bytes are released.
        const std::vector<Sub> subs = ReadEntries(lba, bytes, into, where);
        for (const Sub& sub : subs) {
            Node& child = into.children[sub.index];
            ReadDirectory(sub.lba, sub.bytes, child, depth + 1, where + child.name + "/");
        }
    }

    void Spend(std::uint64_t bytes)
    {
        if (bytes > kMaxMetadataBytes - spent_)
            Bad("its folders and continuation areas add up to more than " + std::to_string(kMaxMetadataBytes >> 20) + " MiB");
        spent_ += bytes;
    }

    SectorSource& source_;
    ReadOptions options_;
    std::uint64_t available_ = 0;
    std::uint8_t skip_ = 0;
    NameKind names_ = NameKind::Iso9660;
    std::set<std::uint32_t> visited_;
    std::uint64_t spent_ = 0;
    std::size_t entries_ = 0;
};

} // namespace

Volume Read(SectorSource& source, const ReadOptions& options)
{
    return VolumeReader(source, options).Read();
}

void ReadContents(SectorSource& source, const ReadOptions& options, const Node& file,
                  const std::function<void(std::span<const std::uint8_t>)>& out)
{
    if (file.directory)
        throw Error(ErrorCode::BadArgument, "'" + file.name + "' is a folder");
    std::uint64_t count = source.SectorCount();
    std::uint64_t available = count > options.startSector ? count - options.startSector : 0;
    std::uint64_t sectors = (file.size + S - 1) / S;
    if (file.extent > available || sectors > available - file.extent)
        Bad("the file '" + file.name + "' lies beyond the image's end");
    std::vector<std::uint8_t> buffer(32 * S);
    std::uint64_t left = file.size, at = options.startSector + file.extent;
    while (left > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        std::size_t whole = (n + S - 1) / S * S;
        source.ReadSectors(at, std::span<std::uint8_t>(buffer.data(), whole));
        out(std::span<const std::uint8_t>(buffer.data(), n));
        at += whole / S;
        left -= n;
    }
}

} // namespace iso9660
