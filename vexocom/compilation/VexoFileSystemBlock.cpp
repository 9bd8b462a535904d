#include "compilation/VexoFileSystemBlock.h"

#include <cstring>
#include <limits>
#include <utility>

#include "EngineRecords.h"
#include "com/Variant.h"
#include "compilation/VexoFSPartitionInfo.h"
#include "compilation/VexoFSSecNo.h"
#include "drives/VexoDrive.h"

namespace vexo {

namespace rec = EngineRecords;

namespace {

// The largest buffer a single read or write moves: what one array of
// signed bytes can hold.
constexpr uint64_t kMaxTransferBytes = static_cast<uint64_t>(std::numeric_limits<LONG>::max());

}  // namespace

HRESULT ReadSecNo(IVexoFSSecNo* number, uint64_t& value) noexcept {
    value = 0;
    if (!number) return E_POINTER;
    LONG hi = 0, lo = 0;
    if (HRESULT hr = number->get_HiPart(&hi); FAILED(hr)) return hr;
    if (HRESULT hr = number->get_LoPart(&lo); FAILED(hr)) return hr;
    value = (static_cast<uint64_t>(static_cast<uint32_t>(hi)) << 32) | static_cast<uint32_t>(lo);
    return S_OK;
}

HRESULT StoreSecNo(IVexoFSSecNo** number, uint64_t value) noexcept {
    if (!number) return E_POINTER;
    if (!*number) {
        com::ComPtr<VexoFSSecNo> made = VexoFSSecNo::FromValue(value);
        if (!made) return E_OUTOFMEMORY;
        *number = made.Detach();
        return S_OK;
    }
    if (HRESULT hr = (*number)->put_HiPart(static_cast<LONG>(value >> 32)); FAILED(hr)) return hr;
    return (*number)->put_LoPart(static_cast<LONG>(static_cast<uint32_t>(value)));
}

VexoFileSystemBlock::VexoFileSystemBlock(EngineBinding::BlockAccess access, VexoDrive* drive, bool writable) noexcept
    : drive_(drive ? drive->Identity() : nullptr), access_(std::move(access)), writable_(writable) {}

VexoFileSystemBlock::~VexoFileSystemBlock() {
    // The engine object goes first, while the drive (and its device) and
    // the engine are still there.
    access_.reset();
    drive_.reset();
}

bool VexoFileSystemBlock::OneSectorSize(uint64_t first, uint64_t sectors, uint32_t sectorSize) const noexcept {
    const int32_t partitions = access_.PartitionCount();
    for (int32_t i = 0; i < partitions; ++i) {
        const uint8_t* record = access_.PartitionByIndex(i);
        if (!record) continue;
        const rec::ConstBytes r(record, rec::PartitionRecord::Size);
        const uint64_t start = rec::ReadU64(r, rec::PartitionRecord::Start);
        const uint64_t size = rec::ReadU64(r, rec::PartitionRecord::Sectors);
        const bool overlaps = start < first + sectors && first < start + size;
        if (overlaps && rec::ReadU32(r, rec::PartitionRecord::SectorSize) != sectorSize) return false;
    }
    return true;
}

uint32_t VexoFileSystemBlock::SectorSizeAt(uint64_t sector) const noexcept {
    const uint8_t* record = access_.PartitionForSector(sector);
    if (!record) return 0;
    return rec::ReadU32(rec::ConstBytes(record, rec::PartitionRecord::Size), rec::PartitionRecord::SectorSize);
}

STDMETHODIMP VexoFileSystemBlock::get_PartitionCount(INT* out) {
    if (!out) return E_POINTER;
    *out = access_.PartitionCount();
    return S_OK;
}

STDMETHODIMP VexoFileSystemBlock::get_PartitionInfo(INT index, IVexoFSPartitionInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return VexoFSPartitionInfo::Answer(access_.PartitionByIndex(index), out);
}

STDMETHODIMP VexoFileSystemBlock::get_PartitionInfoForSector(IVexoFSSecNo* sector, IVexoFSPartitionInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    uint64_t at = 0;
    if (HRESULT hr = ReadSecNo(sector, at); FAILED(hr)) return hr;
    return VexoFSPartitionInfo::Answer(access_.PartitionForSector(at), out);
}

STDMETHODIMP VexoFileSystemBlock::ReadSectorsBuffered(VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                                      IVexoFSSecNo** read, VexoFSError* error) {
    return Read(true, buffer, start, count, read, error);
}

STDMETHODIMP VexoFileSystemBlock::ReadSectorsUnBuffered(VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                                        IVexoFSSecNo** read, VexoFSError* error) {
    return Read(false, buffer, start, count, read, error);
}

STDMETHODIMP VexoFileSystemBlock::WriteSectorsBuffered(VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                                       IVexoFSSecNo** written, VexoFSError* error) {
    return Write(true, buffer, start, count, written, error);
}

STDMETHODIMP VexoFileSystemBlock::WriteSectorsUnBuffered(VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                                         IVexoFSSecNo** written, VexoFSError* error) {
    return Write(false, buffer, start, count, written, error);
}

STDMETHODIMP VexoFileSystemBlock::FlushSectorCache() {
    if (!writable_) return E_FAIL;
    access_.Flush();
    return S_OK;
}

HRESULT VexoFileSystemBlock::Read(bool buffered, VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                  IVexoFSSecNo** read, VexoFSError* error) {
    if (!buffer || !start || !count || !read || !error) return E_POINTER;
    ::VariantClear(buffer);
    uint64_t first = 0, sectors = 0;
    if (HRESULT hr = ReadSecNo(start, first); FAILED(hr)) return hr;
    if (HRESULT hr = ReadSecNo(count, sectors); FAILED(hr)) return hr;
    const uint32_t sectorSize = SectorSizeAt(first);
    if (sectorSize == 0 || sectors == 0) return E_INVALIDARG;
    // The byte count in 64 bits: a count that the array could not hold is
    // refused rather than cut, and so is a range reaching into a partition
    // of another sector size, whose sectors the array was not sized for.
    if (sectors > kMaxTransferBytes / sectorSize) return E_INVALIDARG;
    if (!OneSectorSize(first, sectors, sectorSize)) return E_INVALIDARG;
    const uint64_t bytes = sectors * sectorSize;

    com::SafeArray array(::SafeArrayCreateVector(VT_I1, 0, static_cast<ULONG>(bytes)));
    if (!array) return E_OUTOFMEMORY;
    uint64_t done = 0;
    int32_t result = 0;
    {
        com::SafeArrayData data(array.get());
        if (!data) return E_OUTOFMEMORY;
        result = access_.Read(buffered, data.data(), first, sectors, &done);
    }
    if (done > sectors) done = sectors;
    if (HRESULT hr = StoreSecNo(read, done); FAILED(hr)) return hr;
    V_VT(buffer) = VT_ARRAY | VT_I1;
    V_ARRAY(buffer) = array.Detach();
    *error = static_cast<VexoFSError>(result);
    return S_OK;
}

HRESULT VexoFileSystemBlock::Write(bool buffered, VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                   IVexoFSSecNo** written, VexoFSError* error) {
    if (!buffer || !start || !count || !written || !error) return E_POINTER;
    if (!writable_) return E_FAIL;
    com::Variant copy;
    if (FAILED(::VariantCopyInd(copy.get(), buffer))) return E_OUTOFMEMORY;
    if (V_VT(copy.get()) != (VT_ARRAY | VT_I1) || !V_ARRAY(copy.get())) return Fail(kErrParameterType);
    uint64_t first = 0, sectors = 0;
    if (HRESULT hr = ReadSecNo(start, first); FAILED(hr)) return hr;
    if (HRESULT hr = ReadSecNo(count, sectors); FAILED(hr)) return hr;
    const uint32_t sectorSize = SectorSizeAt(first);
    if (sectorSize == 0 || sectors == 0) return E_INVALIDARG;
    if (sectors > kMaxTransferBytes / sectorSize) return E_INVALIDARG;
    if (!OneSectorSize(first, sectors, sectorSize)) return E_INVALIDARG;
    const uint64_t bytes = sectors * sectorSize;

    SAFEARRAY* array = V_ARRAY(copy.get());
    if (::SafeArrayGetDim(array) != 1) return E_INVALIDARG;
    LONG lower = 0, upper = -1;
    if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) || FAILED(::SafeArrayGetUBound(array, 1, &upper)))
        return E_INVALIDARG;
    const int64_t held = static_cast<int64_t>(upper) - lower + 1;
    if (held < 0 || static_cast<uint64_t>(held) < bytes) return E_INVALIDARG;

    uint64_t done = 0;
    int32_t result = 0;
    {
        com::SafeArrayData data(array);
        if (!data) return E_OUTOFMEMORY;
        result = access_.Write(buffered, data.data(), first, sectors, &done);
    }
    if (done > sectors) done = sectors;
    if (HRESULT hr = StoreSecNo(written, done); FAILED(hr)) return hr;
    *error = static_cast<VexoFSError>(result);
    return S_OK;
}

}  // namespace vexo
