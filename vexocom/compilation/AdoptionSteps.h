// AdoptionSteps: how an adoption of an engine item tree makes the objects
// that take the items (folders and files without items of their own). The
// default makes plain objects; another set of steps may refuse some.
#pragma once

#include "com/ComPtr.h"

namespace vexo {

class VexoFile;
class VexoFolder;

class AdoptionSteps {
public:
    virtual ~AdoptionSteps() = default;
    // A new object without an item, or null when none could be made.
    virtual com::ComPtr<VexoFolder> MakeFolder() const;
    virtual com::ComPtr<VexoFile> MakeFile() const;

    static const AdoptionSteps& Default() noexcept;
};

}  // namespace vexo
