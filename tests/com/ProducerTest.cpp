// Producers and their streams in-process, against an engine played by the
// test: the engine calls the producer from a thread of its own, the event
// reaches the sink in the producer's apartment, the bytes written reach the
// engine's stream, the stream is closed once the call returns, and the
// references lent to the engine come back once each from any thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "EngineObjects.h"
#include "ProxyRegistration.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/Module.h"
#include "compilation/VexoDataInputStream.h"
#include "compilation/VexoFileProducer.h"

namespace vexo {
namespace {

using com::ComPtr;
namespace eo = EngineObjects;

constexpr HRESULT Err(unsigned id) { return static_cast<HRESULT>(0x80040000u + id); }

// ---- the engine's side, played by the test -------------------------------------

// A burn-at-once detail whose offset is fixed.
struct FakeInfo : eo::Object {
    int32_t offset = 0;
    std::atomic<int>* released = nullptr;
};
void __stdcall InfoRelease(eo::Object* self) {
    auto* info = static_cast<FakeInfo*>(self);
    if (info->released) ++*info->released;
    delete info;
}
eo::Object* __stdcall NoView(eo::Object*, const char*) { return nullptr; }
int32_t __stdcall InfoOffset(eo::Object* self) { return static_cast<FakeInfo*>(self)->offset; }
const eo::BurnAtOnceInfoOperations kInfoOps = {{&InfoRelease, &NoView}, &InfoOffset};

// An output stream that keeps what it is given.
struct FakeStream : eo::Object {
    std::string bytes;
    int32_t answer = eo::entryNoError;
    int32_t atOnceOffset = -1;  // -1: no burn-at-once view
    std::atomic<int> infosReleased{0};
};
void __stdcall StreamRelease(eo::Object*) {}
eo::Object* __stdcall StreamView(eo::Object* self, const char* name) {
    auto* stream = static_cast<FakeStream*>(self);
    if (std::string(name) != eo::kBurnAtOnceInfoView || stream->atOnceOffset < 0) return nullptr;
    auto* info = new FakeInfo;
    info->operations = &kInfoOps;
    info->offset = stream->atOnceOffset;
    info->released = &stream->infosReleased;
    return info;
}
int32_t __stdcall StreamWrite(eo::Object* self, const void* bytes, uint32_t size) {
    auto* stream = static_cast<FakeStream*>(self);
    stream->bytes.append(static_cast<const char*>(bytes), size);
    return stream->answer;
}
const eo::OutputStreamOperations kStreamOps = {{&StreamRelease, &StreamView}, &StreamWrite};

FakeStream* NewStream() {
    auto* s = new FakeStream;
    s->operations = &kStreamOps;
    return s;
}

// The engine's calls on the producer's engine-side object.
const eo::ProducerOperations* OpsOf(eo::Object* producer) {
    return static_cast<const eo::ProducerOperations*>(producer->operations);
}

// Runs `call` on a thread of the engine's (multithreaded apartment) while
// this thread pumps its messages.
void OnEngineThread(const std::function<void()>& call) {
    std::atomic<bool> done{false};
    std::thread engine([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ProxyRegistration here;
            call();
        }
        CoUninitialize();
        done = true;
    });
    MSG msg;
    while (!done) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(1);
    }
    engine.join();
}

// ---- the client's side ----------------------------------------------------------

class Sink final : public IDispatch {
public:
    std::function<void(VARIANT* args)> onProduce;  // args in declared order: id, stream, error
    int calls = 0;
    DWORD thread = 0;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch) ||
            IsEqualGUID(iid, DIID__IVexoFileProducerEvents)) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id != 1 || params->cArgs != 3) return DISP_E_MEMBERNOTFOUND;
        ++calls;
        thread = GetCurrentThreadId();
        std::vector<VARIANT> args(params->rgvarg, params->rgvarg + 3);
        std::reverse(args.begin(), args.end());
        if (onProduce) onProduce(args.data());
        return S_OK;
    }
};

DWORD Advise(IUnknown* source, IDispatch* sink) {
    ComPtr<IConnectionPointContainer> container;
    source->QueryInterface(IID_IConnectionPointContainer, container.put_void());
    ComPtr<IConnectionPoint> point;
    container->FindConnectionPoint(DIID__IVexoFileProducerEvents, point.put());
    DWORD cookie = 0;
    point->Advise(sink, &cookie);
    return cookie;
}

