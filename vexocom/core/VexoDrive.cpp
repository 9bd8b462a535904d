#include "VexoDrive.h"

#include <cstring>

#include "EngineBinding.h"
#include "VexoSpeeds.h"
#include "com/Bstr.h"
#include "com/GlobalInterfaceTable.h"

namespace vexo {

using com::ComPtr;
namespace rec = EngineRecords;
namespace eb = EngineBinding;

namespace {

// ---- progress record callbacks (engine threads) ---------------------------
// Each receives the drive as user data and fires through the drive's
// forwarder, so the event is delivered in the drive's apartment.

struct DriveEvents {
    com::ApartmentScope apartment;
    ComPtr<__IVexoDriveEvents__> forwarder;
    explicit DriveEvents(void* drive) {
        if (DWORD cookie = static_cast<VexoDrive*>(drive) ? static_cast<VexoDrive*>(drive)->EventsCookie() : 0)
            com::EventForwarder<VexoDriveEventsForwarder, __IVexoDriveEvents__>::Get(cookie, forwarder);
    }
};

int32_t WINAPI ProgressCallback(void* drive, int32_t percent) {
    if (engine::AbortRequested()) return 1;
    VARIANT_BOOL abort = VARIANT_FALSE;
    DriveEvents e(drive);
    if (e.forwarder) e.forwarder->OnProgress(percent, &abort);
    return abort != VARIANT_FALSE ? 1 : 0;
}

int32_t WINAPI AbortedCallback(void* drive) {
    if (engine::AbortRequested()) return 1;
    VARIANT_BOOL abort = VARIANT_FALSE;
    DriveEvents e(drive);
    if (e.forwarder) e.forwarder->OnAborted(&abort);
    return abort != VARIANT_FALSE ? 1 : 0;
}

void WINAPI LogLineCallback(void* drive, int32_t textType, const char* text) {
    DriveEvents e(drive);
    if (!e.forwarder) return;
    com::Bstr b = com::Bstr::Attach(com::AnsiToBstr(text));
    e.forwarder->OnAddLogLine(textType, b.get());
}

void WINAPI SetPhaseCallback(void* drive, const char* text) {
    DriveEvents e(drive);
    if (!e.forwarder) return;
    com::Bstr b = com::Bstr::Attach(com::AnsiToBstr(text));
    e.forwarder->OnSetPhase(b.get());
}

void WINAPI DisableAbortCallback(void* drive, int32_t enable) {
    DriveEvents e(drive);
    if (e.forwarder) e.forwarder->OnDisableAbort(static_cast<VARIANT_BOOL>(enable));
}

void WINAPI MajorPhaseCallback(void* drive, int32_t phase) {
    DriveEvents e(drive);
    if (e.forwarder) e.forwarder->OnMajorPhase(phase);
}

int32_t WINAPI SubTaskProgressCallback(void* drive, int32_t percent) {
    if (engine::AbortRequested()) return 1;
    VARIANT_BOOL abort = VARIANT_FALSE;
    DriveEvents e(drive);
    if (e.forwarder) e.forwarder->OnSubTaskProgress(percent, &abort);
    return abort != VARIANT_FALSE ? 1 : 0;
}

HRESULT NotYet() { return E_NOTIMPL; }

template <class T>
HRESULT NotYet(T** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

template <class T>
HRESULT NotYetValue(T* out) {
    if (!out) return E_POINTER;
    return E_NOTIMPL;
}

}  // namespace

VexoDrive::VexoDrive() : point_(Identity(), static_cast<IConnectionPointContainer*>(this), DIID__IVexoDriveEvents) {}

ComPtr<VexoDrive> VexoDrive::FromEntry(const uint8_t* entry) {
    ComPtr<VexoDrive> d = Make();
    if (!d) return d;
    std::memcpy(d->entry_.data(), entry, d->entry_.size());
    engine::EnsureInitialized();
    if (void* p = eb::VexoCreateProgress()) {
        d->progress_ = p;
        rec::Bytes r(static_cast<uint8_t*>(p), rec::ProgressRecord::Size);
        rec::WriteCallback(r, rec::ProgressRecord::Progress, &ProgressCallback);
        rec::WriteCallback(r, rec::ProgressRecord::Aborted, &AbortedCallback);
        rec::WriteCallback(r, rec::ProgressRecord::LogLine, &LogLineCallback);
        rec::WriteCallback(r, rec::ProgressRecord::SetPhase, &SetPhaseCallback);
        rec::WritePointer(r, rec::ProgressRecord::UserData, static_cast<const void*>(d.get()));
        rec::WriteCallback(r, rec::ProgressRecord::DisableAbort, &DisableAbortCallback);
        rec::WriteCallback(r, rec::ProgressRecord::MajorPhase, &MajorPhaseCallback);
        rec::WriteCallback(r, rec::ProgressRecord::SubTaskProgress, &SubTaskProgressCallback);
    }
    d->events_.Register(&d->point_);
    return d;
}

VexoDrive::~VexoDrive() {
    if (device_) eb::VexoCloseDevice(device_);
    readSpeeds_.reset();
    writeSpeeds_.reset();
    if (progress_) eb::VexoFreeMem(progress_);
    events_.Revoke();
    point_.UnadviseAll();
}

// ---- entry-copy properties ---------------------------------------------------

HRESULT VexoDrive::EntryText(std::size_t offset, std::size_t capacity, BSTR* out) const {
    if (!out) return E_POINTER;
    std::string text = rec::ReadText(Entry(), offset, capacity);
    return com::ReturnAnsi(text.c_str(), out);
}

HRESULT VexoDrive::EntryNumber(std::size_t offset, LONG* out) const {
    if (!out) return E_POINTER;
    *out = rec::ReadI32(Entry(), offset);
    return S_OK;
}

STDMETHODIMP VexoDrive::get_DeviceName(BSTR* pVal) {
    return EntryText(rec::DriveEntry::DeviceName, rec::DriveEntry::DeviceNameSize, pVal);
}
STDMETHODIMP VexoDrive::get_HostAdapterName(BSTR* pVal) {
    return EntryText(rec::DriveEntry::HostAdapterName, rec::DriveEntry::HostAdapterNameSize, pVal);
}
STDMETHODIMP VexoDrive::get_HostAdapterNo(LONG* pVal) { return EntryNumber(rec::DriveEntry::HostAdapterNo, pVal); }
STDMETHODIMP VexoDrive::get_DeviceID(LONG* pVal) { return EntryNumber(rec::DriveEntry::DeviceId, pVal); }
STDMETHODIMP VexoDrive::get_DevType(VEXO_SCSI_DEVTYPE* pVal) {
    return EntryNumber(rec::DriveEntry::DevType, reinterpret_cast<LONG*>(pVal));
}
STDMETHODIMP VexoDrive::get_DriveLetter(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    return com::ReturnAnsi(rec::DriveLetterText(Entry()).c_str(), pVal);
}
STDMETHODIMP VexoDrive::get_Capabilities(VEXO_CAPABILITIES* pVal) {
    return EntryNumber(rec::DriveEntry::Capabilities, reinterpret_cast<LONG*>(pVal));
}
STDMETHODIMP VexoDrive::get_BufUnderrunProtName(BSTR* pVal) {
    return EntryText(rec::DriveEntry::BufUnderrunProtName, rec::DriveEntry::BufUnderrunProtNameSize, pVal);
}
STDMETHODIMP VexoDrive::get_MandatoryBUPSpeed(LONG* pVal) {
    return EntryNumber(rec::DriveEntry::MandatoryBUPSpeed, pVal);
}
STDMETHODIMP VexoDrive::get_MediaSupport(LONG* pVal) { return EntryNumber(rec::DriveEntry::MediaSupport, pVal); }
STDMETHODIMP VexoDrive::get_DriveBufferSize(LONG* pVal) {
    return EntryNumber(rec::DriveEntry::DriveBufferSize, pVal);
}
STDMETHODIMP VexoDrive::get_MediaReadSupport(VEXO_MEDIA_TYPE* pVal) {
    return EntryNumber(rec::DriveEntry::MediaReadSupport, reinterpret_cast<LONG*>(pVal));
}

HRESULT VexoDrive::SpeedsOf(std::size_t blockOffset, ComPtr<VexoSpeeds>& cache, IVexoSpeeds** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!cache) {
        try {
            rec::SpeedList list = rec::ReadSpeedBlock(Entry(), blockOffset);
            cache = VexoSpeeds::Make(std::move(list.speeds), list.baseSpeedKBs);
        } catch (...) {
            cache.reset();
        }
        if (!cache) return E_OUTOFMEMORY;
    }
    return cache->QueryInterface(IID_IVexoSpeeds, reinterpret_cast<void**>(out));
}

STDMETHODIMP VexoDrive::get_ReadSpeeds(IVexoSpeeds** ppSpeeds) {
    return SpeedsOf(rec::DriveEntry::ReadSpeeds, readSpeeds_, ppSpeeds);
}
STDMETHODIMP VexoDrive::get_WriteSpeeds(IVexoSpeeds** ppSpeeds) {
    return SpeedsOf(rec::DriveEntry::WriteSpeeds, writeSpeeds_, ppSpeeds);
}

// ---- operations not served yet ---------------------------------------------

STDMETHODIMP VexoDrive::get_DeviceReady(BOOL* pVal) { return NotYetValue(pVal); }
STDMETHODIMP VexoDrive::get_CDRWErasingTime(VARIANT_BOOL, LONG* pVal) { return NotYetValue(pVal); }
STDMETHODIMP VexoDrive::get_AvailableSpeeds(VEXO_ACCESSTYPE, VEXO_MEDIA_TYPE, IVexoSpeeds** ppSpeeds) {
    return NotYet(ppSpeeds);
}
STDMETHODIMP VexoDrive::EjectCD() { return NotYet(); }
STDMETHODIMP VexoDrive::LoadCD() { return NotYet(); }
STDMETHODIMP VexoDrive::EraseCDRW(VARIANT_BOOL, LONG* EstimatedTime) { return NotYetValue(EstimatedTime); }
STDMETHODIMP VexoDrive::DAE(LONG, LONG, BSTR, LONG) { return NotYet(); }
STDMETHODIMP VexoDrive::CDInfo(VEXO_CDINFO_FLAGS) { return NotYet(); }
STDMETHODIMP VexoDrive::BurnVideoCD(IVexoVideoItems*, VARIANT_BOOL, BSTR, IVexoISOTrack*, VEXO_BURN_FLAGS, LONG) {
    return NotYet();
}
STDMETHODIMP VexoDrive::BurnImage(BSTR, VEXO_BURN_FLAGS, LONG) { return NotYet(); }
STDMETHODIMP VexoDrive::ImportIsoTrack(LONG, VEXO_IMPORT_ISO_TRACK_FLAGS) { return NotYet(); }
STDMETHODIMP VexoDrive::BurnFreestyleCD(IVexoFileSystemContent*, BSTR, BSTR, VARIANT_BOOL, IVexoISOTrack*,
                                        IVexoFreestyleTracks*, IVexoCDStamp*, VEXO_BURN_FLAGS, LONG,
                                        VEXO_MEDIA_TYPE) {
    return NotYet();
}
STDMETHODIMP VexoDrive::BurnIsoAudioCD(BSTR, BSTR, VARIANT_BOOL, IVexoISOTrack*, IVexoAudioTracks*, IVexoCDStamp*,
                                       VEXO_BURN_FLAGS, LONG, VEXO_MEDIA_TYPE) {
    return NotYet();
}
STDMETHODIMP VexoDrive::BurnFileSystemContent(IVexoFileSystemContent*, VEXO_BURN_FLAGS, LONG, VEXO_MEDIA_TYPE) {
    return NotYet();
}
STDMETHODIMP VexoDrive::WaitForMedia(VEXO_MEDIA_TYPE, VEXO_BURN_FLAGS, IVexoCDStamp*) { return NotYet(); }
STDMETHODIMP VexoDrive::SetDeviceOption(VEXO_DEVICE_OPTION, VARIANT) { return NotYet(); }
STDMETHODIMP VexoDrive::GetDeviceOption(VEXO_DEVICE_OPTION, VARIANT* pValue) { return NotYetValue(pValue); }
STDMETHODIMP VexoDrive::UpdateDeviceInfo(VEXO_MEDIA_TYPE, VEXO_DRIVE_ERROR* pError) { return NotYetValue(pError); }
STDMETHODIMP VexoDrive::EraseDisc(VARIANT_BOOL, VEXO_ERASE_MODE, LONG* EstimatedTime) {
    return NotYetValue(EstimatedTime);
}
STDMETHODIMP VexoDrive::EnableStatusCallback(VEXO_DRIVESTATUS_TYPE, BOOL) { return NotYet(); }
STDMETHODIMP VexoDrive::get_SupportedAccessModes(LONG* pVal) { return NotYetValue(pVal); }
STDMETHODIMP VexoDrive::CreateBlockReader(AccessMode, IVexoFileSystemBlockReader** ppReader) {
    return NotYet(ppReader);
}
STDMETHODIMP VexoDrive::CreateBlockWriter(AccessMode, IVexoFileSystemBlockWriter** ppWriter) {
    return NotYet(ppWriter);
}
STDMETHODIMP VexoDrive::BurnVideoCD2(IVexoVideoItems*, VARIANT_BOOL, BSTR, IVexoISOTrack*, VEXO_BURN_FLAGS, LONG,
                                     VEXO_VIDEO_RESOLUTION) {
    return NotYet();
}
STDMETHODIMP VexoDrive::WaitForDisc(VEXO_MEDIA_TYPE, VEXO_BURN_FLAGS, IVexoCDStamp*, VEXO_WAITFORDISC_FLAGS) {
    return NotYet();
}
STDMETHODIMP VexoDrive::GetVMSInfo(IVexoVMSInfo** ppInfo) { return NotYet(ppInfo); }
STDMETHODIMP VexoDrive::EstimateTrackSize(IVexoISOTrack*, VEXO_ESTIMATE_FLAGS, IVexoFileSystemTrackOptions*) {
    return NotYet();
}
STDMETHODIMP VexoDrive::BurnImage2(BSTR, VEXO_BURN_FLAGS, LONG, VEXO_MEDIA_TYPE) { return NotYet(); }
STDMETHODIMP VexoDrive::InitImageRecorder(BSTR, VEXO_MEDIA_TYPE) { return NotYet(); }
STDMETHODIMP VexoDrive::BurnAtOnce(IVexoFileSystemDescContainer*, BSTR, VEXO_BURN_FLAGS, LONG) { return NotYet(); }
STDMETHODIMP VexoDrive::BAOCreateHandle(IVexoFileSystemDescContainer*, BSTR, VEXO_BURN_FLAGS, LONG) {
    return NotYet();
}
STDMETHODIMP VexoDrive::BAOOpenFile(BSTR, LONG* plOffset, VEXO_BURN_ERROR* pBurnError) {
    if (!plOffset) return E_POINTER;
    return NotYetValue(pBurnError);
}
STDMETHODIMP VexoDrive::BAOWriteToFile(VARIANT, LONG) { return NotYet(); }
STDMETHODIMP VexoDrive::BAOCloseFile(VEXO_BURN_ERROR* pBurnError) { return NotYetValue(pBurnError); }
STDMETHODIMP VexoDrive::BAOCloseHandle(VEXO_BAO_FLAGS) { return NotYet(); }
STDMETHODIMP VexoDrive::BurnDiscCopy(IVexoDrive5*, VARIANT_BOOL, BSTR, VARIANT_BOOL, LONG, LONG, VARIANT_BOOL,
                                     VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL, VEXO_BURN_FLAGS, LONG,
                                     VEXO_MEDIA_TYPE) {
    return NotYet();
}

}  // namespace vexo
