// Audio and freestyle tracks, video items, block positions and their
// collections as the server's own objects, in-process. Records are read
// with this file's own offsets; the engine's callbacks are called as the
// engine would, on this thread and on another apartment's thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "VexoInterfaces.h"
#include "VexoProxy.h"
#include "ProxyRegistration.h"
#include "com/ComPtr.h"
#include "compilation/CollectionRecords.h"
#include "compilation/VexoAudioTrack.h"
#include "compilation/VexoAudioTracks.h"
#include "compilation/VexoFolder.h"
#include "compilation/VexoFolders.h"
#include "compilation/VexoFreestyleTrack.h"
#include "compilation/VexoFreestyleTracks.h"
#include "compilation/VexoRelativeIndexBlkPositions.h"
#include "compilation/VexoVideoItem.h"
#include "compilation/VexoVideoItems.h"

namespace vexo {
namespace {

using com::ComPtr;

constexpr HRESULT Err(int id) { return static_cast<HRESULT>(0x80040000u | static_cast<unsigned>(id)); }

// --- the records, with this test's own offsets --------------------------------
constexpr std::size_t P = sizeof(void*);
constexpr std::size_t Align(std::size_t v) { return (v + P - 1) / P * P; }
namespace audio {
constexpr std::size_t Pause = 0, Count = 4, Positions = 8, Title = Align(400), Artist = Title + P,
                      Kind = Artist + P, Source = Align(Kind + 4), Length = Source + 256, Index0 = Length + 4,
                      Size = Align(Index0 + 4 + 124);
static_assert(P != 4 || (Title == 400 && Artist == 404 && Kind == 408 && Source == 412 && Length == 668 &&
                         Index0 == 672 && Size == 800));
}  // namespace audio
namespace freestyle {
constexpr std::size_t StructSize = 0, Pause = 4, Count = 8, Positions = 12, Title = Align(404), Artist = Title + P,
                      Kind = Artist + P, Source = Align(Kind + 4), Length = Source + 256, Type = Length + 4,
                      Size = Align(Type + 4);
static_assert(P != 4 || (Title == 404 && Kind == 412 && Source == 416 && Length == 672 && Type == 676 &&
                         Size == 680));
}  // namespace freestyle
namespace video {
constexpr std::size_t Pause = 0, Name = 4, LongName = Align(256), Type = LongName + P, Size = Align(Type + 4);
static_assert(P != 4 || (LongName == 256 && Type == 260 && Size == 264));
}  // namespace video

int32_t I32(EngineRecords::ConstBytes r, std::size_t offset) {
    int32_t v;
    std::memcpy(&v, r.data() + offset, 4);
    return v;
}
const void* Ptr(EngineRecords::ConstBytes r, std::size_t offset) {
    const void* v;
    std::memcpy(&v, r.data() + offset, P);
    return v;
}
std::string Text(EngineRecords::ConstBytes r, std::size_t offset) {
    return reinterpret_cast<const char*>(r.data() + offset);
}

// --- helpers ------------------------------------------------------------------
struct OwnedBstr {
    BSTR b = nullptr;
    OwnedBstr() = default;
    explicit OwnedBstr(const std::wstring& s) : b(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    ~OwnedBstr() { SysFreeString(b); }
    std::wstring str() const { return b ? std::wstring(b, SysStringLen(b)) : L""; }
};
template <class Obj>
std::wstring Filename(Obj* o) {
    OwnedBstr s;
    EXPECT_EQ(o->get_Filename(&s.b), S_OK);
    return s.str();
}
template <class Obj>
HRESULT SetFilename(Obj* o, const std::wstring& name) {
    OwnedBstr b(name);
    return o->put_Filename(b.b);
}
LONG CountOf(auto* collection) {
    LONG n = -1;
    EXPECT_EQ(collection->get_Count(&n), S_OK);
    return n;
}

// A sink of a track's events: the handler sees the arguments in declared
// order and may change the by-reference ones.
class Sink final : public IDispatch {
public:
    explicit Sink(REFIID events) : events_(events) {}
    std::function<void(DISPID, VARIANT* args, UINT count)> onEvent;
    std::vector<DISPID> seen;
    DWORD lastThread = 0;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch) || IsEqualGUID(iid, events_)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
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
        seen.push_back(id);
        lastThread = GetCurrentThreadId();
        // DISPPARAMS hold the arguments last first: turn them round.
        std::vector<VARIANT> args(params->rgvarg, params->rgvarg + params->cArgs);
        std::reverse(args.begin(), args.end());
        if (onEvent) onEvent(id, args.data(), params->cArgs);
        return S_OK;
    }

private:
    IID events_;
};

DWORD Advise(IUnknown* source, REFIID events, IDispatch* sink) {
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(source->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(events, point.put()), S_OK);
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(sink, &cookie), S_OK);
    return cookie;
}

// Replaces the [in,out] Data argument by a new vector of `vt` holding `bytes`.
void ReplaceData(VARIANT* dataRef, VARTYPE vt, const std::vector<uint8_t>& bytes, ULONG elementSize) {
    VARIANT* data = V_VARIANTREF(dataRef);
    VariantClear(data);
    SAFEARRAY* a = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(bytes.size() / elementSize));
    void* p = nullptr;
    SafeArrayAccessData(a, &p);
    std::memcpy(p, bytes.data(), bytes.size() / elementSize * elementSize);
    SafeArrayUnaccessData(a);
    V_VT(data) = static_cast<VARTYPE>(VT_ARRAY | vt);
    V_ARRAY(data) = a;
}

struct Apartment {
    Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Apartment() { CoUninitialize(); }
};

