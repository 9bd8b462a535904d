#include "drives/VexoDrives.h"

#include <cstring>

#include "EngineRecords.h"
#include "drives/VexoDrive.h"

namespace vexo {

using com::ComPtr;
namespace rec = EngineRecords;

VexoDrives::VexoDrives() : slots_(rec::DriveEntry::Size) { engine::EnsureInitialized(); }
VexoDrives::~VexoDrives() = default;

ComPtr<VexoDrives> VexoDrives::FromEngineList(const uint8_t* list, uint32_t count) {
    ComPtr<VexoDrives> drives = Make();
    if (!drives) return drives;
    try {
        const uint8_t* first = list + rec::DriveList::Entries;
        std::vector<uint8_t> entries(first, first + static_cast<size_t>(count) * rec::DriveEntry::Size);
        if (!drives->slots_.Assign(std::move(entries), count)) drives.reset();
    } catch (...) {
        drives.reset();
    }
    return drives;
}

STDMETHODIMP VexoDrives::Item(INT Index, IVexoDrive5** ppDrive) {
    if (!ppDrive) return E_POINTER;
    return slots_.Get(Index, IID_IVexoDrive5, reinterpret_cast<void**>(ppDrive),
                      [](const uint8_t* entry, size_t) { return VexoDrive::FromEntry(entry); });
}

STDMETHODIMP VexoDrives::get_Count(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = ElementCount();
    return S_OK;
}

STDMETHODIMP VexoDrives::get__NewEnum(IUnknown** ppEnum) { return NewEnum(ppEnum); }

HRESULT VexoDrives::ElementAt(LONG index, VARIANT* out) {
    return com::DispatchElement<IVexoDrive5>([this](LONG i, IVexoDrive5** d) { return Item(i, d); }, index, out);
}

}  // namespace vexo
