// The COM foundation on objects of its own: reference counting and the
// module lock, QueryInterface and error-info support, the refusal of
// late-bound calls on locked objects, the collection bases (limits,
// membership, indexes, the shared enumeration cursor), connection points
// firing through the global interface table with by-reference arguments.
#include <gtest/gtest.h>

#include <vector>

#include "com/ReportError.h"
#include "com/ConnectionPoint.h"
#include "com/DispatchObject.h"
#include "com/Module.h"
#include "com/ObjectCollection.h"

using namespace vexo::com;

namespace {

constexpr HRESULT Err(unsigned id) { return static_cast<HRESULT>(0x80040000u + id); }

class Apartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};
const auto* const kApartment = ::testing::AddGlobalTestEnvironment(new Apartment);

// An element that can sit in a collection.
class Item final : public DispatchObject<Item, IDispatch> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IDispatch};
    ItemMarks& Marks() noexcept { return marks; }
    bool IsLocked() const noexcept { return marks.locked != 0; }
    ItemMarks marks;
};

// Another class answering the same interface.
class Other final : public DispatchObject<Other, IDispatch> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IDispatch};
};

class Items final : public DispatchObject<Items, IDispatch, ObjectCollection<Items, IDispatch, Item, CollectionLimit{3, 528}>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IDispatch};
    using ObjectCollection::Append;
    using ObjectCollection::CountOf;
    using ObjectCollection::ItemAt;
    using ObjectCollection::NewEnum;
    using ObjectCollection::RemoveAt;
    bool IsLocked() const noexcept { return ObjectCollection::IsLocked(); }
};

class Positions final : public DispatchObject<Positions, IDispatch, IntCollection<Positions, CollectionLimit{98, 527}>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IDispatch};
    using IntCollection::Append;
    using IntCollection::ItemAt;
    using IntCollection::RemoveAt;
};

ULONG Refs(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

IDispatch* AsDispatch(Item* i) { return static_cast<IDispatch*>(i); }

}  // namespace

TEST(DispatchObjectLifetime, EveryLiveObjectHoldsTheModule) {
    LONG before = ModuleLockCount();
    {
        ComPtr<Item> a = Item::Make();
        ComPtr<Item> b = Item::Make();
        EXPECT_EQ(ModuleLockCount(), before + 2);
        ComPtr<IUnknown> unk;
        ASSERT_EQ(a->QueryInterface(IID_IUnknown, unk.put_void()), S_OK);
        a.reset();
        EXPECT_EQ(ModuleLockCount(), before + 2) << "a reference remains";
    }
    EXPECT_EQ(ModuleLockCount(), before);
}

TEST(DispatchObjectQuery, ListedInterfacesShareOneIdentity) {
    ComPtr<Item> a = Item::Make();
    ComPtr<IUnknown> u1, u2;
    ComPtr<IOwnObject> own;
    ASSERT_EQ(a->QueryInterface(__uuidof(IOwnObject), own.put_void()), S_OK);
    ASSERT_EQ(own->QueryInterface(IID_IUnknown, u1.put_void()), S_OK);
    ASSERT_EQ(a->QueryInterface(IID_IUnknown, u2.put_void()), S_OK);
    EXPECT_EQ(u1.get(), u2.get());
    ComPtr<ISupportErrorInfo> sei;
    ASSERT_EQ(a->QueryInterface(IID_ISupportErrorInfo, sei.put_void()), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IDispatch), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IEnumVARIANT), S_FALSE);
    ComPtr<IUnknown> none;
    EXPECT_EQ(a->QueryInterface(IID_IEnumVARIANT, none.put_void()), E_NOINTERFACE);
    EXPECT_FALSE(none);
    EXPECT_EQ(a->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(OwnObjects, OnlyTheServersOwnObjectOfTheAskedClassIsFound) {
    ComPtr<Item> a = Item::Make();
    ComPtr<Other> o = Other::Make();
    EXPECT_EQ(OwnObject<Item>(AsDispatch(a.get())).get(), a.get());
    EXPECT_FALSE(OwnObject<Item>(static_cast<IDispatch*>(o.get()))) << "another class of the server";
    EXPECT_FALSE(OwnObject<Item>(nullptr));
    ComPtr<Items> c = Items::Make();
    EXPECT_EQ(c->Append(static_cast<IDispatch*>(o.get())), E_INVALIDARG) << "a foreign element is never cast";
    EXPECT_EQ(c->ElementCount(), 0);
}

TEST(LockedObjects, ChangesAreRefusedWithMessage529OnEveryPathWhileGettersWork) {
    ComPtr<Item> a = Item::Make();
    EXPECT_EQ(a->RefuseIfLocked(), S_OK);
    a->marks.locked = 1;
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(a->RefuseIfLocked(), Err(529));
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK) << "the refusal leaves error information";
    info->Release();
}

