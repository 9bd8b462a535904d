#include "VexoDrives.h"

#include <cstring>

#include "EngineRecords.h"
#include "VexoDrive.h"

namespace vexo {

using com::ComPtr;
namespace rec = EngineRecords;

VexoDrives::VexoDrives() { engine::EnsureInitialized(); }
VexoDrives::~VexoDrives() = default;

ComPtr<VexoDrives> VexoDrives::FromEngineList(const uint8_t* list, uint32_t count) {
    ComPtr<VexoDrives> drives = Make();
    if (!drives) return drives;
    try {
        size_t bytes = static_cast<size_t>(count) * rec::DriveEntry::Size;
        drives->entries_.assign(list + rec::DriveList::Entries, list + rec::DriveList::Entries + bytes);
        drives->slots_.resize(count);
    } catch (...) {
        drives.reset();
    }
    return drives;
}

STDMETHODIMP VexoDrives::Item(INT Index, IVexoDrive5** ppDrive) {
    if (!ppDrive) return E_POINTER;
    *ppDrive = nullptr;
    if (Index < 0 || static_cast<size_t>(Index) >= slots_.size()) return E_INVALIDARG;
    ComPtr<VexoDrive>& slot = slots_[static_cast<size_t>(Index)];
    if (!slot) {
        const uint8_t* entry = entries_.data() + static_cast<size_t>(Index) * rec::DriveEntry::Size;
        slot = VexoDrive::FromEntry(entry);
        if (!slot) return E_OUTOFMEMORY;
    }
    return slot->QueryInterface(IID_IVexoDrive5, reinterpret_cast<void**>(ppDrive));
}

STDMETHODIMP VexoDrives::get_Count(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = ElementCount();
    return S_OK;
}

STDMETHODIMP VexoDrives::get__NewEnum(IUnknown** ppEnum) { return NewEnum(ppEnum); }

HRESULT VexoDrives::ElementAt(LONG index, VARIANT* out) {
    IVexoDrive5* drive = nullptr;
    HRESULT hr = Item(index, &drive);
    if (FAILED(hr)) return hr;
    V_VT(out) = VT_DISPATCH;
    V_DISPATCH(out) = drive;
    return S_OK;
}

}  // namespace vexo
