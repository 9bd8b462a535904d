#include "Layout.h"
#include "Encoding.h"
#include "Error.h"
#include "Names.h"
#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <set>

namespace iso9660::layout {

namespace {

constexpr std::uint32_t S = kSectorBytes;
constexpr int kMaxDepthPlain = 8;       // levels of folders, the root being 1
constexpr int kMaxDepthRockRidge = 255;
constexpr std::uint32_t kCeBytes = 28;
constexpr std::uint32_t kMaxRecord = 254; // records are even and at most 255 bytes

std::uint64_t SectorsFor(std::uint64_t bytes) { return (bytes + S - 1) / S; }

using Bytes = std::vector<std::uint8_t>;

Bytes Ascii(std::string_view s) { return Bytes(s.begin(), s.end()); }

// --- Rock Ridge entries --------------------------------------------------

const std::string_view kRrId = "RRIP_1991A";
const std::string_view kRrText = "THE ROCK RIDGE INTERCHANGE PROTOCOL PROVIDES SUPPORT FOR POSIX FILE SYSTEM SEMANTICS";
const std::string_view kRrSource = "SEE THE PUBLISHER IDENTIFIER IN THE PRIMARY VOLUME DESCRIPTOR FOR CONTACT INFORMATION";

Bytes EntrySP() { return {'S', 'P', 7, 1, 0xBE, 0xEF, 0}; }

Bytes EntryER()
{
    Bytes e{'E', 'R', 0, 1, static_cast<std::uint8_t>(kRrId.size()), static_cast<std::uint8_t>(kRrText.size()),
            static_cast<std::uint8_t>(kRrSource.size()), 1};
    for (auto part : {kRrId, kRrText, kRrSource})
        e.insert(e.end(), part.begin(), part.end());
    e[2] = static_cast<std::uint8_t>(e.size());
    return e;
}

Bytes EntryPX(const Node& n)
{
    Bytes e(36, 0);
    e[0] = 'P'; e[1] = 'X'; e[2] = 36; e[3] = 1;
    std::uint32_t links = 1;
    if (n.directory) {
        links = 2;
        for (const Node& c : n.children)
            links += c.directory ? 1 : 0;
    }
    enc::PutBoth32(&e[4], n.directory ? 040755 : 0100644);
    enc::PutBoth32(&e[12], links);
    return e; // owner and group 0
}

Bytes EntryTF(const Node& n)
{
    Bytes e(5 + 2 * 7, 0);
    e[0] = 'T'; e[1] = 'F'; e[2] = static_cast<std::uint8_t>(e.size()); e[3] = 1;
    e[4] = 0x06; // modification and access times
    enc::PutShortDate(&e[5], n.mtime);
    enc::PutShortDate(&e[12], n.mtime);
    return e;
}

std::vector<Bytes> EntriesNM(std::string_view name)
{
    std::vector<Bytes> out;
    constexpr std::size_t piece = 250;
    for (std::size_t at = 0; at < name.size(); at += piece) {
        std::size_t n = std::min(piece, name.size() - at);
        Bytes e{'N', 'M', static_cast<std::uint8_t>(5 + n), 1, static_cast<std::uint8_t>(at + n < name.size() ? 1 : 0)};
        e.insert(e.end(), name.begin() + at, name.begin() + at + n);
        out.push_back(std::move(e));
    }
    return out;
}

// Puts the record's entries in the record while they fit, the rest in a
// continuation area, and sets the record's length.
void PlaceSystemUse(Record& r, const std::vector<Bytes>& entries)
{
    const std::uint32_t base = 33 + static_cast<std::uint32_t>(r.id.size()) + (r.id.size() % 2 == 0 ? 1 : 0);
    std::uint32_t total = 0;
    for (const Bytes& e : entries)
        total += static_cast<std::uint32_t>(e.size());
    if (base + total <= kMaxRecord) {
        for (const Bytes& e : entries)
            r.suInline.insert(r.suInline.end(), e.begin(), e.end());
    } else {
        bool spilled = false;
        for (const Bytes& e : entries) {
            if (!spilled && base + r.suInline.size() + e.size() + kCeBytes <= kMaxRecord)
                r.suInline.insert(r.suInline.end(), e.begin(), e.end());
            else {
                spilled = true;
                r.suContinued.insert(r.suContinued.end(), e.begin(), e.end());
            }
        }
    }
    r.length = base + static_cast<std::uint32_t>(r.suInline.size()) + (r.suContinued.empty() ? 0 : kCeBytes);
    r.length += r.length % 2;
}

// --- the two trees ---------------------------------------------------------

struct Builder {
    const WriterOptions& options;
    Plan& plan;
    std::map<const Node*, FileExtent*> extents;

