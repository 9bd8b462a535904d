// VexoDrive: one recorder or reader the engine listed, made from a copy of
// the engine's entry for it. Answers the device's fixed properties from the
// copy; source of _IVexoDriveEvents. The device is opened with the engine on
// first use.
#pragma once

#include <array>
#include <cstdint>

#include "operations/BusyRegistry.h"
#include "EngineMemory.h"
#include "EngineRecords.h"
#include "engineobject/EngineState.h"
#include "operations/EventForwarders.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/ConnectionPoint.h"
#include "burning/BurnAtOnceHandle.h"
#include "com/DispatchObject.h"

namespace vexo {

class VexoSpeeds;

class VexoDrive final
    : public com::DispatchObject<VexoDrive, IVexoDrive5, com::SingleConnectionPointContainer<VexoDrive>,
                             com::SourceClassInfo<VexoDrive>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoDrive, &IID_IVexoDrive2, &IID_IVexoDrive3,
                                                        &IID_IVexoDrive4, &IID_IVexoDrive5};
    static const GUID& ErrorClass() noexcept { return GUID_NULL; }
    static const CLSID& ClassId() noexcept { return CLSID_VexoDrive; }
    static const GUID& ErrorInterface() noexcept { return IID_IVexoDrive5; }

    // A drive over a copy of a 1720-byte engine entry; null when memory is short.
    static com::ComPtr<VexoDrive> FromEntry(const uint8_t* entry);

    VexoDrive();
    ~VexoDrive();

    com::ConnectionPoint& EventPoint() noexcept { return point_; }
    // The table cookie of this drive's __IVexoDriveEvents__ forwarder.
    DWORD EventsCookie() const noexcept { return events_.cookie(); }
    // The forwarder for the calling thread's apartment.
    HRESULT DriveEvents(com::ComPtr<__IVexoDriveEvents__>& out) const noexcept { return events_.Get(out); }

    // The drive's key in the BusyRegistry: the address of its entry copy.
    const void* BusyKey() const noexcept { return entry_.data(); }
    // The engine's device handle (null until a guarded member opened it).
    void* Device() const noexcept { return device_; }

    // The busy check of a guarded member: opens the device when needed
    // (515), then applies the busy rule for `request` (520).
    HRESULT Guard(OperationId request = OperationId::None);

    // The drive's own progress record (its callbacks reach this drive).
    void* ProgressRecord() const noexcept { return progress_.get(); }
    // The drive's burn-at-once handle.
    burning::BurnAtOnceHandle& AtOnceHandle() noexcept { return atOnce_; }

    // Fills the callback slots of a progress record with `drive` as user data.
    static void FillProgressRecord(void* record, VexoDrive* drive) noexcept;

    // IVexoDrive
    STDMETHODIMP get_DeviceName(BSTR* pVal) override;
    STDMETHODIMP get_HostAdapterName(BSTR* pVal) override;
    STDMETHODIMP get_HostAdapterNo(LONG* pVal) override;
    STDMETHODIMP get_DeviceID(LONG* pVal) override;
    STDMETHODIMP get_DevType(VEXO_SCSI_DEVTYPE* pVal) override;
    STDMETHODIMP get_DriveLetter(BSTR* pVal) override;
    STDMETHODIMP get_Capabilities(VEXO_CAPABILITIES* pVal) override;
    STDMETHODIMP get_ReadSpeeds(IVexoSpeeds** ppSpeeds) override;
    STDMETHODIMP get_WriteSpeeds(IVexoSpeeds** ppSpeeds) override;
    STDMETHODIMP get_DeviceReady(BOOL* pVal) override;
    STDMETHODIMP get_CDRWErasingTime(VARIANT_BOOL Quick, LONG* pVal) override;
    STDMETHODIMP get_BufUnderrunProtName(BSTR* pVal) override;
    STDMETHODIMP get_MandatoryBUPSpeed(LONG* pVal) override;
    STDMETHODIMP get_MediaSupport(LONG* pVal) override;
    STDMETHODIMP get_DriveBufferSize(LONG* pVal) override;
    STDMETHODIMP get_AvailableSpeeds(VEXO_ACCESSTYPE AccessType, VEXO_MEDIA_TYPE MediaType,
                                     IVexoSpeeds** ppSpeeds) override;
    STDMETHODIMP EjectCD() override;
    STDMETHODIMP LoadCD() override;
    STDMETHODIMP EraseCDRW(VARIANT_BOOL Quick, LONG* EstimatedTime) override;
    STDMETHODIMP DAE(LONG TrackStartBlock, LONG TrackLengthInBlocks, BSTR Filename, LONG Speed) override;
    STDMETHODIMP CDInfo(VEXO_CDINFO_FLAGS Flags) override;
    STDMETHODIMP BurnVideoCD(IVexoVideoItems* VideoItems, VARIANT_BOOL SuperVideoCD, BSTR TempPath,
                             IVexoISOTrack* ISOTrack, VEXO_BURN_FLAGS Flags, LONG Speed) override;
    STDMETHODIMP BurnImage(BSTR ImageFilename, VEXO_BURN_FLAGS Flags, LONG Speed) override;
    STDMETHODIMP ImportIsoTrack(LONG TrackNumber, VEXO_IMPORT_ISO_TRACK_FLAGS dwFlags) override;
    STDMETHODIMP BurnFreestyleCD(IVexoFileSystemContent* pContent, BSTR Artist, BSTR Title, VARIANT_BOOL CDExtra,
                                 IVexoISOTrack* ISOTrack, IVexoFreestyleTracks* FreestyleTracks,
                                 IVexoCDStamp* CDStamp, VEXO_BURN_FLAGS Flags, LONG Speed,
                                 VEXO_MEDIA_TYPE Type) override;
    STDMETHODIMP BurnIsoAudioCD(BSTR Artist, BSTR Title, VARIANT_BOOL CDExtra, IVexoISOTrack* ISOTrack,
                                IVexoAudioTracks* AudioTracks, IVexoCDStamp* CDStamp, VEXO_BURN_FLAGS Flags,
                                LONG Speed, VEXO_MEDIA_TYPE Type) override;
    STDMETHODIMP BurnFileSystemContent(IVexoFileSystemContent* pContent, VEXO_BURN_FLAGS Flags, LONG Speed,
                                       VEXO_MEDIA_TYPE Type) override;
    STDMETHODIMP WaitForMedia(VEXO_MEDIA_TYPE MediaType, VEXO_BURN_FLAGS BurnFlags, IVexoCDStamp* CDStamp) override;
    STDMETHODIMP SetDeviceOption(VEXO_DEVICE_OPTION Option, VARIANT Value) override;
    STDMETHODIMP GetDeviceOption(VEXO_DEVICE_OPTION Option, VARIANT* pValue) override;
    STDMETHODIMP UpdateDeviceInfo(VEXO_MEDIA_TYPE MediaType, VEXO_DRIVE_ERROR* pError) override;
    STDMETHODIMP EraseDisc(VARIANT_BOOL Quick, VEXO_ERASE_MODE EraseMode, LONG* EstimatedTime) override;
    STDMETHODIMP EnableStatusCallback(VEXO_DRIVESTATUS_TYPE Type, BOOL bEnable) override;
    // IVexoDrive2
    STDMETHODIMP get_SupportedAccessModes(LONG* pVal) override;
    STDMETHODIMP CreateBlockReader(AccessMode Mode, IVexoFileSystemBlockReader** ppReader) override;
    STDMETHODIMP CreateBlockWriter(AccessMode Mode, IVexoFileSystemBlockWriter** ppWriter) override;
    STDMETHODIMP get_MediaReadSupport(VEXO_MEDIA_TYPE* pVal) override;
    STDMETHODIMP BurnVideoCD2(IVexoVideoItems* VideoItems, VARIANT_BOOL SuperVideoCD, BSTR TempPath,
                              IVexoISOTrack* ISOTrack, VEXO_BURN_FLAGS Flags, LONG Speed,
                              VEXO_VIDEO_RESOLUTION Resolution) override;
    STDMETHODIMP WaitForDisc(VEXO_MEDIA_TYPE MediaType, VEXO_BURN_FLAGS BurnFlags, IVexoCDStamp* CDStamp,
                             VEXO_WAITFORDISC_FLAGS Flags) override;
    // IVexoDrive3
    STDMETHODIMP GetVMSInfo(IVexoVMSInfo** ppInfo) override;
    STDMETHODIMP EstimateTrackSize(IVexoISOTrack* ISOTrack, VEXO_ESTIMATE_FLAGS Flags,
                                   IVexoFileSystemTrackOptions* pOptions) override;
    STDMETHODIMP BurnImage2(BSTR ImageFilename, VEXO_BURN_FLAGS Flags, LONG Speed, VEXO_MEDIA_TYPE MediaType) override;
    STDMETHODIMP InitImageRecorder(BSTR imageFilePath, VEXO_MEDIA_TYPE MediaType) override;
    // IVexoDrive4
    STDMETHODIMP BurnAtOnce(IVexoFileSystemDescContainer* pContent, BSTR bstrTempDirectory, VEXO_BURN_FLAGS Flags,
                            LONG Speed) override;
    STDMETHODIMP BAOCreateHandle(IVexoFileSystemDescContainer* pContent, BSTR bstrTempDirectory,
                                 VEXO_BURN_FLAGS Flags, LONG Speed) override;
    STDMETHODIMP BAOOpenFile(BSTR bstrName, LONG* plOffset, VEXO_BURN_ERROR* pBurnError) override;
    STDMETHODIMP BAOWriteToFile(VARIANT varBuffer, LONG lNumberOfBytesToWrite) override;
    STDMETHODIMP BAOCloseFile(VEXO_BURN_ERROR* pBurnError) override;
    STDMETHODIMP BAOCloseHandle(VEXO_BAO_FLAGS Flags) override;
    // IVexoDrive5
    STDMETHODIMP BurnDiscCopy(IVexoDrive5* pDriveSource, VARIANT_BOOL bOnTheFly, BSTR bstrImageFilePath,
                              VARIANT_BOOL bDeleteImage, LONG lReadSpeed, LONG lNumberOfRetries,
                              VARIANT_BOOL bIgnoreDataReadErrors, VARIANT_BOOL bIgnoreAudioReadErrors,
                              VARIANT_BOOL bReadIsrcAndMediaCatalogNo, VARIANT_BOOL bRawReadMode,
                              VEXO_BURN_FLAGS Flags, LONG Speed, VEXO_MEDIA_TYPE Type) override;

