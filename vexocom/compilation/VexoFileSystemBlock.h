// VexoFileSystemBlock: sector-level access to a medium or an image file
// through an engine block object. Made by a drive (a reader, or a writer)
// or by the engine object (an image, always a writer); a drive's object
// keeps its drive alive, and every object keeps the engine loaded until the
// engine object is given back.
//
// Sector numbers and counts are 64-bit values read through the caller's
// IVexoFSSecNo (HiPart, LoPart). A read's buffer is a new array of signed
// bytes, sized from the start sector's partition; the engine is always
// given exactly the count the buffer holds, so a count whose byte size does
// not fit an array is refused before any engine call. A write takes an
// array of signed bytes holding at least count x sector size bytes.
#pragma once

#include <oaidl.h>

#include <cstdint>

#include "EngineBlockAccess.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"
#include "engineobject/EngineState.h"

namespace vexo {

class VexoDrive;

class VexoFileSystemBlock final : public com::DispatchObject<VexoFileSystemBlock, IVexoFileSystemBlockWriter> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFileSystemBlockReader,
                                                        &IID_IVexoFileSystemBlockWriter};

    // drive: the drive it came from (null for an image); writable: whether
    // the engine object takes writes.
    VexoFileSystemBlock(EngineBinding::BlockAccess access, VexoDrive* drive, bool writable) noexcept;
    ~VexoFileSystemBlock();

    // IVexoFileSystemBlockReader
    STDMETHODIMP get_PartitionCount(INT* out) override;
    STDMETHODIMP get_PartitionInfo(INT index, IVexoFSPartitionInfo** out) override;
    STDMETHODIMP get_PartitionInfoForSector(IVexoFSSecNo* sector, IVexoFSPartitionInfo** out) override;
    STDMETHODIMP ReadSectorsBuffered(VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                     IVexoFSSecNo** read, VexoFSError* error) override;
    STDMETHODIMP ReadSectorsUnBuffered(VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                       IVexoFSSecNo** read, VexoFSError* error) override;
    // IVexoFileSystemBlockWriter
    STDMETHODIMP WriteSectorsBuffered(VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                      IVexoFSSecNo** written, VexoFSError* error) override;
    STDMETHODIMP WriteSectorsUnBuffered(VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count,
                                        IVexoFSSecNo** written, VexoFSError* error) override;
    STDMETHODIMP FlushSectorCache() override;

    bool Writable() const noexcept { return writable_; }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoFileSystemBlock; }
    static const GUID& ErrorInterface() noexcept { return IID_IVexoFileSystemBlockWriter; }

private:
    HRESULT Read(bool buffered, VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count, IVexoFSSecNo** read,
                 VexoFSError* error);
    HRESULT Write(bool buffered, VARIANT* buffer, IVexoFSSecNo* start, IVexoFSSecNo* count, IVexoFSSecNo** written,
                  VexoFSError* error);
    // The sector size of the partition holding `sector`, or 0 when the
    // engine has no partition record for it.
    uint32_t SectorSizeAt(uint64_t sector) const noexcept;
    // True when every partition the sectors [first, first + sectors) touch
    // has `sectorSize`-byte sectors.
    bool OneSectorSize(uint64_t first, uint64_t sectors, uint32_t sectorSize) const noexcept;

    engine::Use use_;  // first in, last out: the engine object goes back to a loaded engine
    com::ComPtr<IUnknown> drive_;
    EngineBinding::BlockAccess access_;
    bool writable_;
};

// The 64-bit value of a caller's IVexoFSSecNo (through HiPart and LoPart).
HRESULT ReadSecNo(IVexoFSSecNo* number, uint64_t& value) noexcept;
// Stores `value` into the caller's in/out IVexoFSSecNo, making a new one
// when the caller passed none.
HRESULT StoreSecNo(IVexoFSSecNo** number, uint64_t value) noexcept;

}  // namespace vexo
