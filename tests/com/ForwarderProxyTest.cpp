// The proxy/stub code of the forwarder interfaces: the proxy file lists
// exactly the forwarders, and calls made on another apartment's thread reach
// the object in the owning apartment with their arguments intact, while the
// [in, out] answers travel back. The proxy/stub class object is registered
// for the process only (no registry), in each apartment that marshals.
#include <windows.h>
#include <oleauto.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Vexo.h"
#include "VexoProxy.h"
#include "ProxyRegistration.h"

namespace {

const IID* const kForwarders[] = {
    &__uuidof(__IVexoEvents__),          &__uuidof(__IVexoDriveEvents__),
    &__uuidof(IVexoForwarderPrivate),    &__uuidof(__IVexoAudioTrackEvents__),
    &__uuidof(__IVexoFreestyleTrackEvents__), &__uuidof(__IVexoFileProducerEvents__),
};

std::wstring GuidText(const GUID& g) {
    wchar_t text[40] = {};
    StringFromGUID2(g, text, 40);
    return text;
}

TEST(ForwarderProxies, ProxyFileListsExactlyTheForwarders) {
    EXPECT_EQ(GuidText(CLSID_PSFactoryBuffer), L"{202522AF-3E82-4614-86C5-6A96B83310C9}");
    const ULONG count = VexoProxyInterfaceCount();
    std::set<std::string> names;
    std::set<std::wstring> iids;
    for (ULONG i = 0; i < count; ++i) {
        ASSERT_NE(VexoProxyInterfaceName(i), nullptr);
        ASSERT_NE(VexoProxyInterfaceId(i), nullptr);
        names.insert(VexoProxyInterfaceName(i));
        iids.insert(GuidText(*VexoProxyInterfaceId(i)));
    }
    EXPECT_EQ(VexoProxyInterfaceName(count), nullptr);
    EXPECT_EQ(VexoProxyInterfaceId(count), nullptr);
    EXPECT_EQ(names, (std::set<std::string>{"__IVexoEvents__", "__IVexoDriveEvents__", "IVexoForwarderPrivate",
                                            "__IVexoAudioTrackEvents__", "__IVexoFreestyleTrackEvents__",
                                            "__IVexoFileProducerEvents__"}));
    std::set<std::wstring> want;
    for (const IID* iid : kForwarders) want.insert(GuidText(*iid));
    EXPECT_EQ(iids, want);
    EXPECT_TRUE(iids.count(L"{202522AF-3E82-4614-86C5-6A96B83310C9}"));
    EXPECT_TRUE(iids.count(L"{2605A3EC-6A19-4C99-8AD6-090711B546C3}"));
    EXPECT_TRUE(iids.count(L"{F091FED8-F0EB-44A4-841A-648B35397565}"));
}

TEST(ForwarderProxies, ClassObjectIsAProxyStubFactory) {
    IPSFactoryBuffer* factory = nullptr;
    ASSERT_EQ(PrxDllGetClassObject(CLSID_PSFactoryBuffer, IID_IPSFactoryBuffer, reinterpret_cast<void**>(&factory)),
              S_OK);
    ASSERT_NE(factory, nullptr);
    factory->Release();
    IUnknown* other = nullptr;
    EXPECT_NE(PrxDllGetClassObject(__uuidof(Vexo), IID_IUnknown, reinterpret_cast<void**>(&other)), S_OK);
    EXPECT_EQ(other, nullptr);
}

// ---- marshalling across apartments ------------------------------------------

struct Apartment {
    Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Apartment() { CoUninitialize(); }
};

template <class I>
class Object : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(I))) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs_); }  // lives on the stack
    DWORD thread = 0;  // the thread the last call ran on
protected:
    void Called() { thread = GetCurrentThreadId(); }
private:
    LONG refs_ = 1;
};

template <class I>
struct ApartmentJob {
    IStream* stream;
    const std::function<void(I*)>* client;
    HRESULT unmarshal = E_FAIL;
    bool registered = false;
};