TEST(ObjectCollections, FullCollectionReportsItsMessageBeforeLookingAtTheArgument) {
    ComPtr<Items> c = Items::Make();
    std::vector<ComPtr<Item>> items;
    for (int i = 0; i < 4; ++i) items.push_back(Item::Make());
    for (int i = 0; i < 3; ++i) ASSERT_EQ(c->Append(AsDispatch(items[i].get())), S_OK);
    EXPECT_EQ(c->Append(AsDispatch(items[3].get())), Err(528));
    EXPECT_EQ(c->Append(nullptr), Err(528));
    EXPECT_EQ(c->ElementCount(), 3);
    EXPECT_EQ(items[3]->marks.member, 0);
    ComPtr<Items> empty = Items::Make();
    EXPECT_EQ(empty->Append(nullptr), E_POINTER);
}

TEST(ObjectCollections, AnObjectSitsInOneCollectionAtATime) {
    ComPtr<Items> first = Items::Make(), second = Items::Make();
    ComPtr<Item> item = Item::Make();
    ASSERT_EQ(first->Append(AsDispatch(item.get())), S_OK);
    EXPECT_EQ(item->marks.member, 1);
    EXPECT_EQ(second->Append(AsDispatch(item.get())), Err(523));
    ASSERT_EQ(first->RemoveAt(0), S_OK);
    EXPECT_EQ(second->Append(AsDispatch(item.get())), S_OK);
    // Destroying a collection clears the marks of what it held, so the
    // object can join another one.
    second.reset();
    EXPECT_EQ(item->marks.member, 0);
    EXPECT_EQ(first->Append(AsDispatch(item.get())), S_OK);
}

TEST(ObjectCollections, ReferencesFollowMembership) {
    ComPtr<Items> c = Items::Make();
    ComPtr<Item> item = Item::Make();
    ULONG alone = Refs(AsDispatch(item.get()));
    ASSERT_EQ(c->Append(AsDispatch(item.get())), S_OK);
    EXPECT_EQ(Refs(AsDispatch(item.get())), alone + 1);
    IDispatch* got = nullptr;
    ASSERT_EQ(c->ItemAt(0, &got), S_OK);
    EXPECT_EQ(got, AsDispatch(item.get()));
    EXPECT_EQ(Refs(got), alone + 2) << "Item hands out a new reference";
    got->Release();
    ASSERT_EQ(c->RemoveAt(0), S_OK);
    EXPECT_EQ(Refs(AsDispatch(item.get())), alone);
}

TEST(ObjectCollections, IndexesOutsideTheListAreInvalidArguments) {
    ComPtr<Items> c = Items::Make();
    IDispatch* got = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(c->ItemAt(0, &got), E_INVALIDARG);
    EXPECT_EQ(got, nullptr) << "the out value is cleared first";
    EXPECT_EQ(c->RemoveAt(0), E_INVALIDARG);
    ComPtr<Item> item = Item::Make();
    ASSERT_EQ(c->Append(AsDispatch(item.get())), S_OK);
    EXPECT_EQ(c->ItemAt(-1, &got), E_INVALIDARG);
    EXPECT_EQ(c->ItemAt(1, &got), E_INVALIDARG);
    EXPECT_EQ(c->RemoveAt(-1), E_INVALIDARG) << "negative indexes compare unsigned";
    EXPECT_EQ(c->RemoveAt(1), E_INVALIDARG);
    EXPECT_EQ(c->ItemAt(0, nullptr), E_POINTER);
    LONG n = 0;
    EXPECT_EQ(c->CountOf(nullptr), E_POINTER);
    ASSERT_EQ(c->CountOf(&n), S_OK);
    EXPECT_EQ(n, 1);
}