VARIANT Bytes(const std::string& bytes) {
    VARIANT v;
    V_VT(&v) = VT_ARRAY | VT_I1;
    V_ARRAY(&v) = SafeArrayCreateVector(VT_I1, 0, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    SafeArrayAccessData(V_ARRAY(&v), &data);
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
    SafeArrayUnaccessData(V_ARRAY(&v));
    return v;
}

IVexoDataInputStream2* StreamArgument(VARIANT* args) {
    if (V_VT(&args[1]) != (VT_BYREF | VT_DISPATCH) || !*V_DISPATCHREF(&args[1])) return nullptr;
    IVexoDataInputStream2* stream = nullptr;
    (*V_DISPATCHREF(&args[1]))->QueryInterface(IID_IVexoDataInputStream2, reinterpret_cast<void**>(&stream));
    return stream;
}

class ProducerTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(ProducerTest, TheEngineCallsTheProducerFromItsThreadAndTheSinkWritesInTheProducersApartment) {
    ProxyRegistration proxies;
    ASSERT_TRUE(proxies.ok());
    ComPtr<VexoFileProducer> producer = VexoFileProducer::Make();
    Sink sink;
    ASSERT_NE(Advise(producer->Identity(), &sink), 0u);
    ComPtr<IVexoDataInputStream2> kept;
    std::vector<HRESULT> writes;
    LONG seenId = -1, offset = -1;
    sink.onProduce = [&](VARIANT* args) {
        seenId = *V_I4REF(&args[0]);
        kept = ComPtr<IVexoDataInputStream2>::Attach(StreamArgument(args));
        ASSERT_TRUE(kept);
        VARIANT part = Bytes("hello, ");
        writes.push_back(kept->Write(part, 7));
        VariantClear(&part);
        VARIANT rest = Bytes("world and more");
        writes.push_back(kept->Write(rest, 5));
        writes.push_back(kept->Write(rest, 15));  // beyond the array
        writes.push_back(kept->Write(rest, -1));
        VariantClear(&rest);
        VARIANT text;
        V_VT(&text) = VT_BSTR;
        V_BSTR(&text) = SysAllocString(L"bytes?");
        writes.push_back(kept->Write(text, 6));
        VariantClear(&text);
        ComPtr<IVexoBurnAtOnceInfo> info;
        ASSERT_EQ(kept->get_BurnAtOnceInfo(info.put()), S_OK);
        ASSERT_TRUE(info);
        ASSERT_EQ(info->get_Offset(&offset), S_OK);
        *V_I4REF(&args[2]) = VEXO_ENTRY_SEQUENCING_ERROR;
    };

    FakeStream* stream = NewStream();
    stream->atOnceOffset = 1234;
    eo::Object* engineSide = producer->LendToEngine();
    int32_t answer = -1;
    DWORD engineThread = 0;
    OnEngineThread([&] {
        engineThread = GetCurrentThreadId();
        answer = OpsOf(engineSide)->Produce(engineSide, stream);
    });
    EXPECT_EQ(sink.calls, 1);
    EXPECT_EQ(sink.thread, GetCurrentThreadId());
    EXPECT_NE(engineThread, GetCurrentThreadId());
    EXPECT_EQ(seenId, producer->Id());
    EXPECT_EQ(stream->bytes, "hello, world");
    EXPECT_EQ(writes, (std::vector<HRESULT>{S_OK, S_OK, Err(535), Err(535), Err(535)}));
    EXPECT_EQ(offset, 1234);
    EXPECT_EQ(stream->infosReleased.load(), 1) << "the detail went back to the engine";
    EXPECT_EQ(answer, eo::entrySequencingError) << "the error the sink left";

    // After the call the stream is closed: nothing reaches the engine.
    ASSERT_TRUE(kept);
    VARIANT late = Bytes("late");
    EXPECT_EQ(kept->Write(late, 4), E_POINTER);
    VariantClear(&late);
    ComPtr<IVexoBurnAtOnceInfo> noInfo;
    EXPECT_EQ(kept->get_BurnAtOnceInfo(noInfo.put()), E_POINTER);
    EXPECT_EQ(stream->bytes, "hello, world");

    OpsOf(engineSide)->object.Release(engineSide);
    EXPECT_EQ(producer->EngineReferences(), 0);
    delete stream;
}

TEST_F(ProducerTest, WithoutASinkTheEngineHearsTheEntryIsNotAvailable) {
    ProxyRegistration proxies;
    ComPtr<VexoFileProducer> producer = VexoFileProducer::Make();
    FakeStream* stream = NewStream();
    eo::Object* engineSide = producer->LendToEngine();
    int32_t answer = -1;
    OnEngineThread([&] { answer = OpsOf(engineSide)->Produce(engineSide, stream); });
    EXPECT_EQ(answer, eo::entryNotAvailable);
    EXPECT_TRUE(stream->bytes.empty());

    // A sink that writes nothing and leaves the error alone: no error, no
    // bytes (the engine then finds the file short of its length).
    Sink sink;
    Advise(producer->Identity(), &sink);
    OnEngineThread([&] { answer = OpsOf(engineSide)->Produce(engineSide, stream); });
    EXPECT_EQ(answer, eo::entryNoError);
    EXPECT_EQ(sink.calls, 1);
    OpsOf(engineSide)->object.Release(engineSide);
    delete stream;
}

TEST_F(ProducerTest, EngineReferencesComeBackOnceEachFromAnyThread) {
    const LONG locksBefore = com::ModuleLockCount();
    ComPtr<VexoFileProducer> first = VexoFileProducer::Make();
    ComPtr<VexoFileProducer> second = VexoFileProducer::Make();
    EXPECT_EQ(second->Id(), first->Id() + 1);
    LONG id = 0;
    ASSERT_EQ(second->get_id(&id), S_OK);
    EXPECT_EQ(id, second->Id());

    eo::Object* a = first->LendToEngine();
    eo::Object* b = first->LendToEngine();
    EXPECT_EQ(first->EngineReferences(), 2);
    // The engine gives them back on its threads, racing; a third signal is
    // ignored instead of taking the client's own reference.
    std::thread t1([&] { OpsOf(a)->object.Release(a); });
    std::thread t2([&] { OpsOf(b)->object.Release(b); });
    t1.join();
    t2.join();
    OpsOf(a)->object.Release(a);
    EXPECT_EQ(first->EngineReferences(), 0);
    LONG stillThere = 0;
    EXPECT_EQ(first->get_id(&stillThere), S_OK);
    EXPECT_EQ(OpsOf(a)->object.QueryView(a, "IDirectory"), nullptr);

    // The last reference may be the engine's, released on a thread of its
    // own that never entered an apartment.
    eo::Object* last = second->LendToEngine();
    second.reset();
    std::thread t3([&] { OpsOf(last)->object.Release(last); });
    t3.join();
    first.reset();
    EXPECT_EQ(com::ModuleLockCount(), locksBefore) << "both producers and their forwarders are gone";
}

TEST_F(ProducerTest, AStreamRefusesWhatIsNotAByteArrayAndReportsTheEnginesRefusal) {
    FakeStream* engineStream = NewStream();
    ComPtr<VexoDataInputStream> stream = VexoDataInputStream::Make(engineStream);
    VARIANT bytes = Bytes("abc");
    VARIANT byRef;
    V_VT(&byRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byRef) = &bytes;
    EXPECT_EQ(stream->Write(byRef, 3), S_OK) << "a script's variable arrives by reference";
    EXPECT_EQ(stream->Write(bytes, 0), S_OK);
    engineStream->answer = eo::entryNotAvailable;
    EXPECT_EQ(stream->Write(bytes, 2), E_FAIL);
    EXPECT_EQ(engineStream->bytes, "abcab");
    SAFEARRAYBOUND bounds[2] = {{1, 0}, {3, 0}};
    VARIANT twoDimensions;
    V_VT(&twoDimensions) = VT_ARRAY | VT_I1;
    V_ARRAY(&twoDimensions) = SafeArrayCreate(VT_I1, 2, bounds);
    EXPECT_EQ(stream->Write(twoDimensions, 1), Err(535));
    VariantClear(&twoDimensions);
    VARIANT words;
    V_VT(&words) = VT_ARRAY | VT_I2;
    V_ARRAY(&words) = SafeArrayCreateVector(VT_I2, 0, 4);
    EXPECT_EQ(stream->Write(words, 2), Err(535));
    VariantClear(&words);
    ComPtr<IVexoBurnAtOnceInfo> info;
    EXPECT_EQ(stream->get_BurnAtOnceInfo(info.put()), S_OK);
    EXPECT_FALSE(info) << "outside burn-at-once there is no detail";
    EXPECT_EQ(stream->get_BurnAtOnceInfo(nullptr), E_POINTER);
    VariantClear(&bytes);
    stream->Close();
    delete engineStream;
}

}  // namespace
}  // namespace vexo
