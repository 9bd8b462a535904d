#include "engineobject/VexoObject.h"

#include <atomic>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <utility>

#include "drives/DriveStatusNotice.h"
#include "EngineBinding.h"
#include "EngineMemory.h"
#include "questions/EngineQuestions.h"
#include "EngineRecords.h"
#include "drives/VexoCDInfo.h"
#include "drives/VexoDrives.h"
#include "MessagePump.h"
#include "com/Bstr.h"
#include "compilation/VexoFileSystemBlock.h"

namespace vexo {

using com::ComPtr;
namespace rec = EngineRecords;

Vexo::Vexo() : point_(Identity(), static_cast<IConnectionPointContainer*>(this), DIID__IVexoEvents) {
    events_.Register(&point_);
    private_.Register(nullptr);
    BecomeCurrent();
}

Vexo::~Vexo() {
    StopBeingCurrent();
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
        const EngineBinding::EngineMemory text(read());
        return com::ReturnAnsi(text.text(), out);
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
    const EngineBinding::EngineMemory text(EngineBinding::VexoGetLastErrors(iNum, static_cast<uint32_t>(Flags)));
    if (!text) return S_OK;
    return com::ReturnAnsi(text.text(), pVal);
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
    const EngineBinding::EngineMemory list(EngineBinding::VexoGetAvailableDrivesEx(static_cast<uint32_t>(lVal)));
    if (!list) return ReportError(CLSID_Vexo, kErrDeviceList, IID_IVexo);
    uint32_t count = 0;
    std::memcpy(&count, list.get(), sizeof count);
    ComPtr<VexoDrives> drives = VexoDrives::FromEngineList(list.bytes(), count);
    if (!drives) return E_OUTOFMEMORY;
    return drives->QueryInterface(IID_IVexoDrives, reinterpret_cast<void**>(ppDrives));
}

STDMETHODIMP Vexo::get_TypeNameOfMedia(VEXO_MEDIA_TYPE Type, BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    const EngineBinding::EngineMemory text(EngineBinding::VexoGetTypeNameOfMedia(static_cast<uint32_t>(Type)));
    if (!text) return S_OK;
    return com::ReturnAnsi(text.text(), pVal);
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
    ComPtr<VexoCDInfo> object;
    {
        const EngineBinding::EngineMemory info(EngineBinding::VexoGetDiscImageInfo(name.c_str()));
        if (!info) return S_FALSE;
        object = VexoCDInfo::FromEngineRecord(info.bytes());
    }
    if (!object) return E_OUTOFMEMORY;
    object->QueryInterface(IID_IVexoCDInfo2, reinterpret_cast<void**>(ppCDInfo));
    return S_FALSE;
}

STDMETHODIMP Vexo::CreateBlockAccessFromImage(BSTR Filename, ImageAccessMode Mode,
                                              IVexoFileSystemBlockWriter** ppBlockAccess) {
    if (!ppBlockAccess) return E_POINTER;
    *ppBlockAccess = nullptr;
    if (HRESULT hr = NeedEngine(); FAILED(hr)) return hr;
    std::string name;
    try {
        name = com::BstrToAnsi(Filename);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    EngineBinding::BlockAccess access(EngineBinding::VexoCreateBlockAccessFromImage(name.c_str(), Mode));
    if (!access) return Fail(kErrBlockWriter);
    com::ComPtr<VexoFileSystemBlock> block = VexoFileSystemBlock::Make(std::move(access), nullptr, true);
    if (!block) return E_OUTOFMEMORY;
    return block->QueryInterface(IID_IVexoFileSystemBlockWriter, reinterpret_cast<void**>(ppBlockAccess));
}

// ---- drive-change notifications -------------------------------------------

int32_t WINAPI Vexo::DriveChangeCallback(int32_t hostId, int32_t targetId, int32_t status, void* userData) {
    auto* self = static_cast<Vexo*>(userData);
    if (!self) return 0;
    self->driveChange_[0] = hostId;
    self->driveChange_[1] = targetId;
    self->driveChange_[2] = status;
    const auto changed = static_cast<VEXO_DRIVECHANGE_RESULT>(status);
    const bool started = StartNoticeThread<__IVexoEvents__>(
        self->EventsCookie(),
        [=](__IVexoEvents__* forwarder) { forwarder->OnDriveStatusChanged(hostId, targetId, changed); });
    return started ? 1 : 0;
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

namespace {

namespace q = questions;
using EventsForwarder = com::EventForwarder<VexoEventsForwarder, __IVexoEvents__>;
using PrivateForwarder = com::EventForwarder<VexoPrivateForwarder, IVexoForwarderPrivate>;

// The table cookies of the current engine object's two forwarders, kept
// apart from the object so that an engine thread never reads an object the
// client thread may be destroying: a snapshot that outlives its object only
// names revoked entries, which the table refuses.
std::atomic<uint64_t> g_questionCookies{0};

// Questions an engine thread is asking now. Each holds proxies of the
// forwarders named by the snapshot it read; the engine object that goes
// away waits for them (serving their calls) before it revokes the
// forwarders, since a call through a proxy whose entry went meanwhile fails
// in the platform's marshalling with nothing on the engine thread to catch it.
std::atomic<int> g_questionsInFlight{0};

// Bit 63 marks a snapshot as present (table cookies are small numbers).
uint64_t PackCookies(DWORD events, DWORD privateCookie) noexcept {
    return (static_cast<uint64_t>(privateCookie) << 32) | events | (uint64_t{1} << 63);
}

// Marks the engine's "disc is not empty" question as being delivered.
class NonEmptyRewritableScope {
public:
    NonEmptyRewritableScope() noexcept { engine::EnterNonEmptyRewritable(); }
    NonEmptyRewritableScope(const NonEmptyRewritableScope&) = delete;
    NonEmptyRewritableScope& operator=(const NonEmptyRewritableScope&) = delete;
    ~NonEmptyRewritableScope() { engine::LeaveNonEmptyRewritable(); }
};

// A text of the engine as a BSTR argument (null for a null text).
com::Bstr EngineTextArg(const char* text) { return com::Bstr::Attach(com::AnsiToBstr(text)); }

// Whether an argument interface can leave this apartment. Marshalling an
// interface whose proxy/stub cannot be made (its type library not found)
// makes the forwarder call fail with an exception raised by the marshalling
// code, which nothing on an engine thread could catch; so each argument
// interface is tried on a local object first, and an event whose argument
// cannot cross gets a null object instead.
template <class Object, class... A>
bool CanCross(REFIID iid, A&&... args) noexcept {
    try {
        ComPtr<Object> probe = Object::Make(std::forward<A>(args)...);
        ComPtr<IStream> stream;
        if (!probe || FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) return false;
        IUnknown* unknown = probe->Identity();
        if (FAILED(::CoMarshalInterface(stream.get(), iid, unknown, MSHCTX_INPROC, nullptr, MSHLFLAGS_NORMAL)))
            return false;
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        ::CoReleaseMarshalData(stream.get());
        return true;
    } catch (...) {
        return false;
    }
}

// One question on an engine thread: the forwarders of the current engine
// object for this thread's apartment (either may be missing: its events
// then reach no client and the presets stand).
class Question {
public:
    Question(uint64_t cookies, int32_t request, void* data) noexcept
        : request_(request), data_(data), number_(reinterpret_cast<intptr_t>(data)) {
        DWORD eventsCookie = static_cast<DWORD>(cookies & 0xFFFFFFFFu);
        DWORD privateCookie = static_cast<DWORD>((cookies >> 32) & 0x7FFFFFFFu);
        if (q::EventsFor(request, number_).first == q::kNoEvent) return;
        if (eventsCookie) EventsForwarder::Get(eventsCookie, events_);
        if (privateCookie) PrivateForwarder::Get(privateCookie, private_);
    }

    int32_t Answer() {
        switch (request_) {
        case q::kDisconnect:
        case q::kDisconnectRestart:
        case q::kAutoInsert:
        case q::kSettingsRestart:
        case q::kCopyQualityLoss:
        case q::kCopyFullRisk: return WithResponse([&](VEXO_RESPONSE* r) { FireResponse(r); });
        case q::kNonEmptyCDRW:
            return WithResponse([&](VEXO_RESPONSE* r) {
                NonEmptyRewritableScope during;
                FireResponse(r);
            });
        case q::kRestart: return Plain(&__IVexoEvents__::OnRestart);
        case q::kAutoInsertRestart: return Plain(&__IVexoEvents__::OnAutoInsertRestart);
        case q::kWaitCDReminder: return Plain(&__IVexoEvents__::OnWaitCDReminder);
        case q::kWaitCDDone: return Plain(&__IVexoEvents__::OnWaitCDDone);
        case q::kOverburn: return Overburn();
        case q::kAudioProblems: return AudioProblems();
        case q::kWaitCD: return WaitCD();
        case q::kFileSelImage: return FileSelImage();
        case q::kWaitCDMediaInfo: return WaitCDMediaInfo();
        case q::kDlgMessageBox: return DlgMessageBox();
        case q::kTempSpace: return TempSpace();
        default: return q::kNotHandled;
        }
    }

private:
    template <class Fire>
    int32_t WithResponse(Fire fire) {
        auto response = static_cast<VEXO_RESPONSE>(q::PresetResponse(request_, number_).value_or(q::kNotHandled));
        if (events_) fire(&response);
        return q::KeptResponse(request_, number_, static_cast<int32_t>(response));
    }

    void FireResponse(VEXO_RESPONSE* r) {
        switch (q::EventsFor(request_, number_).first) {
        case q::kOnDisconnect: events_->OnDisconnect(r); break;
        case q::kOnDisconnectRestart: events_->OnDisconnectRestart(r); break;
        case q::kOnAutoInsert: events_->OnAutoInsert(r); break;
        case q::kOnSettingsRestart: events_->OnSettingsRestart(r); break;
        case q::kOnCopyQualityLoss: events_->OnCopyQualityLoss(r); break;
        case q::kOnCopyFullRisk: events_->OnCopyFullRisk(r); break;
        case q::kOnNonEmptyCDRW: events_->OnNonEmptyCDRW(r); break;
        default: break;
        }
    }

    int32_t Plain(HRESULT (STDMETHODCALLTYPE __IVexoEvents__::*event)()) {
        if (events_) (events_.get()->*event)();
        return q::UnansweredResponse(request_, number_);
    }

    int32_t Overburn() {
        return WithResponse([&](VEXO_RESPONSE* r) {
            events_->OnOverburn(r);
            if (!data_) return;
            ComPtr<IVexoOverburnInfo> info;
            if (private_ && CanCross<VexoOverburnInfo>(IID_IVexoOverburnInfo, std::span<const uint8_t>()))
                private_->CreateOverburnInfo(static_cast<ULONG>(q::OverburnRecord::Size), static_cast<byte*>(data_),
                                             info.put());
            events_->OnOverburn2(info.get(), r);
        });
    }

    int32_t AudioProblems() {
        switch (q::ClassifyAudioProblem(number_)) {
        case q::AudioProblem::kMegaFatal: return Plain(&__IVexoEvents__::OnMegaFatal);
        case q::AudioProblem::kNoTrackFound: return Plain(&__IVexoEvents__::OnNoTrackFound);
        case q::AudioProblem::kProblems: break;
        }
        return WithResponse([&](VEXO_RESPONSE* r) { events_->OnAudioProblems(static_cast<LONG>(number_), r); });
    }

    int32_t WaitCD() {
        if (events_) {
            auto code = static_cast<int32_t>(number_);
            com::Bstr arg;
            {
                const EngineBinding::EngineMemory text(EngineBinding::VexoGetLocalizedWaitCDTexts(code));
                arg = EngineTextArg(text.text());
            }
            events_->OnWaitCD(static_cast<VEXO_WAITCD_TYPE>(code), arg.get());
        }
        return q::UnansweredResponse(request_, number_);
    }

    int32_t FileSelImage() {
        // No buffer: nothing can be chosen.
        if (!data_) return q::FileSelImageResponse(true);
        com::Bstr name;
        if (events_) events_->OnFileSelImage(name.put());
        std::string answer = com::BstrToAnsi(name.get());
        q::CopyAnswer(std::span(static_cast<char*>(data_), q::kFileSelImageBufferSize), answer, true);
        return q::FileSelImageResponse(answer.empty());
    }

    int32_t WaitCDMediaInfo() {
        if (!data_ || !events_) return q::kNotHandled;
        q::MediaInfoFields f =
            q::ReadMediaInfo(rec::ConstBytes(static_cast<const uint8_t*>(data_), q::MediaInfoRecord::Size));
        com::Bstr last = EngineTextArg(f.lastName), requested = EngineTextArg(f.requestedName);
        events_->OnWaitCDMediaInfo(static_cast<VEXO_MEDIA_TYPE>(f.lastMedia), last.get(),
                                   static_cast<VEXO_MEDIA_TYPE>(f.requestedMedia), requested.get());
        return q::kNotHandled;
    }

    int32_t DlgMessageBox() {
        if (!data_) return q::UnansweredResponse(request_, number_);
        return WithResponse([&](VEXO_RESPONSE* r) {
            ComPtr<IVexoDlgMessageBox> box;
            if (private_ && CanCross<VexoDlgMessageBox>(IID_IVexoDlgMessageBox, std::span<const uint8_t>()))
                private_->CreateDlgMessageBox(static_cast<ULONG>(q::MessageBoxRecord::KeptSize),
                                              static_cast<byte*>(data_), box.put());
            events_->OnDlgMessageBox(box.get(), r);
        });
    }

    int32_t TempSpace() {
        if (!data_) return q::kNotHandled;
        q::TempSpaceFields f =
            q::ReadTempSpace(rec::ConstBytes(static_cast<const uint8_t*>(data_), q::TempSpaceRecord::Size));
        if (!f.Usable()) return q::kNotHandled;
        com::Bstr answer;
        if (events_) {
            ComPtr<IInt64> freeSpace, needed;
            if (private_ && CanCross<VexoFSSecNo>(IID_IInt64)) {
                private_->CreateInt64(f.freeLo, f.freeHi, freeSpace.put());
                private_->CreateInt64(f.neededLo, f.neededHi, needed.put());
            }
            com::Bstr current = EngineTextArg(f.currentDirectory);
            events_->OnTempSpace(current.get(), freeSpace.get(), needed.get(), answer.put());
        }
        q::CopyAnswer(std::span(f.buffer, static_cast<std::size_t>(f.bufferSize)), com::BstrToAnsi(answer.get()),
                      false);
        return q::kTempSpaceResponse;
    }

    int32_t request_;
    void* data_;
    intptr_t number_;
    ComPtr<__IVexoEvents__> events_;
    ComPtr<IVexoForwarderPrivate> private_;
};

}  // namespace

void Vexo::BecomeCurrent() noexcept {
    g_questionCookies = PackCookies(events_.cookie(), private_.cookie());
    engine::SetCurrentEngineObject(this);
}

void Vexo::StopBeingCurrent() noexcept {
    engine::ClearCurrentEngineObject();
    g_questionCookies = 0;
    // A question that read the cookies before they went is answered first;
    // none can start now. A handler that lets go of the engine object while
    // it answers is inside that very call and does not wait for it.
    if (com::t_eventsBeingDelivered > 0) return;
    while (g_questionsInFlight.load() > 0) {
        win::PumpPendingMessages();
        if (g_questionsInFlight.load() > 0) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

int32_t Vexo::AnswerEngineQuestion(int32_t request, void* requestData) {
    struct InFlight {
        InFlight() noexcept { ++g_questionsInFlight; }
        ~InFlight() { --g_questionsInFlight; }
    } inFlight;
    uint64_t cookies = g_questionCookies.load();
    if (cookies == 0) return q::kNotHandled;  // the engine object went meanwhile
    try {
        // The forwarders are reached from this thread's own apartment; an
        // engine thread in none gets one for the question's duration.
        com::ApartmentScope apartment;
        Question question(cookies, request, requestData);
        return question.Answer();
    } catch (...) {
        return q::UnansweredResponse(request, reinterpret_cast<intptr_t>(requestData));
    }
}

}  // namespace vexo
