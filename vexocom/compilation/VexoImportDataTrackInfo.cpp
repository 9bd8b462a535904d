#include "compilation/VexoImportDataTrackInfo.h"

#include "EngineMemory.h"
#include "com/Bstr.h"

namespace vexo {

namespace result = EngineRecords::ImportResult;

VexoImportDataTrackInfo::VexoImportDataTrackInfo() noexcept {
    EngineRecords::WriteU32(record_, result::StructSize, static_cast<uint32_t>(result::Size));
}

VexoImportDataTrackInfo::~VexoImportDataTrackInfo() {
    const EngineBinding::EngineMemory name(EngineRecords::ReadPointerAs<void>(record_, result::VolumeName));
}

STDMETHODIMP VexoImportDataTrackInfo::get_VolumeName(BSTR* out) {
    return com::ReturnAnsi(EngineRecords::ReadPointerAs<const char>(record_, result::VolumeName), out);
}

}  // namespace vexo