    void Build(Tree& tree, const Node& root, bool joliet)
    {
        auto rootDir = std::make_unique<Dir>();
        rootDir->node = &root;
        rootDir->id = {0};
        std::deque<std::pair<Dir*, std::string>> queue{{rootDir.get(), ""}};
        tree.dirs.push_back(std::move(rootDir));
        while (!queue.empty()) {
            auto [dir, path] = queue.front();
            queue.pop_front();
            Fill(tree, *dir, path, joliet, queue);
        }
        for (auto& d : tree.dirs) {
            tree.pathTableBytes += 8 + static_cast<std::uint32_t>(d->id.size() + d->id.size() % 2);
            std::uint32_t at = 0, sectors = 1;
            for (const Record& r : d->records) {
                if (at + r.length > S) {
                    ++sectors;
                    at = 0;
                }
                at += r.length;
            }
            d->bytes = sectors * S;
        }
    }

    void Fill(Tree& tree, Dir& dir, const std::string& path, bool joliet,
              std::deque<std::pair<Dir*, std::string>>& queue)
    {
        const Node& node = *dir.node;
        const bool rr = options.rockRidge && !joliet;
        std::vector<names::Child> children;
        std::set<std::string_view> seen;
        for (const Node& c : node.children) {
            if (!joliet) {
                names::Check(c.name);
                if (!seen.insert(c.name).second)
                    throw Error(ErrorCode::BadTree, "the folder '" + path + "/' holds two entries named '" + c.name + "'");
                if (!c.directory && c.size > 0xFFFFFFFFull)
                    throw Error(ErrorCode::TooLarge, "the file '" + path + "/" + c.name + "' has " +
                                                         std::to_string(c.size) +
                                                         " bytes; files of 4 GiB or more are not written");
                if (!c.directory && !c.children.empty())
                    throw Error(ErrorCode::BadTree, "the file '" + path + "/" + c.name + "' has children");
            }
            children.push_back({c.name, c.directory});
        }

        std::vector<std::u32string> sortKeys;
        std::vector<Bytes> ids;
        if (joliet) {
            auto jn = names::JolietNames(children);
            for (std::size_t i = 0; i < jn.size(); ++i) {
                std::u32string onDisc = jn[i] + (children[i].directory ? U"" : U";1");
                ids.push_back(enc::ToUcs2BE(onDisc));
                sortKeys.push_back(onDisc);
            }
        } else {
            for (const std::string& id : names::IsoIdentifiers(children, options.level)) {
                ids.push_back(Ascii(id));
                sortKeys.emplace_back(id.begin(), id.end());
            }
        }
        std::vector<std::size_t> order(children.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return names::IdentifierLess(sortKeys[a], sortKeys[b]); });

        Dir* parent = dir.parent ? dir.parent : &dir;
        Record dot, dotdot;
        dot.kind = Record::Kind::Dot;
        dot.id = {0};
        dot.node = &node;
        dot.dir = &dir;
        dotdot.kind = Record::Kind::DotDot;
        dotdot.id = {1};
        dotdot.node = parent->node;
        dotdot.dir = parent;
        dir.records.push_back(std::move(dot));
        dir.records.push_back(std::move(dotdot));

        for (std::size_t i : order) {
            const Node& c = node.children[i];
            Record r;
            r.id = ids[i];
            r.node = &c;
            std::string childPath = path + "/" + c.name;
            if (c.directory) {
                auto sub = std::make_unique<Dir>();
                sub->node = &c;
                sub->parent = &dir;
                sub->depth = dir.depth + 1;
                sub->id = ids[i];
                int limit = options.rockRidge ? kMaxDepthRockRidge : kMaxDepthPlain;
                if (sub->depth > limit)
                    throw Error(ErrorCode::BadTree,
                                "the folder '" + childPath + "' lies " + std::to_string(sub->depth) +
                                    " levels deep; at most " + std::to_string(limit) + " are written" +
                                    (options.rockRidge ? "" : " without Rock Ridge"));
                if (tree.dirs.size() >= 0xFFFF)
                    throw Error(ErrorCode::TooLarge, "more than 65535 folders");
                sub->number = static_cast<std::uint16_t>(tree.dirs.size() + 1);
                r.dir = sub.get();
                queue.emplace_back(sub.get(), childPath);
                tree.dirs.push_back(std::move(sub));
            } else {
                auto found = extents.find(&c);
                if (found == extents.end()) {
                    auto fe = std::make_unique<FileExtent>();
                    fe->node = &c;
                    fe->path = childPath;
                    found = extents.emplace(&c, fe.get()).first;
                    plan.files.push_back(std::move(fe));
                }
                r.file = found->second;
            }
            dir.records.push_back(std::move(r));
        }