class TracksTest : public ::testing::Test {
protected:
    Apartment apartment_;
};

// --- collections ----------------------------------------------------------------

TEST_F(TracksTest, FullCollectionsReportTheirMessageBeforeLookingAtTheArgument) {
    ComPtr<VexoAudioTracks> audio = VexoAudioTracks::Make();
    std::vector<ComPtr<VexoAudioTrack>> kept;
    for (int i = 0; i < 99; ++i) {
        kept.push_back(VexoAudioTrack::Make());
        ASSERT_EQ(audio->Add(kept.back().get()), S_OK) << i;
    }
    ComPtr<VexoAudioTrack> extra = VexoAudioTrack::Make();
    EXPECT_EQ(audio->Add(extra.get()), Err(528));
    EXPECT_EQ(audio->Add(nullptr), Err(528));
    EXPECT_EQ(extra->Marks().member, 0);
    EXPECT_EQ(CountOf(audio.get()), 99);
    ComPtr<IVexoAudioTrack> last;
    ASSERT_EQ(audio->Item(98, last.put()), S_OK);
    EXPECT_EQ(static_cast<IVexoAudioTrack*>(kept[98].get()), last.get());

    ComPtr<VexoFreestyleTracks> free = VexoFreestyleTracks::Make();
    ComPtr<VexoVideoItems> items = VexoVideoItems::Make();
    for (int i = 0; i < 99; ++i) {
        ASSERT_EQ(free->Add(VexoFreestyleTrack::Make().get()), S_OK);
        ASSERT_EQ(items->Add(VexoVideoItem::Make().get()), S_OK);
    }
    EXPECT_EQ(free->Add(nullptr), Err(532));
    EXPECT_EQ(items->Add(nullptr), Err(522));

    ComPtr<VexoRelativeIndexBlkPositions> positions = VexoRelativeIndexBlkPositions::Make();
    for (LONG i = 0; i < 98; ++i) ASSERT_EQ(positions->Add(i * 75), S_OK);
    EXPECT_EQ(positions->Add(1), Err(527));
    EXPECT_EQ(CountOf(positions.get()), 98);
    // Below the limit a null element is a null pointer.
    EXPECT_EQ(VexoAudioTracks::Make()->Add(nullptr), E_POINTER);
}

TEST_F(TracksTest, AnElementSitsInOneCollectionAtATimeAndForeignObjectsAreRefused) {
    ComPtr<VexoAudioTracks> first = VexoAudioTracks::Make(), second = VexoAudioTracks::Make();
    ComPtr<VexoAudioTrack> track = VexoAudioTrack::Make();
    ASSERT_EQ(first->Add(track.get()), S_OK);
    EXPECT_EQ(second->Add(track.get()), Err(523));
    EXPECT_EQ(first->Add(track.get()), Err(523));
    ASSERT_EQ(first->Remove(0), S_OK);
    EXPECT_EQ(second->Add(track.get()), S_OK);

    // Going away, a collection lets its elements into another one.
    ComPtr<VexoVideoItem> item = VexoVideoItem::Make();
    {
        ComPtr<VexoVideoItems> gone = VexoVideoItems::Make();
        ASSERT_EQ(gone->Add(item.get()), S_OK);
    }
    EXPECT_EQ(VexoVideoItems::Make()->Add(item.get()), S_OK);

    // An audio track is not a freestyle track, whatever the pointer says.
    ComPtr<VexoFreestyleTracks> free = VexoFreestyleTracks::Make();
    EXPECT_EQ(free->Add(reinterpret_cast<IVexoFreestyleTrack*>(static_cast<IVexoAudioTrack*>(track.get()))),
              E_INVALIDARG);
    EXPECT_EQ(CountOf(free.get()), 0);
}

TEST_F(TracksTest, IndexesOutsideTheCollectionAreInvalidArguments) {
    ComPtr<VexoVideoItems> items = VexoVideoItems::Make();
    ComPtr<IVexoVideoItem> out;
    EXPECT_EQ(items->Item(0, out.put()), E_INVALIDARG);
    EXPECT_EQ(items->Remove(0), E_INVALIDARG);
    ASSERT_EQ(items->Add(VexoVideoItem::Make().get()), S_OK);
    ASSERT_EQ(items->Add(VexoVideoItem::Make().get()), S_OK);
    for (INT bad : {-1, 2, 0x7fffffff}) {
        IVexoVideoItem* raw = reinterpret_cast<IVexoVideoItem*>(1);
        EXPECT_EQ(items->Item(bad, &raw), E_INVALIDARG) << bad;
        EXPECT_EQ(raw, nullptr);
        EXPECT_EQ(items->Remove(bad), E_INVALIDARG) << bad;
    }
    EXPECT_EQ(items->Item(0, nullptr), E_POINTER);
    EXPECT_EQ(items->get_Count(nullptr), E_POINTER);
    EXPECT_EQ(CountOf(items.get()), 2);

    ComPtr<VexoRelativeIndexBlkPositions> positions = VexoRelativeIndexBlkPositions::Make();
    ASSERT_EQ(positions->Add(-5), S_OK);
    LONG v = 0;
    EXPECT_EQ(positions->Item(0, &v), S_OK);
    EXPECT_EQ(v, -5);
    EXPECT_EQ(positions->Item(1, &v), E_INVALIDARG);
    EXPECT_EQ(positions->Remove(-1), E_INVALIDARG);
    EXPECT_EQ(positions->Remove(0), S_OK);
    EXPECT_EQ(CountOf(positions.get()), 0);
}

