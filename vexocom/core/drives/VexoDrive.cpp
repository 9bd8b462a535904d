#include "drives/VexoDrive.h"

#include <cstring>

#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "operations/AsyncOperation.h"
#include "drives/DriveRecords.h"
#include "drives/DriveStatusNotice.h"
#include "EngineBinding.h"
#include "drives/VexoCDInfo.h"
#include "drives/VexoCDStamp.h"
#include "drives/VexoSpeeds.h"
#include "com/Bstr.h"
#include "com/GlobalInterfaceTable.h"
#include "com/Variant.h"
#include "burning/BurnOperations.h"
#include "compilation/VexoFileSystemBlock.h"
#include "compilation/VexoVMSInfo.h"

namespace vexo {

using com::ComPtr;
namespace rec = EngineRecords;
namespace eb = EngineBinding;

namespace {

// ---- progress record callbacks (engine threads) ---------------------------
// Each receives the drive as user data and fires through the drive's
// forwarder, so the event is delivered in the drive's apartment.

// On an operation's worker the forwarder fetched at its start serves, in
// the apartment the worker is already in; only another thread (the
// engine's own) enters an apartment and fetches the forwarder per event.
struct EventsScope {
    std::optional<com::ApartmentScope> apartment;
    ComPtr<__IVexoDriveEvents__> forwarder;
    explicit EventsScope(void* drive) {
        auto* d = static_cast<VexoDrive*>(drive);
        if (!d) return;
        forwarder = AsyncOperation::CurrentThreadEvents(d);
        if (forwarder) return;
        apartment.emplace();
        d->DriveEvents(forwarder);
    }
};

int32_t WINAPI ProgressCallback(void* drive, int32_t percent) {
    if (engine::AbortRequested()) return 1;
    VARIANT_BOOL abort = VARIANT_FALSE;
    EventsScope e(drive);
    if (e.forwarder) e.forwarder->OnProgress(percent, &abort);
    return static_cast<int16_t>(abort);  // the client's boolean, as it left it (-1 for True)
}

int32_t WINAPI AbortedCallback(void* drive) {
    if (engine::AbortRequested()) return 1;
    VARIANT_BOOL abort = VARIANT_FALSE;
    EventsScope e(drive);
    if (e.forwarder) e.forwarder->OnAborted(&abort);
    return static_cast<int16_t>(abort);  // the client's boolean, as it left it (-1 for True)
}

void WINAPI LogLineCallback(void* drive, int32_t textType, const char* text) {
    EventsScope e(drive);
    if (!e.forwarder) return;
    com::Bstr b = com::Bstr::Attach(com::AnsiToBstr(text));
    e.forwarder->OnAddLogLine(textType, b.get());
}

void WINAPI SetPhaseCallback(void* drive, const char* text) {
    EventsScope e(drive);
    if (!e.forwarder) return;
    com::Bstr b = com::Bstr::Attach(com::AnsiToBstr(text));
    e.forwarder->OnSetPhase(b.get());
}

void WINAPI DisableAbortCallback(void* drive, int32_t enable) {
    EventsScope e(drive);
    if (e.forwarder) e.forwarder->OnDisableAbort(static_cast<VARIANT_BOOL>(enable));
}

void WINAPI MajorPhaseCallback(void* drive, int32_t phase) {
    EventsScope e(drive);
    if (e.forwarder) e.forwarder->OnMajorPhase(phase);
}

int32_t WINAPI SubTaskProgressCallback(void* drive, int32_t percent) {
    if (engine::AbortRequested()) return 1;
    VARIANT_BOOL abort = VARIANT_FALSE;
    EventsScope e(drive);
    if (e.forwarder) e.forwarder->OnSubTaskProgress(percent, &abort);
    return static_cast<int16_t>(abort);  // the client's boolean, as it left it (-1 for True)
}

// ---- asynchronous operations (worker threads) -----------------------------

VARIANT_BOOL Ok(int32_t engineResult) noexcept { return engineResult == 0 ? VARIANT_TRUE : VARIANT_FALSE; }

class EraseOperation final : public AsyncOperation {
public:
    EraseOperation(bool quick, int32_t mode) noexcept
        : AsyncOperation(OperationId::EraseDisc), quick_(quick), mode_(mode) {}

private:
    void Run() override {
        int32_t r = eb::VexoEraseDisc(Drive().Device(), quick_ ? 1 : 0, mode_);
        Unregister();
        if (auto f = Events()) f->OnDoneErase(Ok(r));
    }
    bool quick_;
    int32_t mode_;
};

class DaeOperation final : public AsyncOperation {
public:
    DaeOperation(LONG start, LONG length, std::string file, LONG speed) noexcept
        : AsyncOperation(OperationId::DAE), start_(start), length_(length), file_(std::move(file)), speed_(speed) {}

private:
    void Run() override {
        int32_t r = 1;
        try {
            std::vector<uint8_t> target = file_.empty() ? DriveRecords::MakeDaeCallbackTarget(this, &WriteCallback)
                                                        : DriveRecords::MakeDaeFileTarget(file_);
            std::array<uint8_t, rec::DaeCallbackPair::Size> pair{};
            rec::Bytes p(pair.data(), pair.size());
            rec::WriteCallback(p, rec::DaeCallbackPair::Callback, &ProgressCallback);
            rec::WritePointer(p, rec::DaeCallbackPair::UserData, static_cast<const void*>(&Drive()));
            running_ = true;
            r = eb::VexoDAE(Drive().Device(), start_, length_, target.data(), speed_, pair.data());
            running_ = false;
        } catch (...) {
            running_ = false;
        }
        Unregister();
        if (auto f = Events()) f->OnDoneDAE(Ok(r));
    }