        for (Record& r : dir.records) {
            std::vector<Bytes> entries;
            if (rr) {
                const bool rootDot = r.kind == Record::Kind::Dot && dir.parent == nullptr;
                if (rootDot)
                    entries.push_back(EntrySP());
                entries.push_back(EntryPX(*r.node));
                entries.push_back(EntryTF(*r.node));
                if (r.kind == Record::Kind::Child)
                    for (Bytes& e : EntriesNM(r.node->name))
                        entries.push_back(std::move(e));
                if (rootDot)
                    entries.push_back(EntryER());
            }
            PlaceSystemUse(r, entries);
        }
    }
};

// --- metadata sectors --------------------------------------------------

void PutText(std::uint8_t* p, std::string_view utf8, names::Charset set, std::size_t width, bool joliet)
{
    if (!joliet) {
        std::string t = names::DescriptorText(utf8, set, width);
        std::memcpy(p, t.data(), width);
        return;
    }
    auto text = enc::DecodeUtf8(utf8).value_or(std::u32string());
    if (text.size() > width / 2)
        text.resize(width / 2);
    Bytes ucs = enc::ToUcs2BE(text);
    for (std::size_t i = 0; i < width; ++i)
        p[i] = i < ucs.size() ? ucs[i] : (i % 2 ? 0x20 : 0x00);
}

void PutRecord(std::uint8_t* p, const Record& r)
{
    p[0] = static_cast<std::uint8_t>(r.length);
    if (r.dir) {
        enc::PutBoth32(p + 2, r.dir->lba);
        enc::PutBoth32(p + 10, r.dir->bytes);
    } else {
        enc::PutBoth32(p + 2, r.file->lba);
        enc::PutBoth32(p + 10, static_cast<std::uint32_t>(r.node->size));
    }
    enc::PutShortDate(p + 18, r.node->mtime);
    p[25] = r.dir ? 0x02 : 0x00;
    enc::PutBoth16(p + 28, 1);
    p[32] = static_cast<std::uint8_t>(r.id.size());
    std::memcpy(p + 33, r.id.data(), r.id.size());
    std::uint8_t* q = p + 33 + r.id.size() + (r.id.size() % 2 == 0 ? 1 : 0);
    if (!r.suInline.empty())
        std::memcpy(q, r.suInline.data(), r.suInline.size());
    q += r.suInline.size();
    if (!r.suContinued.empty()) {
        q[0] = 'C'; q[1] = 'E'; q[2] = kCeBytes; q[3] = 1;
        enc::PutBoth32(q + 4, r.ceLba);
        enc::PutBoth32(q + 12, r.ceOffset);
        enc::PutBoth32(q + 20, static_cast<std::uint32_t>(r.suContinued.size()));
    }
}

void PutDescriptor(std::uint8_t* p, const Plan& plan, const Tree& tree, bool joliet)
{
    const WriterOptions& o = plan.options;
    using names::Charset;
    p[0] = joliet ? 2 : 1;
    std::memcpy(p + 1, "CD001", 5);
    p[6] = 1;
    PutText(p + 8, o.systemId, Charset::A, 32, joliet);
    PutText(p + 40, o.volumeName, Charset::D, 32, joliet);
    enc::PutBoth32(p + 80, plan.totalSectors);
    if (joliet) {
        p[88] = 0x25; p[89] = 0x2F; p[90] = 0x45; // UCS-2 level 3
    }
    enc::PutBoth16(p + 120, 1);
    enc::PutBoth16(p + 124, 1);
    enc::PutBoth16(p + 128, static_cast<std::uint16_t>(S));
    enc::PutBoth32(p + 132, tree.pathTableBytes);
    enc::PutLE32(p + 140, tree.lPathLba);
    enc::PutBE32(p + 148, tree.mPathLba);
    Record root;
    root.id = {0};
    root.node = tree.dirs[0]->node;
    root.dir = tree.dirs[0].get();
    root.length = 34;
    PutRecord(p + 156, root);
    PutText(p + 190, o.volumeSet, Charset::D, 128, joliet);
    PutText(p + 318, o.publisher, Charset::A, 128, joliet);
    PutText(p + 446, o.dataPreparer, Charset::A, 128, joliet);
    PutText(p + 574, o.application, Charset::A, 128, joliet);
    PutText(p + 702, o.copyrightFile, Charset::File, 37, joliet);
    PutText(p + 739, o.abstractFile, Charset::File, 37, joliet);
    PutText(p + 776, o.bibliographicFile, Charset::File, 37, joliet);
    enc::PutLongDate(p + 813, plan.volumeTime);
    enc::PutLongDate(p + 830, plan.volumeTime);
    enc::PutLongDate(p + 847, std::nullopt);
    enc::PutLongDate(p + 864, std::nullopt);
    p[881] = 1;
}

void PutPathTable(std::uint8_t* p, const Tree& tree, bool bigEndian)
{
    for (const auto& d : tree.dirs) {
        p[0] = static_cast<std::uint8_t>(d->id.size());
        std::uint16_t parent = d->parent ? d->parent->number : 1;
        if (bigEndian) {
            enc::PutBE32(p + 2, d->lba);
            enc::PutBE16(p + 6, parent);
        } else {
            enc::PutLE32(p + 2, d->lba);
            enc::PutLE16(p + 6, parent);
        }
        std::memcpy(p + 8, d->id.data(), d->id.size());
        p += 8 + d->id.size() + d->id.size() % 2;
    }
}

// `image` holds the sectors from `first` on.
void PutDirectories(std::uint8_t* image, std::uint32_t first, const Tree& tree)
{
    for (const auto& d : tree.dirs) {
        std::uint8_t* base = image + static_cast<std::size_t>(d->lba - first) * S;
        std::uint32_t at = 0;
        for (const Record& r : d->records) {
            if (at % S + r.length > S)
                at += S - at % S;
            PutRecord(base + at, r);
            if (!r.suContinued.empty())
                std::memcpy(image + static_cast<std::size_t>(r.ceLba - first) * S + r.ceOffset, r.suContinued.data(),
                            r.suContinued.size());
            at += r.length;
        }
    }
}

} // namespace