TEST_F(TracksTest, EnumerationGoesInInsertionOrderOneAtATimeWithOneSharedCursor) {
    ComPtr<VexoAudioTracks> tracks = VexoAudioTracks::Make();
    std::vector<ComPtr<VexoAudioTrack>> kept;
    for (int i = 0; i < 3; ++i) {
        kept.push_back(VexoAudioTrack::Make());
        ASSERT_EQ(tracks->Add(kept.back().get()), S_OK);
    }
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(tracks->get__NewEnum(unknown.put()), S_OK);
    ComPtr<IEnumVARIANT> e;
    ASSERT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, e.put_void()), S_OK);

    VARIANT v[2];
    ULONG fetched = 9;
    EXPECT_EQ(e->Next(2, v, &fetched), E_INVALIDARG);
    EXPECT_EQ(fetched, 0u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(e->Next(1, v, &fetched), S_OK);
        EXPECT_EQ(fetched, 1u);
        ASSERT_EQ(V_VT(&v[0]), VT_DISPATCH);
        EXPECT_EQ(V_DISPATCH(&v[0]), static_cast<IDispatch*>(static_cast<IVexoAudioTrack*>(kept[i].get())));
        VariantClear(&v[0]);
        if (i == 0) {
            // A second _NewEnum restarts the enumeration in progress.
            ComPtr<IUnknown> again;
            ASSERT_EQ(tracks->get__NewEnum(again.put()), S_OK);
            ASSERT_EQ(e->Next(1, v, &fetched), S_OK);
            EXPECT_EQ(V_DISPATCH(&v[0]), static_cast<IDispatch*>(static_cast<IVexoAudioTrack*>(kept[0].get())));
            VariantClear(&v[0]);
        }
    }
    EXPECT_EQ(e->Next(1, v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(V_VT(&v[0]), VT_EMPTY);
    EXPECT_EQ(e->Next(1, nullptr, &fetched), E_POINTER);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(2), S_OK);
    EXPECT_EQ(e->Skip(1), S_FALSE);
    ComPtr<IEnumVARIANT> clone;
    EXPECT_EQ(e->Clone(clone.put()), E_NOTIMPL);

    // Positions enumerate as 32-bit integers.
    ComPtr<VexoRelativeIndexBlkPositions> positions = VexoRelativeIndexBlkPositions::Make();
    positions->Add(150);
    positions->Add(300);
    ComPtr<IUnknown> pu;
    ASSERT_EQ(positions->get__NewEnum(pu.put()), S_OK);
    ComPtr<IEnumVARIANT> pe;
    ASSERT_EQ(pu->QueryInterface(IID_IEnumVARIANT, pe.put_void()), S_OK);
    std::vector<LONG> got;
    while (pe->Next(1, v, nullptr) == S_OK) {
        ASSERT_EQ(V_VT(&v[0]), VT_I4);
        got.push_back(V_I4(&v[0]));
    }
    EXPECT_EQ(got, (std::vector<LONG>{150, 300}));
}

TEST_F(TracksTest, ALockedCollectionAndItsElementsRefuseChangesButAnswerReads) {
    ComPtr<VexoAudioTracks> tracks = VexoAudioTracks::Make();
    ComPtr<VexoAudioTrack> track = VexoAudioTrack::Make();
    ASSERT_EQ(tracks->Add(track.get()), S_OK);
    ComPtr<IVexoRelativeIndexBlkPositions> positions;
    ASSERT_EQ(track->get_RelativeIndexBlkPositions(positions.put()), S_OK);
    ASSERT_TRUE(tracks->TryLock());
    EXPECT_FALSE(tracks->TryLock());  // one operation at a time

    EXPECT_EQ(tracks->Add(VexoAudioTrack::Make().get()), Err(529));
    EXPECT_EQ(tracks->Remove(0), Err(529));
    EXPECT_EQ(track->put_LengthInBlocks(10), Err(529));
    EXPECT_EQ(track->put_TrackType(VEXO_AUDIO_TRACK_FILE_MP3), Err(529));
    EXPECT_EQ(SetFilename(track.get(), L"a.wav"), Err(529));
    LONG length = -1;
    EXPECT_EQ(track->get_LengthInBlocks(&length), S_OK);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(CountOf(tracks.get()), 1);
    // The positions are the track's own list and are never locked.
    EXPECT_EQ(positions->Add(75), S_OK);

    // A track locked in one collection is not taken by another's lock.
    ComPtr<VexoVideoItems> items = VexoVideoItems::Make();
    ComPtr<VexoVideoItem> item = VexoVideoItem::Make();
    items->Add(item.get());
    ASSERT_TRUE(items->TryLock());
    EXPECT_EQ(item->put_PauseAfterItem(1), Err(529));
    items->Unlock();
    EXPECT_EQ(item->put_PauseAfterItem(1), S_OK);

    tracks->Unlock();
    EXPECT_EQ(track->put_LengthInBlocks(10), S_OK);
    EXPECT_EQ(tracks->Remove(0), S_OK);
}

// A late-bound caller (a script) gets the 529 error with its text for every
// change, asked for a result or not, and answers for every read.
HRESULT InvokeName(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                   EXCEPINFO* excep) {
    DISPID id = 0;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    HRESULT hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::reverse(args.begin(), args.end());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, excep, nullptr);
}
VARIANT Long(LONG v) {
    VARIANT x;
    VariantInit(&x);
    V_VT(&x) = VT_I4;
    V_I4(&x) = v;
    return x;
}
VARIANT Object(IDispatch* d) {
    VARIANT x;
    VariantInit(&x);
    V_VT(&x) = VT_DISPATCH;
    V_DISPATCH(&x) = d;
    return x;
}

