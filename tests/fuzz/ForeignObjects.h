// The fuzzer's own objects: the event sink it advises on the server's
// connection points (also passed where the server wants one of its own
// objects, as a foreign IDispatch without type information) and a plain
// IUnknown that answers nothing else.
#pragma once

#include <oaidl.h>

#include <functional>
#include <string>

namespace fuzz {

class FuzzSink final : public IDispatch {
public:
    FuzzSink() = default;
    FuzzSink(const FuzzSink&) = delete;
    FuzzSink& operator=(const FuzzSink&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* n) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

    // Objects that events carry are offered here (borrowed; take a
    // reference to keep one).
    std::function<void(IDispatch*, DISPID)> offer;
    // While set, every by-reference boolean of an event is answered true
    // (the abort of progress events); otherwise events keep their defaults.
    bool aborting = false;
    long events = 0;

private:
    volatile LONG refs_ = 1;
};

class PlainUnknown final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

private:
    volatile LONG refs_ = 1;
};

}  // namespace fuzz
