#include "compilation/AdoptionSteps.h"

#include "compilation/VexoFile.h"
#include "compilation/VexoFolder.h"

namespace vexo {

com::ComPtr<VexoFolder> AdoptionSteps::MakeFolder() const { return VexoFolder::Make(VexoFolder::WithoutItem{}); }

com::ComPtr<VexoFile> AdoptionSteps::MakeFile() const { return VexoFile::Make(VexoFile::WithoutItem{}); }

const AdoptionSteps& AdoptionSteps::Default() noexcept {
    static const AdoptionSteps steps;
    return steps;
}

}  // namespace vexo