TEST_F(TracksTest, LateBoundChangesToLockedObjectsRaiseTheLockedErrorAndReadsAnswer) {
    ComPtr<VexoAudioTracks> tracks = VexoAudioTracks::Make();
    ComPtr<VexoAudioTrack> track = VexoAudioTrack::Make();
    ASSERT_EQ(tracks->Add(track.get()), S_OK);
    ComPtr<VexoFolder> root = VexoFolder::Make(), sub = VexoFolder::Make();
    ComPtr<VexoFolders> folders;
    ASSERT_EQ(root->FoldersCollection(folders), S_OK);
    ASSERT_EQ(folders->Add(sub.get()), S_OK);
    ASSERT_TRUE(tracks->TryLock());
    ASSERT_TRUE(root->TryLockTree());

    ComPtr<VexoAudioTrack> spare = VexoAudioTrack::Make();
    struct Change {
        IDispatch* target;
        const wchar_t* name;
        WORD flags;
        std::vector<VARIANT> args;
    };
    const Change changes[] = {
        {track.get(), L"LengthInBlocks", DISPATCH_PROPERTYPUT, {Long(5)}},
        {track.get(), L"TrackType", DISPATCH_PROPERTYPUT, {Long(1)}},
        {tracks.get(), L"Add", DISPATCH_METHOD, {Object(spare.get())}},
        {tracks.get(), L"Remove", DISPATCH_METHOD, {Long(0)}},
        {folders.get(), L"Remove", DISPATCH_METHOD, {Long(0)}},
        {sub.get(), L"Name", DISPATCH_PROPERTYPUT, {Long(7)}},
    };
    for (const Change& c : changes) {
        for (bool withResult : {false, true}) {
            VARIANT result;
            VariantInit(&result);
            EXCEPINFO excep{};
            EXPECT_EQ(InvokeName(c.target, c.name, c.flags, c.args, withResult ? &result : nullptr, &excep),
                      DISP_E_EXCEPTION)
                << c.name;
            EXPECT_EQ(excep.scode, Err(529)) << c.name;
            EXPECT_NE(excep.bstrDescription, nullptr);
            if (excep.bstrDescription) {
                EXPECT_EQ(std::wstring(excep.bstrDescription),
                          L"The object is locked until asynchronous operation is done!");
            }
            SysFreeString(excep.bstrDescription);
            SysFreeString(excep.bstrSource);
            SysFreeString(excep.bstrHelpFile);
            VariantClear(&result);
        }
    }
    VARIANT count;
    VariantInit(&count);
    ASSERT_EQ(InvokeName(tracks.get(), L"Count", DISPATCH_PROPERTYGET, {}, &count, nullptr), S_OK);
    EXPECT_EQ(V_I4(&count), 1);
    VARIANT type;
    VariantInit(&type);
    ASSERT_EQ(InvokeName(track.get(), L"TrackType", DISPATCH_PROPERTYGET, {}, &type, nullptr), S_OK);
    EXPECT_EQ(V_I4(&type), 0);

    tracks->Unlock();
    root->UnlockTree();
    ASSERT_EQ(InvokeName(track.get(), L"LengthInBlocks", DISPATCH_PROPERTYPUT, {Long(5)}, nullptr, nullptr), S_OK);
    LONG length = 0;
    track->get_LengthInBlocks(&length);
    EXPECT_EQ(length, 5);
}

// --- track properties ----------------------------------------------------------

TEST_F(TracksTest, EnumeratedPropertiesRefuseValuesOutsideTheirRangeAndKeepTheOldOne) {
    ComPtr<VexoAudioTrack> audio = VexoAudioTrack::Make();
    VEXO_AUDIO_TRACK_TYPE at{};
    ASSERT_EQ(audio->get_TrackType(&at), S_OK);
    EXPECT_EQ(at, VEXO_AUDIO_TRACK_FILE_WAV);
    ASSERT_EQ(audio->put_TrackType(VEXO_AUDIO_TRACK_FILE_WMA), S_OK);
    EXPECT_EQ(audio->put_TrackType(static_cast<VEXO_AUDIO_TRACK_TYPE>(4)), Err(530));
    EXPECT_EQ(audio->put_TrackType(static_cast<VEXO_AUDIO_TRACK_TYPE>(-1)), Err(530));
    audio->get_TrackType(&at);
    EXPECT_EQ(at, VEXO_AUDIO_TRACK_FILE_WMA);

    ComPtr<VexoFreestyleTrack> free = VexoFreestyleTrack::Make();
    VEXO_FREESTYLE_TRACK_TYPE ft{};
    VEXO_FREESTYLE_SOURCE_TYPE st{};
    ASSERT_EQ(free->get_TrackType(&ft), S_OK);
    ASSERT_EQ(free->get_SourceType(&st), S_OK);
    EXPECT_EQ(ft, VEXO_FREESTYLE_TRACK_MODE1);
    EXPECT_EQ(st, VEXO_FREESTYLE_SOURCE_FILE);
    ASSERT_EQ(free->put_TrackType(VEXO_FREESTYLE_TRACK_AUDIO), S_OK);
    EXPECT_EQ(free->put_TrackType(static_cast<VEXO_FREESTYLE_TRACK_TYPE>(3)), Err(531));
    EXPECT_EQ(free->put_SourceType(static_cast<VEXO_FREESTYLE_SOURCE_TYPE>(2)), Err(533));
    free->get_TrackType(&ft);
    free->get_SourceType(&st);
    EXPECT_EQ(ft, VEXO_FREESTYLE_TRACK_AUDIO);
    EXPECT_EQ(st, VEXO_FREESTYLE_SOURCE_FILE);
    EXPECT_EQ(I32(free->RecordBytes(), freestyle::Type), 2);
    EXPECT_EQ(I32(free->RecordBytes(), freestyle::StructSize), static_cast<int32_t>(freestyle::Size));

    ComPtr<VexoVideoItem> item = VexoVideoItem::Make();
    VEXO_VIDEO_ITEM_TYPE vt{};
    LONG pause = -1;
    ASSERT_EQ(item->get_ItemType(&vt), S_OK);
    ASSERT_EQ(item->get_PauseAfterItem(&pause), S_OK);
    EXPECT_EQ(vt, VEXO_MPEG_ITEM);
    EXPECT_EQ(pause, 0);
    EXPECT_EQ(item->put_ItemType(static_cast<VEXO_VIDEO_ITEM_TYPE>(3)), Err(525));
    ASSERT_EQ(item->put_ItemType(VEXO_NONENCODED_VIDEO_ITEM), S_OK);
    EXPECT_EQ(I32(item->RecordBytes(), video::Type), 2);

    EXPECT_EQ(audio->get_TrackType(nullptr), E_POINTER);
    EXPECT_EQ(free->get_SourceType(nullptr), E_POINTER);
    EXPECT_EQ(item->get_SourceFileName(nullptr), E_POINTER);
    EXPECT_EQ(audio->get_RelativeIndexBlkPositions(nullptr), E_POINTER);
}

