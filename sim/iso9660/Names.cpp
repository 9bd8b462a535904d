#include "Names.h"
#include "Encoding.h"
#include "Error.h"
#include <set>

namespace iso9660::names {

namespace {

std::u32string Widen(std::string_view ascii) { return std::u32string(ascii.begin(), ascii.end()); }

char DChar(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return static_cast<char>(c - U'a' + U'A');
    if ((c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9') || c == U'_')
        return static_cast<char>(c);
    return '_';
}

char AChar(char32_t c)
{
    static const std::u32string_view extra = U" !\"%&'()*+,-./:;<=>?";
    char d = DChar(c);
    if (d == '_' && c != U'_' && extra.find(c) != std::u32string_view::npos)
        return static_cast<char>(c);
    return d;
}

std::string MapD(std::u32string_view text, std::size_t limit)
{
    std::string out;
    for (char32_t c : text) {
        if (out.size() == limit)
            break;
        out += DChar(c);
    }
    return out;
}

// Splits a file name at its last dot; a leading dot belongs to the name.
std::pair<std::u32string, std::u32string> SplitExtension(const std::u32string& name)
{
    auto dot = name.rfind(U'.');
    if (dot == std::u32string::npos || dot == 0)
        return {name, {}};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

std::u32string Decode(std::string_view name)
{
    auto text = enc::DecodeUtf8(name);
    return text ? *text : std::u32string();
}

} // namespace

void Check(std::string_view name)
{
    std::string quoted(1, '\'');
    quoted.append(name).push_back('\'');
    if (name.empty())
        throw Error(ErrorCode::BadTree, "a file or folder has an empty name");
    if (name == "." || name == "..")
        throw Error(ErrorCode::BadTree, "the name " + quoted + " is reserved for directory links");
    if (name.size() > 255)
        throw Error(ErrorCode::BadTree, "the name " + quoted + " is longer than 255 bytes");
    if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos)
        throw Error(ErrorCode::BadTree, "the name " + quoted + " contains '/', '\\' or a NUL character");
    if (!enc::DecodeUtf8(name))
        throw Error(ErrorCode::BadTree, "the name " + quoted + " is not valid UTF-8");
}

std::vector<std::string> IsoIdentifiers(const std::vector<Child>& children, NameLevel level)
{
    const bool l1 = level == NameLevel::Level1;
    struct Parts {
        std::string name, ext;
        bool directory, exact;
    };
    std::vector<Parts> parts;
    for (const Child& c : children) {
        std::u32string text = Decode(c.name);
        Parts p{{}, {}, c.directory, false};
        if (c.directory) {
            p.name = MapD(text, l1 ? 8 : 31);
            p.exact = Widen(p.name) == text;
        } else {
            auto [base, ext] = SplitExtension(text);
            p.ext = MapD(ext, l1 ? 3 : 10);
            p.name = MapD(base, l1 ? 8 : 30 - p.ext.size());
            if (p.name.empty() && p.ext.empty())
                p.name.assign(1, '_');
            p.exact = Widen(p.name) == base && Widen(p.ext) == ext;
        }
        parts.push_back(std::move(p));
    }
    // A file "A.;1" and a folder "A" read back alike: one set of keys for both.
    auto key = [](const Parts& p) { return p.ext.empty() ? p.name : p.name + "." + p.ext; };
    std::set<std::string> used;
    std::vector<bool> claimed(parts.size(), false);
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (parts[i].exact && used.insert(key(parts[i])).second)
            claimed[i] = true;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (claimed[i])
            continue;
        Parts& p = parts[i];
        if (used.insert(key(p)).second)
            continue;
        const std::size_t room = p.directory ? (l1 ? 8 : 31) : (l1 ? 8 : 30 - p.ext.size());
        const std::string base = p.name;
        for (unsigned n = 1;; ++n) {
            std::string suffix = std::to_string(n);
            if (suffix.size() >= room)
                throw Error(ErrorCode::BadTree, "too many names in one folder map to '" + base + "'");
            p.name = base.substr(0, std::min(base.size(), room - suffix.size())) + suffix;
            if (used.insert(key(p)).second)
                break;
        }
    }
    std::vector<std::string> out;
    for (const Parts& p : parts)
        out.push_back(p.directory ? p.name : p.name + "." + p.ext + ";1");
    return out;
}

std::vector<std::u32string> JolietNames(const std::vector<Child>& children)
{
    static const std::u32string_view forbidden = U"*/:;?\\";
    std::vector<std::u32string> out;
    std::vector<std::u32string> exts;
    std::set<std::u32string> used;
    std::vector<bool> claimed(children.size(), false);
    for (std::size_t i = 0; i < children.size(); ++i) {
        std::u32string original = Decode(children[i].name);
        std::u32string text;
        for (char32_t c : original)
            text += (c < 0x20 || c > 0xFFFF || forbidden.find(c) != std::u32string_view::npos) ? U'_' : c;
        std::u32string ext;
        if (!children[i].directory) {
            auto [base, e] = SplitExtension(text);
            if (!e.empty() && e.size() <= 16)
                ext = U"." + e;
        }
        if (text.size() > kJolietMaxChars)
            text = text.substr(0, kJolietMaxChars - ext.size()) + ext;
        if (text == original && used.insert(text).second)
            claimed[i] = true;
        out.push_back(text);
        exts.push_back(ext);
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (claimed[i] || used.insert(out[i]).second)
            continue;
        const std::u32string base = out[i].substr(0, out[i].size() - exts[i].size());
        for (unsigned n = 1;; ++n) {
            std::u32string suffix(1, U'~');
            suffix += Widen(std::to_string(n));
            std::size_t room = kJolietMaxChars - exts[i].size() - suffix.size();
            std::u32string candidate = base.substr(0, std::min(base.size(), room)) + suffix + exts[i];
            if (used.insert(candidate).second) {
                out[i] = candidate;
                break;
            }
        }
    }
    return out;
}

bool IdentifierLess(std::u32string_view a, std::u32string_view b)
{
    struct Split {
        std::u32string_view name, ext;
        unsigned version = 0;
    };
    auto split = [](std::u32string_view s) {
        Split r;
        auto semi = s.find(U';');
        if (semi != std::u32string_view::npos) {
            for (char32_t c : s.substr(semi + 1))
                if (c >= U'0' && c <= U'9' && r.version < 100000)
                    r.version = r.version * 10 + static_cast<unsigned>(c - U'0');
            s = s.substr(0, semi);
        }
        auto dot = s.rfind(U'.');
        if (dot != std::u32string_view::npos && dot != 0) {
            r.ext = s.substr(dot + 1);
            s = s.substr(0, dot);
        }
        r.name = s;
        return r;
    };
    auto padded = [](std::u32string_view x, std::u32string_view y) { // -1, 0, 1
        for (std::size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
            char32_t cx = i < x.size() ? x[i] : U' ', cy = i < y.size() ? y[i] : U' ';
            if (cx != cy)
                return cx < cy ? -1 : 1;
        }
        return 0;
    };
    Split sa = split(a), sb = split(b);
    if (int c = padded(sa.name, sb.name))
        return c < 0;
    if (int c = padded(sa.ext, sb.ext))
        return c < 0;
    return sa.version > sb.version;
}

std::string DescriptorText(std::string_view utf8, Charset set, std::size_t width)
{
    std::u32string text = Decode(utf8);
    std::string out;
    for (char32_t c : text) {
        if (out.size() == width)
            break;
        if (set == Charset::A)
            out += AChar(c);
        else if (set == Charset::File && (c == U'.' || c == U';'))
            out += static_cast<char>(c);
        else
            out += DChar(c);
    }
    out.resize(width, ' ');
    return out;
}

} // namespace iso9660::names
