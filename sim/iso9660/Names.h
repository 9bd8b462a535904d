// Names on disc: checking the tree's names, the ISO 9660 identifiers and
// Joliet names made from them (unique within each folder), the order of
// directory records, and the volume descriptor texts.
#pragma once
#include "Writer.h"
#include <string>
#include <string_view>
#include <vector>

namespace iso9660::names {

// Throws Error(BadTree) for a name that cannot stand on disc: empty, "." or
// "..", '/', '\\' or NUL in it, not UTF-8, longer than 255 bytes.
void Check(std::string_view name);

struct Child {
    std::string_view name; // UTF-8, already checked
    bool directory;
};

// The ISO 9660 identifiers of a folder's children, in the same order:
// d-characters, "NAME.EXT;1" for files, "NAME" for folders, within the
// level's lengths. A child whose name already fits keeps it; the others are
// mapped, cut and numbered until unique.
std::vector<std::string> IsoIdentifiers(const std::vector<Child>& children, NameLevel level);

// The Joliet names of a folder's children (without the ";1" files get on
// disc): at most 64 UCS-2 characters, the characters Joliet forbids and
// those outside the basic plane replaced by '_', cut names keep their
// extension and are numbered until unique.
std::vector<std::u32string> JolietNames(const std::vector<Child>& children);
inline constexpr std::size_t kJolietMaxChars = 64;

// Directory record order: the name part (before the last dot) compared with
// spaces padding the shorter one, then the extension, then the version,
// higher first. Works on ISO identifiers and on Joliet names alike.
bool IdentifierLess(std::u32string_view a, std::u32string_view b);

// Descriptor texts: upper case, characters outside the field's set become
// '_', cut to `width` and padded with spaces.
enum class Charset { A, D, File };
std::string DescriptorText(std::string_view utf8, Charset set, std::size_t width);

} // namespace iso9660::names