TEST_F(TracksTest, FileNamesCountAnsiBytesUpTo255AndTextsReadBackAsSet) {
    ComPtr<VexoAudioTrack> audio = VexoAudioTrack::Make();
    ComPtr<VexoFreestyleTrack> free = VexoFreestyleTrack::Make();
    const std::wstring at255(255, L'n'), at256(256, L'm');
    ASSERT_EQ(SetFilename(audio.get(), at255), S_OK);
    EXPECT_EQ(SetFilename(audio.get(), at256), Err(524));
    EXPECT_EQ(Filename(audio.get()), at255);
    ASSERT_EQ(SetFilename(free.get(), L"data.bin"), S_OK);
    EXPECT_EQ(SetFilename(free.get(), at256), Err(524));
    EXPECT_EQ(Filename(free.get()), L"data.bin");
    ASSERT_EQ(free->put_Filename(nullptr), S_OK);
    EXPECT_EQ(Filename(free.get()), L"");

    // Never-set texts read as null; set ones come back as copies.
    OwnedBstr title;
    ASSERT_EQ(audio->get_Title(&title.b), S_OK);
    EXPECT_EQ(title.b, nullptr);
    OwnedBstr in(L"Caf\u00e9 Ol\u00e9");
    ASSERT_EQ(audio->put_Artist(in.b), S_OK);
    OwnedBstr artist;
    ASSERT_EQ(audio->get_Artist(&artist.b), S_OK);
    EXPECT_NE(artist.b, in.b);
    EXPECT_EQ(artist.str(), L"Caf\u00e9 Ol\u00e9");

    // The positions collection is made once and kept.
    ComPtr<IVexoRelativeIndexBlkPositions> a, b;
    ASSERT_EQ(audio->get_RelativeIndexBlkPositions(a.put()), S_OK);
    ASSERT_EQ(audio->get_RelativeIndexBlkPositions(b.put()), S_OK);
    EXPECT_EQ(a.get(), b.get());
}

// --- records -----------------------------------------------------------------

TEST_F(TracksTest, AnAudioTrackRefreshesItsRecordFromItsProperties) {
    ComPtr<VexoAudioTrack> track = VexoAudioTrack::Make();
    ASSERT_EQ(track->RecordBytes().size(), audio::Size);
    for (uint8_t b : track->RecordBytes()) ASSERT_EQ(b, 0);

    track->put_PauseInBlksBeforeThisTrack(150);
    track->put_LengthInBlocks(22050);
    track->put_Index0ContainsData(VARIANT_TRUE);
    OwnedBstr title(L"Intro"), file(L"C:\\music\\intro.mp3");
    track->put_Title(title.b);
    track->put_Filename(file.b);
    track->put_TrackType(VEXO_AUDIO_TRACK_FILE_MP3);
    ASSERT_EQ(track->RefreshRecord(), S_OK);
    auto r = track->RecordBytes();
    EXPECT_EQ(I32(r, audio::Pause), 150);
    EXPECT_EQ(I32(r, audio::Length), 22050);
    EXPECT_EQ(static_cast<uint32_t>(I32(r, audio::Index0)), 0xFFFFFFFFu);  // sign-extended true
    EXPECT_EQ(I32(r, audio::Count), 0);                                     // no positions read yet
    ASSERT_NE(Ptr(r, audio::Title), nullptr);
    EXPECT_STREQ(static_cast<const char*>(Ptr(r, audio::Title)), "Intro");
    EXPECT_EQ(Ptr(r, audio::Artist), nullptr);  // never set
    EXPECT_EQ(I32(r, audio::Kind), 2);
    EXPECT_EQ(Text(r, audio::Source), "C:\\music\\intro.mp3");

    // Three positions in order; fewer later leave no stale ones behind.
    ComPtr<IVexoRelativeIndexBlkPositions> positions;
    track->get_RelativeIndexBlkPositions(positions.put());
    for (LONG p : {75, 150, 600}) positions->Add(p);
    track->put_TrackType(VEXO_AUDIO_TRACK_FILE_WMA);
    ASSERT_EQ(track->RefreshRecord(), S_OK);
    EXPECT_EQ(I32(r, audio::Count), 3);
    EXPECT_EQ(I32(r, audio::Positions), 75);
    EXPECT_EQ(I32(r, audio::Positions + 4), 150);
    EXPECT_EQ(I32(r, audio::Positions + 8), 600);
    EXPECT_EQ(I32(r, audio::Kind), 3);
    positions->Remove(0);
    positions->Remove(0);
    ASSERT_EQ(track->RefreshRecord(), S_OK);
    EXPECT_EQ(I32(r, audio::Count), 1);
    EXPECT_EQ(I32(r, audio::Positions), 600);
    EXPECT_EQ(I32(r, audio::Positions + 4), 0);

    // The event kind: the track as user data, then the three callbacks.
    track->put_TrackType(VEXO_AUDIO_TRACK_THROUGH_EVENT);
    ASSERT_EQ(track->RefreshRecord(), S_OK);
    EXPECT_EQ(I32(r, audio::Kind), 1);
    EXPECT_EQ(Ptr(r, audio::Source), static_cast<const void*>(track.get()));
    EXPECT_EQ(Ptr(r, audio::Source + P), reinterpret_cast<const void*>(&VexoAudioTrack::ReadCallback));
    EXPECT_EQ(Ptr(r, audio::Source + 2 * P), reinterpret_cast<const void*>(&VexoAudioTrack::EndOfDataCallback));
    EXPECT_EQ(Ptr(r, audio::Source + 3 * P), reinterpret_cast<const void*>(&VexoAudioTrack::ErrorCallback));
    EXPECT_EQ(r[audio::Source + 4 * P], 0);  // nothing of the old file name left

    // Back to a file: the name replaces the pointers.
    track->put_TrackType(VEXO_AUDIO_TRACK_FILE_WAV);
    ASSERT_EQ(track->RefreshRecord(), S_OK);
    EXPECT_EQ(I32(r, audio::Kind), 0);
    EXPECT_EQ(Text(r, audio::Source), "C:\\music\\intro.mp3");
}