TEST(ObjectCollections, EnumerationYieldsInsertionOrderWithOneSharedCursor) {
    ComPtr<Items> c = Items::Make();
    std::vector<ComPtr<Item>> items;
    for (int i = 0; i < 3; ++i) items.push_back(Item::Make());
    for (auto& i : items) ASSERT_EQ(c->Append(AsDispatch(i.get())), S_OK);
    ComPtr<IUnknown> unk;
    ASSERT_EQ(c->NewEnum(unk.put()), S_OK);
    ComPtr<IEnumVARIANT> e;
    ASSERT_EQ(unk.As(IID_IEnumVARIANT, e), S_OK);
    VARIANT v;
    VariantInit(&v);
    ULONG fetched = 9;
    EXPECT_EQ(e->Next(2, &v, &fetched), E_INVALIDARG);
    EXPECT_EQ(fetched, 0u);
    for (auto& i : items) {
        ASSERT_EQ(e->Next(1, &v, &fetched), S_OK);
        EXPECT_EQ(fetched, 1u);
        ASSERT_EQ(V_VT(&v), VT_DISPATCH);
        EXPECT_EQ(V_DISPATCH(&v), AsDispatch(i.get()));
        VariantClear(&v);
    }
    EXPECT_EQ(e->Next(1, &v, &fetched), S_FALSE);
    EXPECT_EQ(V_VT(&v), VT_EMPTY);
    // A second enumerator restarts the first: they share the cursor.
    ComPtr<IUnknown> again;
    ASSERT_EQ(c->NewEnum(again.put()), S_OK);
    ASSERT_EQ(e->Next(1, &v, &fetched), S_OK);
    EXPECT_EQ(V_DISPATCH(&v), AsDispatch(items[0].get()));
    VariantClear(&v);
    EXPECT_EQ(e->Skip(1), S_OK);
    EXPECT_EQ(e->Skip(1), S_FALSE);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(5), S_FALSE);
    EXPECT_EQ(e->Next(1, &v, nullptr), S_FALSE);
}

// Asking for no element writes nothing and moves nothing: a caller may pass
// an array of no element.
TEST(ObjectCollections, NextForNoElementWritesNothing) {
    ComPtr<Items> c = Items::Make();
    ComPtr<Item> only = Item::Make();
    ASSERT_EQ(c->Append(AsDispatch(only.get())), S_OK);
    ComPtr<IUnknown> unk;
    ASSERT_EQ(c->NewEnum(unk.put()), S_OK);
    ComPtr<IEnumVARIANT> e;
    ASSERT_EQ(unk.As(IID_IEnumVARIANT, e), S_OK);
    VARIANT guard[2];
    V_VT(&guard[0]) = VT_I4;
    V_I4(&guard[0]) = 1234;
    ULONG fetched = 9;
    EXPECT_EQ(e->Next(0, guard, &fetched), S_OK);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(V_VT(&guard[0]), VT_I4);
    EXPECT_EQ(V_I4(&guard[0]), 1234);
    // The cursor did not move: the element is still the next one.
    VariantInit(&guard[1]);
    ASSERT_EQ(e->Next(1, &guard[1], &fetched), S_OK);
    EXPECT_EQ(V_DISPATCH(&guard[1]), AsDispatch(only.get()));
    VariantClear(&guard[1]);
}

TEST(ObjectCollections, LockMarksTheCollectionAndItsElementsAndIsTakenOnce) {
    ComPtr<Items> c = Items::Make();
    ComPtr<Item> a = Item::Make(), b = Item::Make();
    ASSERT_EQ(c->Append(AsDispatch(a.get())), S_OK);
    ASSERT_EQ(c->Append(AsDispatch(b.get())), S_OK);
    ASSERT_TRUE(c->TryLock());
    EXPECT_TRUE(c->IsLocked());
    EXPECT_EQ(a->marks.locked, 1);
    EXPECT_EQ(b->marks.locked, 1);
    EXPECT_FALSE(c->TryLock()) << "a second operation may not take the same collection";
    ComPtr<Item> late = Item::Make();
    EXPECT_EQ(c->Append(AsDispatch(late.get())), Err(529));
    EXPECT_EQ(c->Append(nullptr), Err(529)) << "the lock is checked first";
    EXPECT_EQ(c->RemoveAt(0), Err(529));
    LONG n = 0;
    ASSERT_EQ(c->CountOf(&n), S_OK) << "getters keep working";
    EXPECT_EQ(n, 2);
    c->Unlock();
    EXPECT_FALSE(c->IsLocked());
    EXPECT_EQ(a->marks.locked, 0);
    // An element locked through something else keeps the collection unlockable.
    b->marks.locked = 1;
    EXPECT_FALSE(c->TryLock());
    EXPECT_EQ(a->marks.locked, 0) << "a refused lock changes nothing";
    b->marks.locked = 0;
    EXPECT_EQ(c->RemoveAt(0), S_OK);
}

