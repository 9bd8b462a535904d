#include "VexoObject.h"

#include <cstring>
#include <new>

#include "EngineBinding.h"
#include "EngineQuestions.h"
#include "EngineRecords.h"
#include "VexoCDInfo.h"
#include "VexoDrives.h"
#include "com/Bstr.h"

namespace vexo {

using com::ComPtr;
namespace rec = EngineRecords;

Vexo::Vexo() : point_(Identity(), static_cast<IConnectionPointContainer*>(this), DIID__IVexoEvents) {
    events_.Register(&point_);
    private_.Register(nullptr);
    engine::SetCurrentEngineObject(this);
}

Vexo::~Vexo() {
    engine::ClearCurrentEngineObject();
    if (driveChangeRegistered_) EngineBinding::VexoUnregisterDriveChangeCallback(&DriveChangeCallback, this);
    events_.Revoke();
    private_.Revoke();
    point_.UnadviseAll();
}

HRESULT Vexo::NeedEngine() {
    if (engine::EnsureInitialized()) return S_OK;
    return Fail(kErrNotInitialized);
}

// ---- configuration --------------------------------------------------------

STDMETHODIMP Vexo::get_LanguageFile(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    return com::ReturnAnsi(engine::LanguageFile().c_str(), pVal);
}

STDMETHODIMP Vexo::put_LanguageFile(BSTR newVal) {
    if (engine::Initialized()) return Fail(kErrAlreadyInitialized);
    engine::SetLanguageFile(com::BstrToAnsi(newVal));
    return S_OK;
}

STDMETHODIMP Vexo::get_EnableOverburn(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = engine::NarrowBool(engine::EnableOverburnField());
    return S_OK;
}

STDMETHODIMP Vexo::put_EnableOverburn(VARIANT_BOOL newVal) {
    if (engine::Initialized()) return Fail(kErrAlreadyInitialized);
    engine::SetEnableOverburnField(engine::WidenBool(newVal));
    return S_OK;
}

STDMETHODIMP Vexo::get_OverburnSize(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = engine::OverburnSizeField();
    return S_OK;
}

STDMETHODIMP Vexo::put_OverburnSize(LONG newVal) {
    if (engine::Initialized()) return Fail(kErrAlreadyInitialized);
    engine::SetOverburnSizeField(newVal);
    return S_OK;
}

STDMETHODIMP Vexo::put_VexoFilesPath(BSTR newVal) {
    engine::SetFilesPath(com::BstrToAnsi(newVal));
    return S_OK;
}

// ---- error texts -----------------------------------------------------------

HRESULT Vexo::EngineText(const char* (*read)(), BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!engine::Loaded()) return com::ReturnAnsi(engine::kNotLoadedText, out);
    if (engine::Initialized()) {
        const char* text = read();
        HRESULT hr = com::ReturnAnsi(text, out);
        if (text) EngineBinding::VexoFreeMem(const_cast<char*>(text));
        return hr;
    }
    std::optional<std::string> text = engine::InitResultText(engine::InitResult());
    return text ? com::ReturnAnsi(text->c_str(), out) : S_OK;
}

STDMETHODIMP Vexo::get_LastError(BSTR* pVal) {
    return EngineText([] { return EngineBinding::VexoGetLastError(); }, pVal);
}

STDMETHODIMP Vexo::get_ErrorLog(BSTR* pVal) {
    return EngineText([] { return EngineBinding::VexoGetErrorLog(); }, pVal);
}

STDMETHODIMP Vexo::LastErrors(INT iNum, VEXO_LAST_ERRORS_FLAGS Flags, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    const char* text = EngineBinding::VexoGetLastErrors(iNum, static_cast<uint32_t>(Flags));
    if (!text) return S_OK;
    HRESULT hr = com::ReturnAnsi(text, pVal);
    EngineBinding::VexoFreeMem(const_cast<char*>(text));
    return hr;
}

STDMETHODIMP Vexo::get_LastDriveError(VEXO_DRIVE_ERROR* pVal) {
    if (!pVal) return E_POINTER;
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    static_assert(sizeof(VEXO_DRIVE_ERROR) == sizeof(int32_t));
    EngineBinding::VexoGetLastDriveError(reinterpret_cast<int32_t*>(pVal));
    return S_OK;
}

STDMETHODIMP Vexo::ClearErrors() {
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    EngineBinding::VexoClearErrors();
    return S_OK;
}

STDMETHODIMP Vexo::Abort() {
    engine::SetAbort(true);
    return S_OK;
}

// ---- engine operations -----------------------------------------------------

STDMETHODIMP Vexo::GetDrives(VEXO_MEDIA_TYPE lVal, IVexoDrives** ppDrives) {
    if (!ppDrives) return E_POINTER;
    *ppDrives = nullptr;
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    engine::Use during;
    void* list = EngineBinding::VexoGetAvailableDrivesEx(static_cast<uint32_t>(lVal));
    if (!list) return ReportError(CLSID_Vexo, kErrDeviceList, IID_IVexo);
    struct FreeList {
        void* p;
        ~FreeList() { EngineBinding::VexoFreeMem(p); }
    } freeList{list};
    uint32_t count = 0;
    std::memcpy(&count, list, sizeof count);
    ComPtr<VexoDrives> drives = VexoDrives::FromEngineList(static_cast<const uint8_t*>(list), count);
    if (!drives) return E_OUTOFMEMORY;
    return drives->QueryInterface(IID_IVexoDrives, reinterpret_cast<void**>(ppDrives));
}