TEST_F(TracksTest, AFreestyleTrackWritesKindFourForFilesAndOneForEvents) {
    ComPtr<VexoFreestyleTrack> track = VexoFreestyleTrack::Make();
    OwnedBstr file(L"D:\\data\\track.iso"), artist(L"Someone");
    track->put_Filename(file.b);
    track->put_Artist(artist.b);
    track->put_LengthInBlocks(300);
    ASSERT_EQ(track->RefreshRecord(), S_OK);
    auto r = track->RecordBytes();
    EXPECT_EQ(I32(r, freestyle::StructSize), static_cast<int32_t>(freestyle::Size));
    EXPECT_EQ(I32(r, freestyle::Kind), 4);
    EXPECT_EQ(Text(r, freestyle::Source), "D:\\data\\track.iso");
    EXPECT_EQ(I32(r, freestyle::Length), 300);
    EXPECT_STREQ(static_cast<const char*>(Ptr(r, freestyle::Artist)), "Someone");
    track->put_SourceType(VEXO_FREESTYLE_SOURCE_EVENT);
    ASSERT_EQ(track->RefreshRecord(), S_OK);
    EXPECT_EQ(I32(r, freestyle::Kind), 1);
    EXPECT_EQ(Ptr(r, freestyle::Source), static_cast<const void*>(track.get()));
}

TEST_F(TracksTest, VideoNamesBelow250BytesSitInlineAndLongerOnesBehindThePointer) {
    ComPtr<VexoVideoItem> item = VexoVideoItem::Make();
    auto r = item->RecordBytes();
    ASSERT_EQ(r.size(), video::Size);
    const std::wstring at249(249, L'v'), at250(250, L'w');
    OwnedBstr shortName(at249), longName(at250), back;
    ASSERT_EQ(item->put_SourceFileName(shortName.b), S_OK);
    EXPECT_EQ(Text(r, video::Name), std::string(249, 'v'));
    EXPECT_EQ(Ptr(r, video::LongName), nullptr);
    ASSERT_EQ(item->get_SourceFileName(&back.b), S_OK);
    EXPECT_EQ(back.str(), at249);

    ASSERT_EQ(item->put_SourceFileName(longName.b), S_OK);
    EXPECT_EQ(r[video::Name], 0);
    ASSERT_NE(Ptr(r, video::LongName), nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(Ptr(r, video::LongName))), std::string(250, 'w'));
    OwnedBstr back2;
    ASSERT_EQ(item->get_SourceFileName(&back2.b), S_OK);
    EXPECT_EQ(back2.str(), at250);

    // No upper limit; a short name afterwards clears the pointer.
    OwnedBstr huge(std::wstring(5000, L'h'));
    ASSERT_EQ(item->put_SourceFileName(huge.b), S_OK);
    OwnedBstr small(L"clip.mpg"), back3;
    ASSERT_EQ(item->put_SourceFileName(small.b), S_OK);
    EXPECT_EQ(Ptr(r, video::LongName), nullptr);
    EXPECT_EQ(Text(r, video::Name), "clip.mpg");
    ASSERT_EQ(item->put_SourceFileName(nullptr), S_OK);
    ASSERT_EQ(item->get_SourceFileName(&back3.b), S_OK);
    EXPECT_EQ(back3.str(), L"");
}