template <class I>
DWORD WINAPI RunInNewApartment(void* p) {
    auto* job = static_cast<ApartmentJob<I>*>(p);
    Apartment apartment;
    ProxyRegistration registration;
    job->registered = registration.ok();
    I* proxy = nullptr;
    job->unmarshal = CoGetInterfaceAndReleaseStream(job->stream, __uuidof(I), reinterpret_cast<void**>(&proxy));
    if (SUCCEEDED(job->unmarshal) && proxy) {
        (*job->client)(proxy);
        proxy->Release();
    }
    return 0;
}

// Marshals `object` (owned by this thread's apartment) to a new apartment
// thread, runs `client` there with the unmarshalled proxy, and pumps this
// thread's messages until it is done.
template <class I>
void CallFromAnotherApartment(I* object, const std::function<void(I*)>& client) {
    IStream* stream = nullptr;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(__uuidof(I), object, &stream), S_OK);
    ApartmentJob<I> job{stream, &client};
    HANDLE thread = CreateThread(nullptr, 0, &RunInNewApartment<I>, &job, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, 30000, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) break;
        ASSERT_EQ(r, WAIT_OBJECT_0 + 1) << "the other apartment did not finish";
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    CloseHandle(thread);
    EXPECT_TRUE(job.registered);
    ASSERT_EQ(job.unmarshal, S_OK);
}

class ForwarderMarshalling : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registration_.ok()); }
    Apartment apartment_;
    ProxyRegistration registration_;
    const DWORD owner_ = GetCurrentThreadId();
};

std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

struct DriveEvents : Object<__IVexoDriveEvents__> {
    LONG percent = -1, textType = -1, bytesWritten = -1;
    VEXO_BURN_ERROR burn = VEXO_BURN_OK, written = VEXO_BURN_OK;
    std::wstring text;
    VARTYPE dataType = VT_EMPTY;
    std::vector<SHORT> samples;