namespace {

// The checks and both trees of a plan; nothing placed yet.
Plan Prepare(const Node& root, const WriterOptions& options)
{
    if (!root.directory)
        throw Error(ErrorCode::BadTree, "the root of an image must be a folder");
    const std::pair<const char*, const std::string*> texts[] = {
        {"volume name", &options.volumeName},     {"system identifier", &options.systemId},
        {"volume set", &options.volumeSet},        {"publisher", &options.publisher},
        {"data preparer", &options.dataPreparer},  {"application", &options.application},
        {"copyright file", &options.copyrightFile}, {"abstract file", &options.abstractFile},
        {"bibliographic file", &options.bibliographicFile}};
    for (const auto& [what, text] : texts)
        if (!enc::DecodeUtf8(*text))
            throw Error(ErrorCode::BadArgument, std::string("the ") + what + " is not valid UTF-8");
    Plan plan;
    plan.options = options;
    plan.volumeTime = options.volumeTime
                          ? *options.volumeTime
                          : std::chrono::duration_cast<std::chrono::seconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
    Builder builder{options, plan, {}};
    builder.Build(plan.iso, root, false);
    if (options.joliet)
        builder.Build(plan.joliet, root, true);
    for (auto& f : plan.files)
        f->sectors = static_cast<std::uint32_t>(SectorsFor(f->node->size));
    return plan;
}

// Places the path tables, the folders and the Rock Ridge continuation areas
// from `lba` on; returns the sector after them.
std::uint64_t PlaceDirectories(Plan& plan, std::uint64_t lba)
{
    const WriterOptions& options = plan.options;
    auto placePathTables = [&](Tree& t) {
        std::uint64_t n = SectorsFor(t.pathTableBytes);
        t.lPathLba = static_cast<std::uint32_t>(lba);
        t.mPathLba = static_cast<std::uint32_t>(lba + n);
        lba += 2 * n;
    };
    auto placeDirs = [&](Tree& t) {
        for (auto& d : t.dirs) {
            if (lba > 0xFFFFFFFFull)
                throw Error(ErrorCode::TooLarge, "the image's folders do not fit 2^32 sectors");
            d->lba = static_cast<std::uint32_t>(lba);
            lba += d->bytes / S;
        }
    };
    placePathTables(plan.iso);
    if (options.joliet)
        placePathTables(plan.joliet);
    placeDirs(plan.iso);
    // Continuation areas, packed into sectors of their own after the folders.
    std::uint64_t ceSector = lba;
    std::uint32_t ceAt = 0;
    bool anyCe = false;
    for (auto& d : plan.iso.dirs)
        for (Record& r : d->records) {
            if (r.suContinued.empty())
                continue;
            if (ceAt + r.suContinued.size() > S) {
                ++ceSector;
                ceAt = 0;
            }
            anyCe = true;
            r.ceLba = static_cast<std::uint32_t>(ceSector);
            r.ceOffset = ceAt;
            ceAt += static_cast<std::uint32_t>(r.suContinued.size());
        }
    if (anyCe)
        lba = ceSector + 1;
    if (options.joliet)
        placeDirs(plan.joliet);
    if (lba > 0xFFFFFFFFull)
        throw Error(ErrorCode::TooLarge, "the image's folders do not fit 2^32 sectors");
    return lba;
}

std::uint32_t DescriptorSectors(const WriterOptions& options) { return 1 + (options.joliet ? 1 : 0) + 1; }

} // namespace