TEST_F(TracksTest, ACollectionFillsConsecutiveSlotsOfABurnRecordInOrder) {
    ComPtr<VexoAudioTracks> tracks = VexoAudioTracks::Make();
    std::vector<ComPtr<VexoAudioTrack>> kept;
    for (LONG i = 0; i < 3; ++i) {
        kept.push_back(VexoAudioTrack::Make());
        kept.back()->put_LengthInBlocks(1000 + i);
        tracks->Add(kept.back().get());
    }
    const std::size_t first = 8;
    std::vector<uint8_t> burn(first + 4 * audio::Size, 0xEE);
    ASSERT_EQ(WriteCollectionRecords(*tracks, burn, RecordArray{4, first, audio::Size, 4}), S_OK);
    EXPECT_EQ(I32(burn, 4), 3);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(I32(burn, first + i * audio::Size + audio::Length), static_cast<int32_t>(1000 + i));
    EXPECT_EQ(burn[first + 3 * audio::Size], 0xEE);  // the fourth slot untouched
    EXPECT_EQ(burn[0], 0xEE);

    // Too many for the array: nothing written.
    std::vector<uint8_t> small(first + 2 * audio::Size, 0xEE);
    EXPECT_EQ(WriteCollectionRecords(*tracks, small, RecordArray{4, first, audio::Size, 2}), E_INVALIDARG);
    EXPECT_EQ(small[4], 0xEE);

    // Video items go as they stand, long-name pointer and all.
    ComPtr<VexoVideoItems> items = VexoVideoItems::Make();
    ComPtr<VexoVideoItem> item = VexoVideoItem::Make();
    OwnedBstr name(std::wstring(300, L'x'));
    item->put_SourceFileName(name.b);
    items->Add(item.get());
    std::vector<uint8_t> vburn(4 + video::Size);
    ASSERT_EQ(WriteCollectionRecords(*items, vburn, RecordArray{0, 4, video::Size, 1}), S_OK);
    EXPECT_EQ(Ptr(vburn, 4 + video::LongName), Ptr(item->RecordBytes(), video::LongName));
}

// --- the engine's callbacks --------------------------------------------------------

TEST_F(TracksTest, WithoutASinkAReadDeliversZerosAndBothQuestionsAnswerTrue) {
    ComPtr<VexoAudioTrack> track = VexoAudioTrack::Make();
    std::vector<uint8_t> buffer(2352, 0xAA);
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), buffer.data(), 2352), 2352);
    for (uint8_t b : buffer) ASSERT_EQ(b, 0);
    EXPECT_NE(VexoAudioTrack::EndOfDataCallback(track.get()), 0);
    EXPECT_NE(VexoAudioTrack::ErrorCallback(track.get()), 0);
    // Nothing to read into: no bytes, and a negative size marks an error.
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), buffer.data(), 0), 0);
    EXPECT_FALSE(track->ErrorFlag());
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), nullptr, 16), 0);
    EXPECT_TRUE(track->ErrorFlag());
    ASSERT_EQ(track->RefreshRecord(), S_OK);
    EXPECT_FALSE(track->ErrorFlag());
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), buffer.data(), -4), 0);
    EXPECT_TRUE(track->ErrorFlag());
}

TEST_F(TracksTest, TheReadEventGivesAnArrayOfTheTrackKindAndCopiesNoMoreThanAllBounds) {
    ComPtr<VexoAudioTrack> track = VexoAudioTrack::Make();
    Sink sink(DIID__IVexoAudioTrackEvents);
    Advise(track->Identity(), DIID__IVexoAudioTrackEvents, &sink);

    // The handler sees Length = size and a VT_I2 array of size/2 elements,
    // fills it and says how much it filled.
    LONG lengthSeen = 0;
    ULONG elementsSeen = 0;
    sink.onEvent = [&](DISPID id, VARIANT* args, UINT count) {
        ASSERT_EQ(id, 1);
        ASSERT_EQ(count, 2u);
        ASSERT_EQ(V_VT(&args[0]), VT_BYREF | VT_I4);
        ASSERT_EQ(V_VT(&args[1]), VT_BYREF | VT_VARIANT);
        VARIANT* data = V_VARIANTREF(&args[1]);
        ASSERT_EQ(V_VT(data), VT_ARRAY | VT_I2);
        lengthSeen = *V_I4REF(&args[0]);
        elementsSeen = V_ARRAY(data)->rgsabound[0].cElements;
        ReplaceData(&args[1], VT_I2, std::vector<uint8_t>(16, 0x11), 2);
        *V_I4REF(&args[0]) = 10;
    };
    std::vector<uint8_t> buffer(64, 0xAA);
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), buffer.data(), 64), 10);
    EXPECT_EQ(lengthSeen, 64);
    EXPECT_EQ(elementsSeen, 32u);
    EXPECT_EQ(buffer[9], 0x11);
    EXPECT_EQ(buffer[10], 0xAA);

    // A Length beyond the array or the buffer copies only what both hold.
    sink.onEvent = [&](DISPID, VARIANT* args, UINT) {
        ReplaceData(&args[1], VT_I2, std::vector<uint8_t>(16, 0x22), 2);
        *V_I4REF(&args[0]) = 100000;
    };
    std::fill(buffer.begin(), buffer.end(), 0xAA);
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), buffer.data(), 64), 16);
    EXPECT_EQ(buffer[16], 0xAA);
    sink.onEvent = [&](DISPID, VARIANT* args, UINT) {
        ReplaceData(&args[1], VT_I2, std::vector<uint8_t>(128, 0x33), 2);
        *V_I4REF(&args[0]) = 128;
    };
    std::vector<uint8_t> exact(8, 0xAA);
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), exact.data(), 8), 8);
    EXPECT_FALSE(track->ErrorFlag());

    // Length 0: nothing read, no error.
    sink.onEvent = [&](DISPID id, VARIANT* args, UINT) {
        if (id == 1) *V_I4REF(&args[0]) = 0;
        if (id == 3) *V_BOOLREF(&args[0]) = VARIANT_FALSE;
    };
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), buffer.data(), 64), 0);
    EXPECT_EQ(VexoAudioTrack::ErrorCallback(track.get()), 0);

    // Data replaced by a string, or a negative Length: nothing read, and the
    // error question answers true whatever the sink says.
    sink.onEvent = [&](DISPID id, VARIANT* args, UINT) {
        if (id == 1) {
            VARIANT* data = V_VARIANTREF(&args[1]);
            VariantClear(data);
            V_VT(data) = VT_BSTR;
            V_BSTR(data) = SysAllocString(L"not samples");
        }
        if (id == 3) *V_BOOLREF(&args[0]) = VARIANT_FALSE;
    };
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), buffer.data(), 64), 0);
    EXPECT_NE(VexoAudioTrack::ErrorCallback(track.get()), 0);
    track->RefreshRecord();
    sink.onEvent = [&](DISPID id, VARIANT* args, UINT) {
        if (id == 1) *V_I4REF(&args[0]) = -1;
    };
    EXPECT_EQ(VexoAudioTrack::ReadCallback(track.get(), buffer.data(), 64), 0);
    EXPECT_TRUE(track->ErrorFlag());

    // End of data answers what the sink leaves.
    sink.onEvent = [&](DISPID id, VARIANT* args, UINT) {
        if (id == 2) *V_BOOLREF(&args[0]) = VARIANT_FALSE;
    };
    EXPECT_EQ(VexoAudioTrack::EndOfDataCallback(track.get()), 0);

    // A freestyle track asks with an array of bytes.
    ComPtr<VexoFreestyleTrack> free = VexoFreestyleTrack::Make();
    Sink fsink(DIID__IVexoFreestyleTrackEvents);
    Advise(free->Identity(), DIID__IVexoFreestyleTrackEvents, &fsink);
    VARTYPE seenType = VT_EMPTY;
    fsink.onEvent = [&](DISPID, VARIANT* args, UINT) {
        VARIANT* data = V_VARIANTREF(&args[1]);
        seenType = V_VT(data);
        elementsSeen = V_ARRAY(data)->rgsabound[0].cElements;
        ReplaceData(&args[1], VT_I1, std::vector<uint8_t>(7, 0x44), 1);
    };
    EXPECT_EQ(VexoFreestyleTrack::ReadCallback(free.get(), buffer.data(), 7), 7);
    EXPECT_EQ(seenType, VT_ARRAY | VT_I1);
    EXPECT_EQ(elementsSeen, 7u);
    EXPECT_EQ(buffer[6], 0x44);
}