STDMETHODIMP Vexo::get_TypeNameOfMedia(VEXO_MEDIA_TYPE Type, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    const char* text = EngineBinding::VexoGetTypeNameOfMedia(static_cast<uint32_t>(Type));
    if (!text) return S_OK;
    HRESULT hr = com::ReturnAnsi(text, pVal);
    EngineBinding::VexoFreeMem(const_cast<char*>(text));
    return hr;
}

STDMETHODIMP Vexo::put_WriteBufferSize(LONG newVal) {
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    int32_t value = newVal;
    EngineBinding::VexoSetOption(1, &value);
    return S_OK;
}

STDMETHODIMP Vexo::put_RuntimeLanguageFile(BSTR newVal) {
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    try {
        runtimeLanguageFile_ = com::BstrToAnsi(newVal);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    EngineBinding::VexoSetOption(0, runtimeLanguageFile_.c_str());
    return S_OK;
}

STDMETHODIMP Vexo::put_DVDOverburnSize(LONG newVal) {
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    int32_t copy = newVal;
    EngineBinding::VexoSetOption(5, newVal == 0 ? nullptr : &copy);
    return S_OK;
}

STDMETHODIMP Vexo::APIVersion(SHORT* pMajor, SHORT* pMinor, SHORT* pRelease, SHORT* pBuild) {
    if (!pMajor || !pMinor || !pRelease || !pBuild) return E_POINTER;
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    *pMajor = *pMinor = *pRelease = *pBuild = 0;
    EngineBinding::VexoGetAPIVersionEx(reinterpret_cast<uint16_t*>(pMajor), reinterpret_cast<uint16_t*>(pMinor),
                                       reinterpret_cast<uint16_t*>(pRelease), reinterpret_cast<uint16_t*>(pBuild));
    return S_OK;
}

STDMETHODIMP Vexo::GetDiscImageInfo(BSTR ImageFilename, IVexoCDInfo2** ppCDInfo) {
    if (!ppCDInfo) return E_POINTER;
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    *ppCDInfo = nullptr;
    std::string name = com::BstrToAnsi(ImageFilename);
    void* info = EngineBinding::VexoGetDiscImageInfo(name.c_str());
    if (!info) return S_FALSE;
    ComPtr<VexoCDInfo> object = VexoCDInfo::FromEngineRecord(static_cast<const uint8_t*>(info));
    EngineBinding::VexoFreeMem(info);
    if (!object) return E_OUTOFMEMORY;
    object->QueryInterface(IID_IVexoCDInfo2, reinterpret_cast<void**>(ppCDInfo));
    return S_FALSE;
}

STDMETHODIMP Vexo::CreateBlockAccessFromImage(BSTR Filename, ImageAccessMode Mode,
                                              IVexoFileSystemBlockWriter** ppBlockAccess) {
    if (!ppBlockAccess) return E_POINTER;
    *ppBlockAccess = nullptr;
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    // The block-access object is not available yet: a null result.
    return S_OK;
}

// ---- drive-change notifications -------------------------------------------

namespace {

struct DriveChangeNotice {
    DWORD eventsCookie;
    LONG hostId, targetId, status;
};

DWORD WINAPI DriveChangeThread(void* param) {
    auto* notice = static_cast<DriveChangeNotice*>(param);
    if (SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        using Forwarder = com::EventForwarder<VexoEventsForwarder, __IVexoEvents__>;
        ComPtr<__IVexoEvents__> forwarder;
        if (SUCCEEDED(Forwarder::Get(notice->eventsCookie, forwarder)) && forwarder)
            forwarder->OnDriveStatusChanged(notice->hostId, notice->targetId,
                                            static_cast<VEXO_DRIVECHANGE_RESULT>(notice->status));
        forwarder.reset();
        ::CoUninitialize();
    }
    delete notice;
    return 0;
}

}  // namespace

int32_t WINAPI Vexo::DriveChangeCallback(int32_t hostId, int32_t targetId, int32_t status, void* userData) {
    auto* self = static_cast<Vexo*>(userData);
    if (!self) return 0;
    self->driveChange_[0] = hostId;
    self->driveChange_[1] = targetId;
    self->driveChange_[2] = status;
    auto* notice = new (std::nothrow) DriveChangeNotice{self->EventsCookie(), hostId, targetId, status};
    if (!notice) return 0;
    HANDLE thread = ::CreateThread(nullptr, 0, &DriveChangeThread, notice, 0, nullptr);
    if (!thread) {
        delete notice;
        return 0;
    }
    ::CloseHandle(thread);
    return 1;
}

STDMETHODIMP Vexo::EnableDriveChangeCallback(BOOL bEnable) {
    bool enable = bEnable != FALSE;
    if (enable == (driveChangeRegistered_ != 0)) return S_OK;
    if (enable) {
        int32_t r = EngineBinding::VexoRegisterDriveChangeCallback(&DriveChangeCallback, this);
        driveChangeRegistered_ = r == 0 ? 1 : 0;
        return r == 0 ? S_OK : Fail(kErrRegisterCallback);
    }
    int32_t r = EngineBinding::VexoUnregisterDriveChangeCallback(&DriveChangeCallback, this);
    driveChangeRegistered_ = r != 0 ? 1 : 0;
    return r == 0 ? S_OK : Fail(kErrUnregisterCallback);
}

// ---- engine questions ------------------------------------------------------

int32_t Vexo::AnswerEngineQuestion(int32_t request, void* requestData) {
    // The questions are not delivered as events yet: the engine gets the
    // answer of a client that leaves every question unanswered.
    intptr_t data = reinterpret_cast<intptr_t>(requestData);
    if (request == questions::kFileSelImage && requestData) std::memset(requestData, 0, 260);
    if (request == questions::kTempSpace) return questions::kNotHandled;
    return questions::UnansweredResponse(request, data);
}

}  // namespace vexo