    // The engine's write callback (the engine's thread): the audio goes to
    // the client as 16-bit samples through OnWriteDAE.
    static int32_t WINAPI WriteCallback(void* userData, const void* buffer, int32_t byteCount) {
        auto* op = static_cast<DaeOperation*>(userData);
        if (!op || !op->running_) return byteCount;
        const uint32_t samples = DriveRecords::DaeSampleCount(byteCount);
        auto fail = [] {
            engine::SetAbort(true);
            return 0;
        };
        if (samples == 0 || !buffer) return fail();
        com::SafeArray array(::SafeArrayCreateVector(VT_I2, 0, samples));
        if (!array) return fail();
        {
            com::SafeArrayData data(array.get());
            if (!data) return fail();
            std::memcpy(data.data(), buffer, static_cast<size_t>(samples) * 2);
        }
        VARIANT v;
        ::VariantInit(&v);
        V_VT(&v) = VT_ARRAY | VT_I2;
        V_ARRAY(&v) = array.get();
        EventsScope e(&op->Drive());
        if (e.forwarder) e.forwarder->OnWriteDAE(0, v);
        return byteCount;
    }

    LONG start_, length_;
    std::string file_;
    LONG speed_;
    std::atomic<bool> running_{false};
};

class CDInfoOperation final : public AsyncOperation {
public:
    CDInfoOperation(uint32_t flags, ComPtr<VexoCDInfo> info) noexcept
        : AsyncOperation(OperationId::CDInfo), flags_(flags), info_(std::move(info)) {}
    // Marshals the result object once from the client's apartment, so that
    // the event hands the client its own object, not a proxy into the
    // worker. (A table entry instead keeps a reference after the event.)
    HRESULT Prepare() noexcept {
        return result_.Marshal(static_cast<IVexoCDInfo2*>(info_.get()), IID_IVexoCDInfo2);
    }

private:
    void Run() override {
        engine::Use during;
        const eb::EngineMemory record(eb::VexoGetCDInfo(Drive().Device(), flags_));
        ComPtr<IVexoCDInfo2> result;
        if (record && info_->CopyFrom(record.bytes()))
            result_.Take(IID_IVexoCDInfo2, result.put_void());
        Unregister();
        if (auto f = Events()) f->OnDoneCDInfo(result.get());
    }
    uint32_t flags_;
    ComPtr<VexoCDInfo> info_;
    com::MarshalledOnce result_;
};

class WaitForDiscOperation final : public AsyncOperation {
public:
    WaitForDiscOperation(uint32_t mediaType, uint32_t burnFlags, ComPtr<VexoCDStamp> stamp, uint32_t flags) noexcept
        : AsyncOperation(OperationId::WaitForDisc),
          mediaType_(mediaType),
          burnFlags_(burnFlags),
          stamp_(std::move(stamp)),
          flags_(flags) {}

private:
    void Run() override {
        void* stamp = stamp_ ? stamp_->EngineStamp() : nullptr;
        int32_t r = eb::VexoWaitForDisc(Drive().Device(), mediaType_, burnFlags_, stamp, flags_);
        Unregister();
        if (auto f = Events()) f->OnDoneWaitForMedia(r);
    }
    uint32_t mediaType_, burnFlags_;
    ComPtr<VexoCDStamp> stamp_;
    uint32_t flags_;
};

class BurnImageOperation final : public AsyncOperation {
public:
    BurnImageOperation(std::string image, uint32_t flags, LONG speed, uint32_t mediaType) noexcept
        : AsyncOperation(OperationId::BurnImage2),
          image_(std::move(image)),
          flags_(flags),
          speed_(speed),
          mediaType_(mediaType) {}

private:
    void Run() override {
        int32_t status = kBurnFailed;
        eb::EngineMemory progress(eb::VexoCreateProgress());
        if (progress) VexoDrive::FillProgressRecord(progress.get(), &Drive());
        try {
            std::vector<uint8_t> record = DriveRecords::MakeImageRecord(image_.c_str(), mediaType_);
            status = eb::VexoBurn(Drive().Device(), DriveRecords::ImageRecord::kCompilationType, record.data(),
                                  flags_, speed_, progress.get());
        } catch (...) {
        }
        progress.reset();  // back to the engine before the drive is free again
        Unregister();
        if (auto f = Events()) f->OnDoneBurn(static_cast<VEXO_BURN_ERROR>(status));
    }
    static constexpr int32_t kBurnFailed = 3;
    std::string image_;
    uint32_t flags_;
    LONG speed_;
    uint32_t mediaType_;
};

// Makes and starts an operation; out of memory before the start.
template <class Op, class... A>
HRESULT StartNew(VexoDrive& drive, A&&... args) {
    std::unique_ptr<Op> op(new (std::nothrow) Op(std::forward<A>(args)...));
    if (!op) return E_OUTOFMEMORY;
    return AsyncOperation::Start(drive, std::move(op));
}

}  // namespace

VexoDrive::VexoDrive() : point_(Identity(), static_cast<IConnectionPointContainer*>(this), DIID__IVexoDriveEvents) {}

void VexoDrive::FillProgressRecord(void* record, VexoDrive* drive) noexcept {
    rec::Bytes r(static_cast<uint8_t*>(record), rec::ProgressRecord::Size);
    rec::WriteCallback(r, rec::ProgressRecord::Progress, &ProgressCallback);
    rec::WriteCallback(r, rec::ProgressRecord::Aborted, &AbortedCallback);
    rec::WriteCallback(r, rec::ProgressRecord::LogLine, &LogLineCallback);
    rec::WriteCallback(r, rec::ProgressRecord::SetPhase, &SetPhaseCallback);
    rec::WritePointer(r, rec::ProgressRecord::UserData, static_cast<const void*>(drive));
    rec::WriteCallback(r, rec::ProgressRecord::DisableAbort, &DisableAbortCallback);
    rec::WriteCallback(r, rec::ProgressRecord::MajorPhase, &MajorPhaseCallback);
    rec::WriteCallback(r, rec::ProgressRecord::SubTaskProgress, &SubTaskProgressCallback);
}

ComPtr<VexoDrive> VexoDrive::FromEntry(const uint8_t* entry) {
    ComPtr<VexoDrive> d = Make();
    if (!d) return d;
    std::memcpy(d->entry_.data(), entry, d->entry_.size());
    engine::EnsureInitialized();
    d->progress_.reset(eb::VexoCreateProgress());
    if (d->progress_) FillProgressRecord(d->progress_.get(), d.get());
    d->events_.Register(&d->point_);
    BusyRegistry::Module().Enter(d->BusyKey());
    return d;
}

VexoDrive::~VexoDrive() {
    atOnce_.CloseCancelled();  // before the device goes
    for (int32_t type = 0; type < 2; ++type)
        if (statusCallbacks_[type])
            eb::VexoUnregisterDriveStatusCallback(type, entry_.data(), &StatusCallback, this);
    if (device_) eb::VexoCloseDevice(device_);
    readSpeeds_.reset();
    writeSpeeds_.reset();
    progress_.reset();
    events_.Revoke();
    point_.UnadviseAll();
    BusyRegistry::Module().Leave(BusyKey());
}

HRESULT VexoDrive::Guard(OperationId request) {
    if (!device_) {
        device_ = eb::VexoOpenDevice(entry_.data());
        if (!device_) return Fail(kErrOpenDevice);
    }
    if (!BusyRegistry::Module().Allows(BusyKey(), request, engine::NonEmptyRewritableCount())) return Fail(kErrBusy);
    return S_OK;
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

// ---- quick guarded members -------------------------------------------------

STDMETHODIMP VexoDrive::get_DeviceReady(BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = FALSE;
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    *pVal = eb::VexoIsDeviceReady(device_) == 0 ? TRUE : FALSE;
    return S_OK;
}

STDMETHODIMP VexoDrive::get_CDRWErasingTime(VARIANT_BOOL Quick, LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = 0;
    if (HRESULT hr = Guard(OperationId::EraseDisc); FAILED(hr)) return hr;
    int32_t t = eb::VexoGetCDRWErasingTime(device_, Quick != VARIANT_FALSE ? 1 : 0);
    if (UINT error = DriveRecords::ErasingTimeError(t)) return Fail(error);
    *pVal = t;
    return S_OK;
}

STDMETHODIMP VexoDrive::get_AvailableSpeeds(VEXO_ACCESSTYPE AccessType, VEXO_MEDIA_TYPE MediaType,
                                            IVexoSpeeds** ppSpeeds) {
    if (!ppSpeeds) return E_POINTER;
    *ppSpeeds = nullptr;
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    eb::EngineMemory record(eb::VexoGetAvailableSpeeds(device_, AccessType, static_cast<uint32_t>(MediaType)));
    if (!record) return Fail(kErrSpeeds);
    ComPtr<VexoSpeeds> speeds;
    try {
        rec::SpeedList list = DriveRecords::ReadAvailableSpeeds(record.bytes());
        speeds = VexoSpeeds::Make(std::move(list.speeds), list.baseSpeedKBs);
    } catch (...) {
        speeds.reset();
    }
    record.reset();
    if (!speeds) return E_OUTOFMEMORY;
    return speeds->QueryInterface(IID_IVexoSpeeds, reinterpret_cast<void**>(ppSpeeds));
}

STDMETHODIMP VexoDrive::EjectCD() {
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    return eb::VexoEjectLoadCD(device_, 1) == 0 ? S_OK : Fail(kErrEjectLoad);
}

STDMETHODIMP VexoDrive::LoadCD() {
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    return eb::VexoEjectLoadCD(device_, 0) == 0 ? S_OK : Fail(kErrEjectLoad);
}

STDMETHODIMP VexoDrive::SetDeviceOption(VEXO_DEVICE_OPTION Option, VARIANT Value) {
    const VARTYPE type = DriveRecords::DeviceOptionType(static_cast<int32_t>(Option));
    if (type == VT_EMPTY) return E_INVALIDARG;
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    com::Variant converted;
    if (HRESULT hr = ::VariantChangeType(converted.get(), &Value, 0, type); FAILED(hr)) return hr;
    VARIANT_BOOL flag = VARIANT_FALSE;
    int32_t number = 0;
    const void* value = nullptr;
    if (type == VT_BOOL) {
        flag = V_BOOL(converted.get());
        value = &flag;
    } else {
        number = V_I4(converted.get());
        value = &number;
    }
    return eb::VexoSetDeviceOption(device_, static_cast<int32_t>(Option), value) == 0 ? S_OK : S_FALSE;
}

STDMETHODIMP VexoDrive::GetDeviceOption(VEXO_DEVICE_OPTION Option, VARIANT* pValue) {
    if (!pValue) return E_POINTER;
    ::VariantInit(pValue);
    if (DriveRecords::DeviceOptionType(static_cast<int32_t>(Option)) == VT_EMPTY) return E_INVALIDARG;
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    if (const eb::EngineMemory p{eb::VexoGetDeviceOption(device_, static_cast<int32_t>(Option))}) {
        int32_t value = 0;
        std::memcpy(&value, p.get(), sizeof value);
        V_VT(pValue) = VT_I4;
        V_I4(pValue) = value;
    }
    return S_FALSE;
}

STDMETHODIMP VexoDrive::UpdateDeviceInfo(VEXO_MEDIA_TYPE MediaType, VEXO_DRIVE_ERROR* pError) {
    if (!pError) return E_POINTER;
    *pError = static_cast<VEXO_DRIVE_ERROR>(eb::VexoUpdateDeviceInfo(entry_.data(), static_cast<uint32_t>(MediaType)));
    readSpeeds_.reset();
    writeSpeeds_.reset();
    return S_OK;
}

STDMETHODIMP VexoDrive::get_SupportedAccessModes(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = 0;
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    *pVal = static_cast<LONG>(eb::VexoGetSupportedAccessModesForDevice(device_));
    return S_OK;
}

STDMETHODIMP VexoDrive::InitImageRecorder(BSTR imageFilePath, VEXO_MEDIA_TYPE MediaType) {
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    std::string path;
    try {
        path = com::BstrToAnsi(imageFilePath);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    eb::VexoInitImageRecorder(device_, path.empty() ? nullptr : path.c_str(), nullptr,
                              static_cast<uint32_t>(MediaType));
    return S_OK;
}

// ---- drive-status notifications ---------------------------------------------

int32_t WINAPI VexoDrive::StatusCallback(int32_t, int32_t, int32_t status, void* userData) {
    auto* drive = static_cast<VexoDrive*>(userData);
    if (!drive) return 0;
    const bool started = StartNoticeThread<__IVexoDriveEvents__>(drive->EventsCookie(), [status](__IVexoDriveEvents__* f) {
        f->OnDriveStatusChanged(static_cast<VEXO_DRIVESTATUS_RESULT>(status));
    });
    return started ? 1 : 0;
}

STDMETHODIMP VexoDrive::EnableStatusCallback(VEXO_DRIVESTATUS_TYPE Type, BOOL bEnable) {
    const int32_t type = static_cast<int32_t>(Type);
    if (type < 0 || type > 1) return E_INVALIDARG;
    const bool enable = bEnable != FALSE;
    if (enable == (statusCallbacks_[type] != 0)) return S_OK;
    if (enable) {
        int32_t r = eb::VexoRegisterDriveStatusCallback(type, entry_.data(), &StatusCallback, this);
        statusCallbacks_[type] = r == 0 ? 1 : 0;
        return r == 0 ? S_OK : Fail(kErrRegisterCallback);
    }
    int32_t r = eb::VexoUnregisterDriveStatusCallback(type, entry_.data(), &StatusCallback, this);
    statusCallbacks_[type] = r != 0 ? 1 : 0;
    return r == 0 ? S_OK : Fail(kErrUnregisterCallback);
}

// ---- asynchronous members --------------------------------------------------

STDMETHODIMP VexoDrive::EraseDisc(VARIANT_BOOL Quick, VEXO_ERASE_MODE EraseMode, LONG* EstimatedTime) {
    if (!EstimatedTime) return E_POINTER;
    if (HRESULT hr = get_CDRWErasingTime(Quick, EstimatedTime); FAILED(hr)) return hr;
    return StartNew<EraseOperation>(*this, Quick != VARIANT_FALSE, static_cast<int32_t>(EraseMode));
}

STDMETHODIMP VexoDrive::EraseCDRW(VARIANT_BOOL Quick, LONG* EstimatedTime) {
    return EraseDisc(Quick, static_cast<VEXO_ERASE_MODE>(0), EstimatedTime);
}

STDMETHODIMP VexoDrive::DAE(LONG TrackStartBlock, LONG TrackLengthInBlocks, BSTR Filename, LONG Speed) {
    if (HRESULT hr = Guard(OperationId::DAE); FAILED(hr)) return hr;
    if (!DriveRecords::DaeFileNameFits(com::BstrView(Filename).size())) return Fail(kErrFileNameTooLong);
    std::string file;
    try {
        file = com::BstrToAnsi(Filename);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return StartNew<DaeOperation>(*this, TrackStartBlock, TrackLengthInBlocks, std::move(file), Speed);
}

STDMETHODIMP VexoDrive::CDInfo(VEXO_CDINFO_FLAGS Flags) {
    if (HRESULT hr = Guard(OperationId::CDInfo); FAILED(hr)) return hr;
    ComPtr<VexoCDInfo> info = VexoCDInfo::Make();
    if (!info) return E_OUTOFMEMORY;
    std::unique_ptr<CDInfoOperation> op(new (std::nothrow) CDInfoOperation(static_cast<uint32_t>(Flags), info));
    if (!op) return E_OUTOFMEMORY;
    if (HRESULT hr = op->Prepare(); FAILED(hr)) return hr;
    return AsyncOperation::Start(*this, std::move(op));
}

HRESULT VexoDrive::StartWait(VEXO_MEDIA_TYPE mediaType, VEXO_BURN_FLAGS burnFlags, IVexoCDStamp* stamp, uint32_t flags) {
    if (HRESULT hr = Guard(OperationId::WaitForDisc); FAILED(hr)) return hr;
    return StartNew<WaitForDiscOperation>(*this, static_cast<uint32_t>(mediaType), static_cast<uint32_t>(burnFlags),
                                          com::OwnObject<VexoCDStamp>(stamp), flags);
}

STDMETHODIMP VexoDrive::WaitForMedia(VEXO_MEDIA_TYPE MediaType, VEXO_BURN_FLAGS BurnFlags, IVexoCDStamp* CDStamp) {
    return StartWait(MediaType, BurnFlags, CDStamp, 0);
}

STDMETHODIMP VexoDrive::WaitForDisc(VEXO_MEDIA_TYPE MediaType, VEXO_BURN_FLAGS BurnFlags, IVexoCDStamp* CDStamp,
                                    VEXO_WAITFORDISC_FLAGS Flags) {
    return StartWait(MediaType, BurnFlags, CDStamp, static_cast<uint32_t>(Flags));
}

STDMETHODIMP VexoDrive::BurnImage2(BSTR ImageFilename, VEXO_BURN_FLAGS Flags, LONG Speed, VEXO_MEDIA_TYPE MediaType) {
    if (HRESULT hr = Guard(OperationId::BurnImage2); FAILED(hr)) return hr;
    std::string image;
    try {
        image = com::BstrToAnsi(ImageFilename);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return StartNew<BurnImageOperation>(*this, std::move(image), static_cast<uint32_t>(Flags), Speed,
                                        static_cast<uint32_t>(MediaType));
}

STDMETHODIMP VexoDrive::BurnImage(BSTR ImageFilename, VEXO_BURN_FLAGS Flags, LONG Speed) {
    return BurnImage2(ImageFilename, Flags, Speed, static_cast<VEXO_MEDIA_TYPE>(0));
}

// ---- compilations, block access, burn-at-once ---------------------------------

STDMETHODIMP VexoDrive::BurnVideoCD(IVexoVideoItems* VideoItems, VARIANT_BOOL SuperVideoCD, BSTR TempPath,
                                    IVexoISOTrack* ISOTrack, VEXO_BURN_FLAGS Flags, LONG Speed) {
    return BurnVideoCD2(VideoItems, SuperVideoCD, TempPath, ISOTrack, Flags, Speed,
                        static_cast<VEXO_VIDEO_RESOLUTION>(0));
}
STDMETHODIMP VexoDrive::BurnVideoCD2(IVexoVideoItems* VideoItems, VARIANT_BOOL SuperVideoCD, BSTR TempPath,
                                     IVexoISOTrack* ISOTrack, VEXO_BURN_FLAGS Flags, LONG Speed,
                                     VEXO_VIDEO_RESOLUTION Resolution) {
    return burning::StartVideoBurn(*this, VideoItems, {SuperVideoCD, TempPath, Resolution}, ISOTrack,
                                   {Flags, Speed, static_cast<VEXO_MEDIA_TYPE>(0)});
}
STDMETHODIMP VexoDrive::ImportIsoTrack(LONG TrackNumber, VEXO_IMPORT_ISO_TRACK_FLAGS dwFlags) {
    return burning::StartImport(*this, TrackNumber, dwFlags);
}
STDMETHODIMP VexoDrive::BurnFreestyleCD(IVexoFileSystemContent* pContent, BSTR Artist, BSTR Title,
                                        VARIANT_BOOL CDExtra, IVexoISOTrack* ISOTrack,
                                        IVexoFreestyleTracks* FreestyleTracks, IVexoCDStamp* CDStamp,
                                        VEXO_BURN_FLAGS Flags, LONG Speed, VEXO_MEDIA_TYPE Type) {
    return burning::StartFreestyleBurn(*this, pContent, {Artist, Title, CDExtra}, ISOTrack, FreestyleTracks, CDStamp,
                                       {Flags, Speed, Type});
}
STDMETHODIMP VexoDrive::BurnIsoAudioCD(BSTR Artist, BSTR Title, VARIANT_BOOL CDExtra, IVexoISOTrack* ISOTrack,
                                       IVexoAudioTracks* AudioTracks, IVexoCDStamp* CDStamp, VEXO_BURN_FLAGS Flags,
                                       LONG Speed, VEXO_MEDIA_TYPE Type) {
    return burning::StartIsoAudioBurn(*this, {Artist, Title, CDExtra}, ISOTrack, AudioTracks, CDStamp,
                                      {Flags, Speed, Type});
}
STDMETHODIMP VexoDrive::BurnFileSystemContent(IVexoFileSystemContent* pContent, VEXO_BURN_FLAGS Flags, LONG Speed,
                                              VEXO_MEDIA_TYPE Type) {
    return burning::StartFileSystemBurn(*this, pContent, {Flags, Speed, Type});
}
STDMETHODIMP VexoDrive::CreateBlockReader(AccessMode Mode, IVexoFileSystemBlockReader** ppReader) {
    return CreateBlockAccess(false, Mode, IID_IVexoFileSystemBlockReader, reinterpret_cast<void**>(ppReader));
}
STDMETHODIMP VexoDrive::CreateBlockWriter(AccessMode Mode, IVexoFileSystemBlockWriter** ppWriter) {
    return CreateBlockAccess(true, Mode, IID_IVexoFileSystemBlockWriter, reinterpret_cast<void**>(ppWriter));
}

HRESULT VexoDrive::CreateBlockAccess(bool writer, AccessMode mode, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    EngineBinding::BlockAccess access(writer ? eb::VexoCreateBlockWriterInterface(device_, mode)
                                             : eb::VexoCreateBlockReaderInterface(device_, mode));
    if (!access) return Fail(writer ? kErrBlockWriter : kErrBlockReader);
    ComPtr<VexoFileSystemBlock> block = VexoFileSystemBlock::Make(std::move(access), this, writer);
    if (!block) return E_OUTOFMEMORY;
    return block->QueryInterface(iid, out);
}
STDMETHODIMP VexoDrive::GetVMSInfo(IVexoVMSInfo** ppInfo) {
    if (!ppInfo) return E_POINTER;
    *ppInfo = nullptr;
    if (HRESULT hr = Guard(); FAILED(hr)) return hr;
    eb::EngineMemory record(eb::VexoGetVMSInfo(device_));
    if (!record) return Fail(kErrNonVmsMedium);
    ComPtr<VexoVMSInfo> info;
    HRESULT hr = VexoVMSInfo::FromEngineRecord(record.bytes(), info);
    record.reset();
    if (FAILED(hr)) return hr;
    return info->QueryInterface(IID_IVexoVMSInfo, reinterpret_cast<void**>(ppInfo));
}
STDMETHODIMP VexoDrive::EstimateTrackSize(IVexoISOTrack* ISOTrack, VEXO_ESTIMATE_FLAGS Flags,
                                          IVexoFileSystemTrackOptions* pOptions) {
    return burning::StartEstimate(*this, ISOTrack, Flags, pOptions);
}
STDMETHODIMP VexoDrive::BurnAtOnce(IVexoFileSystemDescContainer* pContent, BSTR bstrTempDirectory,
                                   VEXO_BURN_FLAGS Flags, LONG Speed) {
    return burning::StartBurnAtOnce(*this, pContent, bstrTempDirectory, {Flags, Speed, static_cast<VEXO_MEDIA_TYPE>(0)});
}
STDMETHODIMP VexoDrive::BAOCreateHandle(IVexoFileSystemDescContainer* pContent, BSTR bstrTempDirectory,
                                        VEXO_BURN_FLAGS Flags, LONG Speed) {
    return atOnce_.Create(*this, pContent, bstrTempDirectory, Flags, Speed);
}
STDMETHODIMP VexoDrive::BAOOpenFile(BSTR bstrName, LONG* plOffset, VEXO_BURN_ERROR* pBurnError) {
    return atOnce_.OpenFile(*this, bstrName, plOffset, pBurnError);
}
STDMETHODIMP VexoDrive::BAOWriteToFile(VARIANT varBuffer, LONG lNumberOfBytesToWrite) {
    return atOnce_.Write(*this, varBuffer, lNumberOfBytesToWrite);
}
STDMETHODIMP VexoDrive::BAOCloseFile(VEXO_BURN_ERROR* pBurnError) { return atOnce_.CloseFile(*this, pBurnError); }
STDMETHODIMP VexoDrive::BAOCloseHandle(VEXO_BAO_FLAGS Flags) { return atOnce_.Close(*this, Flags); }
STDMETHODIMP VexoDrive::BurnDiscCopy(IVexoDrive5* pDriveSource, VARIANT_BOOL bOnTheFly, BSTR bstrImageFilePath,
                                     VARIANT_BOOL bDeleteImage, LONG lReadSpeed, LONG lNumberOfRetries,
                                     VARIANT_BOOL bIgnoreDataReadErrors, VARIANT_BOOL bIgnoreAudioReadErrors,
                                     VARIANT_BOOL bReadIsrcAndMediaCatalogNo, VARIANT_BOOL bRawReadMode,
                                     VEXO_BURN_FLAGS Flags, LONG Speed, VEXO_MEDIA_TYPE Type) {
    burning::DiscCopySettings copy;
    copy.onTheFly = bOnTheFly;
    copy.imagePath = bstrImageFilePath;
    copy.deleteImage = bDeleteImage;
    copy.readSpeed = lReadSpeed;
    copy.retries = lNumberOfRetries;
    copy.ignoreDataReadErrors = bIgnoreDataReadErrors;
    copy.ignoreAudioReadErrors = bIgnoreAudioReadErrors;
    copy.readIsrcAndMcn = bReadIsrcAndMediaCatalogNo;
    copy.rawReadMode = bRawReadMode;
    return burning::StartDiscCopy(*this, pDriveSource, copy, {Flags, Speed, Type});
}

}  // namespace vexo