TEST_F(TracksTest, ATracksContainerListsItsOneConnectionPoint) {
    ComPtr<VexoAudioTrack> track = VexoAudioTrack::Make();
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(track->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
    IConnectionPoint* got[2] = {};
    ULONG fetched = 9;
    EXPECT_EQ(points->Next(2, got, nullptr), E_INVALIDARG);
    ASSERT_EQ(points->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    IID events{};
    got[0]->GetConnectionInterface(&events);
    EXPECT_TRUE(IsEqualGUID(events, DIID__IVexoAudioTrackEvents));
    got[0]->Release();
    EXPECT_EQ(points->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    ComPtr<IEnumConnectionPoints> clone;
    ASSERT_EQ(points->Clone(clone.put()), S_OK);
    EXPECT_EQ(clone->Next(1, got, nullptr), S_FALSE) << "a clone keeps the position";
    EXPECT_EQ(points->Reset(), S_OK);
    EXPECT_EQ(points->Skip(2), S_FALSE);
    EXPECT_EQ(points->Reset(), S_OK);
    ASSERT_EQ(points->Next(1, got, nullptr), S_OK);
    got[0]->Release();
    EXPECT_EQ(container->EnumConnectionPoints(nullptr), E_POINTER);
}

// The engine calls from its own thread: the events reach the sink on the
// track's thread, and the answers travel back.
TEST_F(TracksTest, CallbacksOnAnotherThreadReachTheSinkInTheTracksApartment) {
    ProxyRegistration proxies;
    ASSERT_TRUE(proxies.ok());
    {
        ComPtr<VexoAudioTrack> track = VexoAudioTrack::Make();
        Sink sink(DIID__IVexoAudioTrackEvents);
        Advise(track->Identity(), DIID__IVexoAudioTrackEvents, &sink);
        sink.onEvent = [&](DISPID id, VARIANT* args, UINT) {
            if (id == 1) {
                ReplaceData(&args[1], VT_I2, {1, 2, 3, 4, 5, 6}, 2);
                *V_I4REF(&args[0]) = 6;
            } else {
                *V_BOOLREF(&args[0]) = VARIANT_FALSE;
            }
        };
        std::vector<uint8_t> buffer(32, 0);
        int32_t read = -1, eof = -1, error = -1;
        std::atomic<bool> done{false};
        std::thread engine([&] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            {
                ProxyRegistration here;
                read = VexoAudioTrack::ReadCallback(track.get(), buffer.data(), 32);
                eof = VexoAudioTrack::EndOfDataCallback(track.get());
                error = VexoAudioTrack::ErrorCallback(track.get());
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
        EXPECT_EQ(read, 6);
        EXPECT_EQ(buffer[5], 6);
        EXPECT_EQ(eof, 0);
        EXPECT_EQ(error, 0);
        EXPECT_EQ(sink.seen, (std::vector<DISPID>{1, 2, 3}));
        EXPECT_EQ(sink.lastThread, GetCurrentThreadId());
    }
}

}  // namespace
}  // namespace vexo
