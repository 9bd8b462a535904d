#include "modcd.h"

#include <windows.h>

namespace modcd {

std::string_view CdDriveTypeName(unsigned type) {
    switch (type) {
    case DriveRemovable: return "REMOVABLE DISK DRIVE";
    case DriveFixed: return "FIXED DISK DRIVE";
    case DriveRemote: return "REMOTE DRIVE";
    case DriveCdRom: return "CD DRIVE";
    case DriveRamDisk: return "RAMDISK DRIVE";
    default: return "UNRECOGNISED FILE TYPE";
    }
}

std::string DriveItem(std::string_view root, unsigned type) {
    std::string item(root.substr(0, 2));
    item += "      ";
    item += CdDriveTypeName(type);
    return item;
}

std::vector<std::string> SplitDriveStrings(std::string_view buffer) {
    std::vector<std::string> roots;
    std::size_t pos = 0;
    while (pos < buffer.size()) {
        std::size_t end = buffer.find('\0', pos);
        if (end == std::string_view::npos) end = buffer.size();
        if (end == pos) break;  // the empty string that ends the list
        roots.emplace_back(buffer.substr(pos, end - pos));
        pos = end + 1;
    }
    return roots;
}

uint16_t ListDrivesFrom(std::string_view buffer, const std::function<unsigned(const std::string&)>& typeOf,
                        std::vector<std::string>& list, unsigned typeFilter) {
    list.clear();
    uint16_t added = 0;
    for (const std::string& root : SplitDriveStrings(buffer)) {
        unsigned type = typeOf ? typeOf(root) : 0;
        if (typeFilter == 0 || type == typeFilter) {
            list.push_back(DriveItem(root, type));
            ++added;
        }
    }
    return added;
}

uint16_t ListLogicalDrives(std::vector<std::string>& list, unsigned typeFilter) {
    std::string buffer;
    // The drive set may change between the size query and the read; ask
    // again with the larger size until the roots fit.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD needed = GetLogicalDriveStringsA(0, nullptr);
        if (needed == 0) break;
        buffer.assign(needed + 1, '\0');
        DWORD got = GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (got == 0) {
            buffer.clear();
            break;
        }
        if (got < buffer.size()) {
            buffer.resize(got);
            break;
        }
        buffer.clear();
    }
    return ListDrivesFrom(buffer, [](const std::string& root) { return static_cast<unsigned>(GetDriveTypeA(root.c_str())); },
                          list, typeFilter);
}

}  // namespace modcd
