// What a drive handle reads from: the virtual drive's CUE/BIN image or a
// real CD-ROM device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "DiscImage.h"

namespace akrip {

class Medium {
public:
    virtual ~Medium() = default;
    // Looks at the disc again (a new image or disc is seen). False when
    // there is no readable disc; *why says what is wrong.
    virtual bool Load(std::string* why) = 0;
    // The disc as last loaded; nullptr when Load failed or never ran.
    virtual const DiscLayout* Layout() const = 0;
    // Reads count raw frames from lba into out (count * 2352 bytes).
    virtual bool Read(uint32_t lba, uint32_t count, uint8_t* out, std::string* why) = 0;
};

// root: "D:\\". The image is the first *.cue (by name) in the root folder.
std::unique_ptr<Medium> MakeVirtualMedium(const std::string& root);

// letter: 'E'. Opens \\.\E:; nullptr when the device cannot be opened.
std::unique_ptr<Medium> MakeRealMedium(char letter, std::string* why);

// Vendor, product and revision of a real drive, as far as the device says.
struct DriveIdentity {
    std::string vendor, product, revision;
};
DriveIdentity QueryRealIdentity(char letter);

}  // namespace akrip