TEST(IntCollections, LimitComesFirstAndAnyValueIsAccepted) {
    ComPtr<Positions> p = Positions::Make();
    for (LONG i = 0; i < 98; ++i) ASSERT_EQ(p->Append(i - 50), S_OK);
    EXPECT_EQ(p->Append(7), Err(527));
    EXPECT_EQ(p->ElementCount(), 98);
    LONG v = 0;
    ASSERT_EQ(p->ItemAt(0, &v), S_OK);
    EXPECT_EQ(v, -50);
    EXPECT_EQ(p->ItemAt(98, &v), E_INVALIDARG);
    ASSERT_EQ(p->RemoveAt(0), S_OK);
    ASSERT_EQ(p->ItemAt(0, &v), S_OK);
    EXPECT_EQ(v, -49);
    EXPECT_EQ(p->RemoveAt(-1), E_INVALIDARG);
}

// ---- connection points ----------------------------------------------------------

namespace {

// A sink that adds its step to a by-reference number and records what it saw.
class Sink : public IDispatch {
public:
    explicit Sink(LONG step) : step_(step) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        lastId = id;
        invokedOn = GetCurrentThreadId();
        argCount = p->cArgs;
        if (p->cArgs == 2 && V_VT(&p->rgvarg[0]) == (VT_BYREF | VT_I4)) {
            firstArg = V_I4(&p->rgvarg[1]);  // declared first, passed last
            seen = *V_I4REF(&p->rgvarg[0]);
            *V_I4REF(&p->rgvarg[0]) += step_;
        }
        if (unadviseFrom) unadviseFrom->Unadvise(unadviseCookie);
        return S_OK;
    }
    ULONG refs = 1;
    DISPID lastId = 0;
    DWORD invokedOn = 0;
    UINT argCount = 0;
    LONG firstArg = 0, seen = 0;
    IConnectionPoint* unadviseFrom = nullptr;
    DWORD unadviseCookie = 0;

private:
    LONG step_;
};

// A source: an object with one connection point.
class Source final : public DispatchObject<Source, IDispatch, SingleConnectionPointContainer<Source>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IDispatch};
    Source() : point_(Identity(), static_cast<IConnectionPointContainer*>(this), IID_IPropertyNotifySink) {}
    ConnectionPoint& EventPoint() { return point_; }

private:
    ConnectionPoint point_;
};

}  // namespace