    HRESULT STDMETHODCALLTYPE OnProgress(LONG Percent, VARIANT_BOOL* Abort) override {
        Called(); percent = Percent; *Abort = VARIANT_TRUE; return S_OK; }
    HRESULT STDMETHODCALLTYPE OnAddLogLine(LONG TextType, BSTR Text_) override {
        Called(); textType = TextType; text = Text(Text_); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSetPhase(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDisableAbort(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnWriteDAE(LONG, VARIANT Data) override {
        Called();
        dataType = V_VT(&Data);
        if (V_VT(&Data) == (VT_ARRAY | VT_I2)) {
            SHORT* p = nullptr;
            if (SUCCEEDED(SafeArrayAccessData(V_ARRAY(&Data), reinterpret_cast<void**>(&p)))) {
                samples.assign(p, p + V_ARRAY(&Data)->rgsabound[0].cElements);
                SafeArrayUnaccessData(V_ARRAY(&Data));
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDoneDAE(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDoneErase(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDoneBurn(VEXO_BURN_ERROR StatusCode) override { Called(); burn = StatusCode; return S_OK; }
    HRESULT STDMETHODCALLTYPE OnAborted(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDoneImport(VARIANT_BOOL, IVexoFolder*, IVexoCDStamp*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnMajorPhase(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnSubTaskProgress(LONG, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDoneWaitForMedia(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDoneCDInfo(IVexoCDInfo2*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDoneImport2(VARIANT_BOOL, IVexoFolder*, IVexoCDStamp*, IVexoImportDataTrackInfo*,
                                            VEXO_IMPORT_DATA_TRACK_RESULT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDriveStatusChanged(VEXO_DRIVESTATUS_RESULT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDoneEstimateTrackSize(VARIANT_BOOL, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDoneBAOCreateHandle(VEXO_BURN_ERROR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDoneBAOWriteToFile(VEXO_BURN_ERROR StatusCode, LONG n) override {
        Called(); written = StatusCode; bytesWritten = n; return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDoneBAOCloseHandle(VEXO_BURN_ERROR) override { return E_NOTIMPL; }
};

TEST_F(ForwarderMarshalling, DriveEventsCarryNumbersTextsArraysAndAnswers) {
    DriveEvents events;
    VARIANT_BOOL abort = VARIANT_FALSE;
    HRESULT progress = E_FAIL, unimplemented = S_OK;
    CallFromAnotherApartment<__IVexoDriveEvents__>(&events, [&](__IVexoDriveEvents__* proxy) {
        progress = proxy->OnProgress(42, &abort);
        BSTR line = SysAllocString(L"Writing lead-in");
        proxy->OnAddLogLine(3, line);
        SysFreeString(line);

        SAFEARRAY* array = SafeArrayCreateVector(VT_I2, 0, 4);
        SHORT* p = nullptr;
        SafeArrayAccessData(array, reinterpret_cast<void**>(&p));
        p[0] = 1; p[1] = -2; p[2] = 3; p[3] = -32768;
        SafeArrayUnaccessData(array);
        VARIANT data;
        VariantInit(&data);
        V_VT(&data) = VT_ARRAY | VT_I2;
        V_ARRAY(&data) = array;
        proxy->OnWriteDAE(0, data);
        VariantClear(&data);

        proxy->OnDoneBurn(VEXO_BURN_USER_ABORT);
        proxy->OnDoneBAOWriteToFile(VEXO_BURN_FAILED, 2048);
        unimplemented = proxy->OnDoneErase(VARIANT_TRUE);
    });
    EXPECT_EQ(events.thread, owner_) << "the calls ran in the object's own apartment";
    EXPECT_EQ(progress, S_OK);
    EXPECT_EQ(events.percent, 42);
    EXPECT_EQ(abort, VARIANT_TRUE) << "the answer came back";
    EXPECT_EQ(events.textType, 3);
    EXPECT_EQ(events.text, L"Writing lead-in");
    EXPECT_EQ(events.dataType, VT_ARRAY | VT_I2);
    EXPECT_EQ(events.samples, (std::vector<SHORT>{1, -2, 3, -32768}));
    EXPECT_EQ(events.burn, VEXO_BURN_USER_ABORT);
    EXPECT_EQ(events.written, VEXO_BURN_FAILED);
    EXPECT_EQ(events.bytesWritten, 2048);
    EXPECT_EQ(unimplemented, E_NOTIMPL) << "the object's own result travels back";
}

struct EngineEvents : Object<__IVexoEvents__> {
    LONG problems = 0;
    VEXO_RESPONSE seenPreset = VEXO_RETURN_TRUE;
    std::wstring offered, directory;
    bool freeSpaceNull = false;

    HRESULT STDMETHODCALLTYPE OnAutoInsert(VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDisconnectRestart(VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDisconnect(VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAutoInsertRestart() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnRestart() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnSettingsRestart(VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnOverburn(VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnCopyQualityLoss(VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnCopyFullRisk(VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnNoTrackFound() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnMegaFatal() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnWaitCD(VEXO_WAITCD_TYPE, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnWaitCDReminder() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnWaitCDDone() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAudioProblems(LONG Problems, VEXO_RESPONSE* Response) override {
        Called(); problems = Problems; seenPreset = *Response; *Response = VEXO_RETURN_YES; return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFileSelImage(BSTR* FileName) override {
        Called(); offered = Text(*FileName); SysFreeString(*FileName);
        *FileName = SysAllocString(L"D:\\images\\disc.iso"); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnNonEmptyCDRW(VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnWaitCDMediaInfo(VEXO_MEDIA_TYPE, BSTR, VEXO_MEDIA_TYPE, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDriveStatusChanged(LONG, LONG, VEXO_DRIVECHANGE_RESULT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnOverburn2(IVexoOverburnInfo*, VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDlgMessageBox(IVexoDlgMessageBox*, VEXO_RESPONSE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnTempSpace(BSTR Current, IInt64* FreeSpace, IInt64*, BSTR* NewDirectory) override {
        Called(); directory = Text(Current); freeSpaceNull = FreeSpace == nullptr;
        SysFreeString(*NewDirectory); *NewDirectory = SysAllocString(L"E:\\Temp"); return S_OK; }
};

TEST_F(ForwarderMarshalling, EngineQuestionsReturnNegativeAnswersAndTexts) {
    EngineEvents events;
    VEXO_RESPONSE response = VEXO_RETURN_TRUE;
    BSTR file = nullptr, newDirectory = nullptr;
    CallFromAnotherApartment<__IVexoEvents__>(&events, [&](__IVexoEvents__* proxy) {
        proxy->OnAudioProblems(0x11, &response);
        proxy->OnFileSelImage(&file);
        BSTR current = SysAllocString(L"C:\\Temp");
        proxy->OnTempSpace(current, nullptr, nullptr, &newDirectory);
        SysFreeString(current);
    });
    EXPECT_EQ(events.thread, owner_);
    EXPECT_EQ(events.problems, 0x11);
    EXPECT_EQ(events.seenPreset, VEXO_RETURN_TRUE);
    EXPECT_EQ(response, VEXO_RETURN_YES) << "a negative answer crosses as 32 bits";
    EXPECT_EQ(events.offered, L"") << "a null name arrives as null";
    EXPECT_EQ(Text(file), L"D:\\images\\disc.iso");
    EXPECT_EQ(events.directory, L"C:\\Temp");
    EXPECT_TRUE(events.freeSpaceNull);
    EXPECT_EQ(Text(newDirectory), L"E:\\Temp");
    SysFreeString(file);
    SysFreeString(newDirectory);
}

struct Private : Object<IVexoForwarderPrivate> {
    std::vector<BYTE> overburn, messageBox;
    LONG lo = 0, hi = 0;
    HRESULT STDMETHODCALLTYPE CreateOverburnInfo(ULONG cb, BYTE* record, IVexoOverburnInfo** out) override {
        Called(); overburn.assign(record, record + cb); *out = nullptr; return S_OK; }
    HRESULT STDMETHODCALLTYPE CreateDlgMessageBox(ULONG cb, BYTE* record, IVexoDlgMessageBox** out) override {
        Called(); messageBox.assign(record, record + cb); *out = nullptr; return S_FALSE; }
    HRESULT STDMETHODCALLTYPE CreateInt64(LONG LoPart, LONG HiPart, IInt64** out) override {
        Called(); lo = LoPart; hi = HiPart; *out = nullptr; return S_OK; }
};

TEST_F(ForwarderMarshalling, ArgumentObjectFactoryReceivesWholeRecords) {
    Private factory;
    std::vector<BYTE> record(136);
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<BYTE>(i * 7 + 1);
    HRESULT box = E_FAIL;
    IVexoOverburnInfo* info = reinterpret_cast<IVexoOverburnInfo*>(1);
    CallFromAnotherApartment<IVexoForwarderPrivate>(&factory, [&](IVexoForwarderPrivate* proxy) {
        proxy->CreateOverburnInfo(static_cast<ULONG>(record.size()), record.data(), &info);
        IVexoDlgMessageBox* message = nullptr;
        box = proxy->CreateDlgMessageBox(16, record.data(), &message);
        IInt64* value = nullptr;
        proxy->CreateInt64(static_cast<LONG>(0x89ABCDEF), 1, &value);
    });
    EXPECT_EQ(factory.thread, owner_);
    EXPECT_EQ(factory.overburn, record);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(factory.messageBox, std::vector<BYTE>(record.begin(), record.begin() + 16));
    EXPECT_EQ(box, S_FALSE);
    EXPECT_EQ(factory.lo, static_cast<LONG>(0x89ABCDEF));
    EXPECT_EQ(factory.hi, 1);
}

struct Producer : Object<__IVexoFileProducerEvents__> {
    LONG id = 0;
    ULONGLONG stream = 0;
    HRESULT STDMETHODCALLTYPE OnProduceFile(LONG id_, ULONGLONG OutputStream, VEXO_ENTRY_ERROR* pError) override {
        Called(); id = id_; stream = OutputStream; *pError = VEXO_ENTRY_NOT_AVAILABLE; return S_OK; }
};

TEST_F(ForwarderMarshalling, ProducerReceivesTheEngineStreamAddressWhole) {
    Producer producer;
    static int engineStream;  // any address of this process
    VEXO_ENTRY_ERROR error = VEXO_ENTRY_NO_ERROR;
    CallFromAnotherApartment<__IVexoFileProducerEvents__>(&producer, [&](__IVexoFileProducerEvents__* proxy) {
        proxy->OnProduceFile(7, reinterpret_cast<ULONG_PTR>(&engineStream), &error);
    });
    EXPECT_EQ(producer.thread, owner_);
    EXPECT_EQ(producer.id, 7);
    EXPECT_EQ(producer.stream, static_cast<ULONGLONG>(reinterpret_cast<ULONG_PTR>(&engineStream)));
    EXPECT_EQ(error, VEXO_ENTRY_NOT_AVAILABLE);
}

struct AudioTrack : Object<__IVexoAudioTrackEvents__> {
    LONG askedLength = 0;
    HRESULT STDMETHODCALLTYPE OnReadAudioBurn(LONG* Length, VARIANT* Data) override {
        Called();
        askedLength = *Length;
        // Answer with a shorter buffer of fixed samples.
        VariantClear(Data);
        SAFEARRAY* array = SafeArrayCreateVector(VT_I2, 0, 2);
        SHORT* p = nullptr;
        SafeArrayAccessData(array, reinterpret_cast<void**>(&p));
        p[0] = 0x1234; p[1] = -1;
        SafeArrayUnaccessData(array);
        V_VT(Data) = VT_ARRAY | VT_I2;
        V_ARRAY(Data) = array;
        *Length = 4;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnEOF(VARIANT_BOOL* Eof) override { Called(); *Eof = VARIANT_FALSE; return S_OK; }
    HRESULT STDMETHODCALLTYPE OnError(VARIANT_BOOL*) override { return E_NOTIMPL; }
};

TEST_F(ForwarderMarshalling, TrackReadAnswersWithTheClientsBuffer) {
    AudioTrack track;
    LONG length = 2352;
    std::vector<SHORT> returned;
    VARTYPE returnedType = VT_EMPTY;
    VARIANT_BOOL eof = VARIANT_TRUE;
    CallFromAnotherApartment<__IVexoAudioTrackEvents__>(&track, [&](__IVexoAudioTrackEvents__* proxy) {
        VARIANT data;
        VariantInit(&data);
        V_VT(&data) = VT_ARRAY | VT_I2;
        V_ARRAY(&data) = SafeArrayCreateVector(VT_I2, 0, 1176);
        proxy->OnReadAudioBurn(&length, &data);
        returnedType = V_VT(&data);
        if (V_VT(&data) == (VT_ARRAY | VT_I2)) {
            SHORT* p = nullptr;
            SafeArrayAccessData(V_ARRAY(&data), reinterpret_cast<void**>(&p));
            returned.assign(p, p + V_ARRAY(&data)->rgsabound[0].cElements);
            SafeArrayUnaccessData(V_ARRAY(&data));
        }
        VariantClear(&data);
        proxy->OnEOF(&eof);
    });
    EXPECT_EQ(track.askedLength, 2352);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(returnedType, VT_ARRAY | VT_I2);
    EXPECT_EQ(returned, (std::vector<SHORT>{0x1234, -1}));
    EXPECT_EQ(eof, VARIANT_FALSE);
}

}  // namespace