Plan MakePlan(const Node& root, const WriterOptions& options)
{
    Plan plan = Prepare(root, options);
    std::uint64_t lba = PlaceDirectories(plan, 16 + DescriptorSectors(options));
    plan.metadataSectors = static_cast<std::uint32_t>(lba);
    for (auto& f : plan.files) {
        f->lba = f->sectors ? static_cast<std::uint32_t>(lba) : 0;
        lba += f->sectors;
        if (lba > 0xFFFFFFFFull)
            throw Error(ErrorCode::TooLarge, "the image would have 2^32 sectors or more");
    }
    plan.totalSectors = static_cast<std::uint32_t>(lba);
    return plan;
}

Plan MakeFilesFirstPlan(const Node& root, const WriterOptions& options, std::uint32_t tailStart)
{
    if (tailStart < kFilesFirstSector)
        throw Error(ErrorCode::BadArgument, "the folders cannot start before sector " + std::to_string(kFilesFirstSector));
    Plan plan = Prepare(root, options);
    for (auto& f : plan.files) {
        const std::uint64_t end = std::uint64_t(f->node->extent) + f->sectors;
        if (f->node->extent < kFilesFirstSector || end > tailStart)
            throw Error(ErrorCode::BadArgument, "the file '" + f->path + "' lies at sector " +
                                                    std::to_string(f->node->extent) + ", outside the file area " +
                                                    std::to_string(kFilesFirstSector) + ".." + std::to_string(tailStart));
        f->lba = f->node->extent;
    }
    plan.metadataSectors = kFilesFirstSector;
    plan.tailStart = tailStart;
    plan.totalSectors = static_cast<std::uint32_t>(PlaceDirectories(plan, tailStart));
    return plan;
}

void PutMetadata(const Plan& plan, std::uint32_t first, std::span<std::uint8_t> out)
{
    const std::uint64_t count = out.size() / S;
    // The sector's bytes when it lies in `out`, else null.
    auto at = [&](std::uint64_t lba) -> std::uint8_t* {
        return lba >= first && lba < first + count ? out.data() + (lba - first) * S : nullptr;
    };
    std::uint32_t vd = 16;
    if (auto* p = at(vd++))
        PutDescriptor(p, plan, plan.iso, false);
    if (plan.options.joliet)
        if (auto* p = at(vd++))
            PutDescriptor(p, plan, plan.joliet, true);
    if (auto* p = at(vd)) {
        p[0] = 255;
        std::memcpy(p + 1, "CD001", 5);
        p[6] = 1;
    }
    for (const Tree* t : {&plan.iso, &plan.joliet}) {
        if (t->dirs.empty())
            continue;
        if (auto* p = at(t->lPathLba))
            PutPathTable(p, *t, false);
        if (auto* p = at(t->mPathLba))
            PutPathTable(p, *t, true);
        if (at(t->dirs.front()->lba))
            PutDirectories(out.data(), first, *t);
    }
}

std::vector<std::uint8_t> Metadata(const Plan& plan)
{
    std::vector<std::uint8_t> image(static_cast<std::size_t>(plan.metadataSectors) * S, 0);
    PutMetadata(plan, 0, image);
    return image;
}

} // namespace iso9660::layout