private:
    // CreateBlockReader / CreateBlockWriter: a block object over the medium.
    HRESULT CreateBlockAccess(bool writer, AccessMode mode, REFIID iid, void** out);
    EngineRecords::ConstBytes Entry() const noexcept { return {entry_.data(), entry_.size()}; }
    HRESULT EntryText(std::size_t offset, std::size_t capacity, BSTR* out) const;
    HRESULT EntryNumber(std::size_t offset, LONG* out) const;
    HRESULT SpeedsOf(std::size_t blockOffset, com::ComPtr<VexoSpeeds>& cache, IVexoSpeeds** out);
    HRESULT StartWait(VEXO_MEDIA_TYPE mediaType, VEXO_BURN_FLAGS burnFlags, IVexoCDStamp* stamp, uint32_t flags);

    static int32_t WINAPI StatusCallback(int32_t value1, int32_t value2, int32_t status, void* userData);

    engine::Use use_;
    std::array<uint8_t, EngineRecords::DriveEntry::Size> entry_{};
    void* device_ = nullptr;
    EngineBinding::EngineMemory progress_;
    com::ComPtr<VexoSpeeds> readSpeeds_;
    com::ComPtr<VexoSpeeds> writeSpeeds_;
    uint8_t statusCallbacks_[2] = {};
    com::ConnectionPoint point_;
    com::EventForwarder<VexoDriveEventsForwarder, __IVexoDriveEvents__> events_;
    burning::BurnAtOnceHandle atOnce_;
};

}  // namespace vexo