TEST(ConnectionPoints, InOutArgumentsComeBackThroughEverySink) {
    ComPtr<Source> src = Source::Make();
    ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(src->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
    ComPtr<IConnectionPoint> other;
    EXPECT_EQ(src->FindConnectionPoint(IID_IDispatch, other.put()), CONNECT_E_NOCONNECTION);
    ComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(cp->GetConnectionPointContainer(back.put()), S_OK);
    ComPtr<IUnknown> u1, u2;
    back->QueryInterface(IID_IUnknown, u1.put_void());
    src->QueryInterface(IID_IUnknown, u2.put_void());
    EXPECT_EQ(u1.get(), u2.get());

    Sink a(1), b(10);
    DWORD ca = 0, cb = 0;
    ASSERT_EQ(cp->Advise(&a, &ca), S_OK);
    ASSERT_EQ(cp->Advise(&b, &cb), S_OK);
    EXPECT_NE(ca, cb);
    LONG value = 100;
    ASSERT_EQ(src->EventPoint().Fire(7, EventArg::Long(42), EventArg::RefLong(&value)), S_OK);
    EXPECT_EQ(a.lastId, 7);
    EXPECT_EQ(a.firstArg, 42);
    EXPECT_EQ(a.seen, 100);
    EXPECT_EQ(b.seen, 101) << "the second sink sees what the first left";
    EXPECT_EQ(value, 111);

    ASSERT_EQ(cp->Unadvise(ca), S_OK);
    EXPECT_EQ(cp->Unadvise(ca), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(cp->Unadvise(0), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(src->EventPoint().Fire(3), S_OK);
    EXPECT_EQ(a.lastId, 7);
    EXPECT_EQ(b.lastId, 3);
    EXPECT_EQ(b.argCount, 0u);
    ASSERT_EQ(cp->Unadvise(cb), S_OK);
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(b.refs, 1u);
}

TEST(ConnectionPoints, SinkMayUnadviseWhileTheEventIsDelivered) {
    ComPtr<Source> src = Source::Make();
    ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(src->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
    Sink a(1), b(1);
    DWORD ca = 0, cb = 0;
    ASSERT_EQ(cp->Advise(&a, &ca), S_OK);
    ASSERT_EQ(cp->Advise(&b, &cb), S_OK);
    a.unadviseFrom = cp.get();
    a.unadviseCookie = cb;  // the first sink removes the second
    ASSERT_EQ(src->EventPoint().Fire(5), S_OK);
    EXPECT_EQ(a.lastId, 5);
    EXPECT_EQ(b.lastId, 0) << "a sink removed meanwhile gets nothing";
    a.unadviseFrom = nullptr;
    EXPECT_EQ(src->EventPoint().SinkCount(), 1u);
}

TEST(ConnectionPoints, SinksAreReleasedWithTheSource) {
    Sink a(1);
    {
        ComPtr<Source> src = Source::Make();
        ComPtr<IConnectionPoint> cp;
        ASSERT_EQ(src->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
        DWORD c = 0;
        ASSERT_EQ(cp->Advise(&a, &c), S_OK);
        EXPECT_GT(a.refs, 1u);
        DWORD none = 5;
        EXPECT_EQ(cp->Advise(nullptr, &none), E_POINTER);
        EXPECT_EQ(none, 0u);
    }
    EXPECT_EQ(a.refs, 1u);
}

namespace {

// Fires event 6 with one number from a thread in a multithreaded apartment
// of its own.
struct FireJob {
    ConnectionPoint* point;
    HRESULT result = E_FAIL;
    volatile LONG done = 0;
};

DWORD WINAPI FireFromOtherApartment(void* param) {
    auto* job = static_cast<FireJob*>(param);
    if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        job->result = job->point->Fire(6, EventArg::Long(9));
        CoUninitialize();
    }
    InterlockedExchange(&job->done, 1);
    return 0;
}

// Owns a thread handle.
struct ThreadHandle {
    HANDLE h;
    ~ThreadHandle() {
        if (h) CloseHandle(h);
    }
};

}  // namespace

TEST(ConnectionPoints, SinksAreCalledInTheApartmentTheyWereAdvisedFrom) {
    ComPtr<Source> src = Source::Make();
    ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(src->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
    Sink a(1);
    DWORD c = 0;
    ASSERT_EQ(cp->Advise(&a, &c), S_OK);

    // In the sink's own apartment: called directly.
    ASSERT_EQ(src->EventPoint().Fire(4), S_OK);
    EXPECT_EQ(a.lastId, 4);
    EXPECT_EQ(a.invokedOn, GetCurrentThreadId());

    // From another apartment: the call travels to this thread, which pumps
    // messages meanwhile; the sink is never called on the firing thread.
    a.invokedOn = 0;
    FireJob job{&src->EventPoint()};
    ThreadHandle thread{CreateThread(nullptr, 0, &FireFromOtherApartment, &job, 0, nullptr)};
    ASSERT_NE(thread.h, nullptr);
    while (!job.done) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(1, &thread.h, FALSE, 50, QS_ALLINPUT);
    }
    WaitForSingleObject(thread.h, INFINITE);
    EXPECT_EQ(job.result, S_OK);
    EXPECT_EQ(a.lastId, 6);
    EXPECT_EQ(a.firstArg, 0) << "one argument only";
    EXPECT_EQ(a.invokedOn, GetCurrentThreadId());

    ASSERT_EQ(cp->Unadvise(c), S_OK);
    EXPECT_EQ(a.refs, 1u) << "the sink's references all go with Unadvise";
}
