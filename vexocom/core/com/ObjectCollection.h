// The ordered collections of compilation objects (tracks, video items,
// files, folders) and of block positions, written once:
//
//   class VexoAudioTracks : public DispatchObject<VexoAudioTracks, IVexoAudioTracks,
//                               ObjectCollection<VexoAudioTracks, IVexoAudioTrack, VexoAudioTrack,
//                                                kAudioTracksLimit>> {
//     STDMETHODIMP Item(INT i, IVexoAudioTrack** out) override { return ItemAt(i, out); }
//     STDMETHODIMP Add(IVexoAudioTrack* t) override { return Append(t); }
//     STDMETHODIMP get_Count(LONG* n) override { return CountOf(n); }
//     STDMETHODIMP Remove(INT i) override { return RemoveAt(i); }
//     STDMETHODIMP get__NewEnum(IUnknown** e) override { return NewEnum(e); }
//   };
//
// Elements are this server's own objects of one class (a foreign
// implementation of the element interface is refused with E_INVALIDARG),
// each carrying an ItemMarks block (membership mark and lock flag) reached
// through Marks(). The collection holds one reference on each element,
// refuses a second collection's Add while the membership mark is set, and
// clears the marks of what it still holds when it goes. It is its own
// enumerator with one shared cursor (Next asks for at most one element).
// While locked it refuses Add and Remove with message 529.
#pragma once

#include <oaidl.h>

#include <cstdint>
#include <vector>

#include "ComPtr.h"
#include "DispatchObject.h"
#include "EnumCursor.h"
#include "ReportError.h"

namespace vexo::com {

// The one-byte marks of an object that can sit in a collection.
struct ItemMarks {
    uint8_t member = 0;  // 1 while inside some collection (set by Add, cleared by Remove)
    uint8_t locked = 0;  // 1 while a running operation uses the object
};

// The most elements a collection takes and the message of a full one;
// max 0 means no limit.
struct CollectionLimit {
    LONG max = 0;
    UINT fullMessage = 0;
};
inline constexpr CollectionLimit kNoLimit{};

// Element: the element interface (dual). ElementClass: the server's class
// behind it, with `ItemMarks& Marks()`. The derived collection may hide
// `HRESULT Accept(ElementClass*)` to refuse an element of its own reasons.
template <class Derived, class Element, class ElementClass, CollectionLimit Limit>
class ObjectCollection : public EnumCursor<Derived, NextRule::RejectMoreThanOne> {
public:
    ~ObjectCollection() {
        for (auto& item : items_) item->Marks().member = 0;
    }

    HRESULT ElementAt(LONG index, VARIANT* out) {
        Element* e = nullptr;
        HRESULT hr = ItemAt(index, &e);
        if (FAILED(hr)) return hr;
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = e;
        return S_OK;
    }
    LONG ElementCount() const noexcept { return static_cast<LONG>(items_.size()); }

    bool IsLocked() const noexcept { return locked_ != 0; }
    // True when the collection or one of its elements is locked.
    bool AnyLocked() const noexcept {
        if (locked_) return true;
        for (const auto& item : items_)
            if (item->Marks().locked) return true;
        return false;
    }
    // Locks the collection and every element in it; false (and nothing
    // changed) when something is already locked by another operation.
    bool TryLock() noexcept {
        if (AnyLocked()) return false;
        SetLock(1);
        return true;
    }
    void Unlock() noexcept { SetLock(0); }

    // The elements in order (for the burn record).
    const std::vector<ComPtr<ElementClass>>& Elements() const noexcept { return items_; }

    HRESULT Accept(ElementClass*) { return S_OK; }

protected:
    HRESULT ItemAt(INT index, Element** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index < 0 || static_cast<size_t>(index) >= items_.size()) return E_INVALIDARG;
        Element* e = items_[static_cast<size_t>(index)].get();
        e->AddRef();
        *out = e;
        return S_OK;
    }

    HRESULT Append(Element* item) {
        Derived* self = static_cast<Derived*>(this);
        if (locked_) return self->Fail(kErrLocked);
        if (Limit.max > 0 && static_cast<LONG>(items_.size()) >= Limit.max) return self->Fail(Limit.fullMessage);
        if (!item) return E_POINTER;
        ComPtr<ElementClass> own = OwnObject<ElementClass>(item);
        if (!own) return E_INVALIDARG;
        if (own->Marks().member) return self->Fail(kErrAlreadyInCollection);
        if (HRESULT hr = self->Accept(own.get()); FAILED(hr)) return hr;
        try {
            items_.push_back(own);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        own->Marks().member = 1;
        return S_OK;
    }

    HRESULT CountOf(LONG* out) const {
        if (!out) return E_POINTER;
        *out = ElementCount();
        return S_OK;
    }

    HRESULT RemoveAt(INT index) {
        if (locked_) return static_cast<Derived*>(this)->Fail(kErrLocked);
        if (static_cast<uint32_t>(index) >= items_.size()) return E_INVALIDARG;
        items_[static_cast<size_t>(index)]->Marks().member = 0;
        items_.erase(items_.begin() + index);
        return S_OK;
    }

private:
    void SetLock(uint8_t value) noexcept {
        locked_ = value;
        for (auto& item : items_) item->Marks().locked = value;
    }

    uint8_t locked_ = 0;
    std::vector<ComPtr<ElementClass>> items_;
};

// A collection of 32-bit integers (block positions): Add checks the limit
// only; there is no lock.
template <class Derived, CollectionLimit Limit>
class IntCollection : public EnumCursor<Derived, NextRule::RejectMoreThanOne> {
public:
    HRESULT ElementAt(LONG index, VARIANT* out) {
        LONG v = 0;
        HRESULT hr = ItemAt(index, &v);
        if (FAILED(hr)) return hr;
        V_VT(out) = VT_I4;
        V_I4(out) = v;
        return S_OK;
    }
    LONG ElementCount() const noexcept { return static_cast<LONG>(values_.size()); }
    const std::vector<int32_t>& Values() const noexcept { return values_; }

protected:
    HRESULT ItemAt(INT index, LONG* out) const {
        if (!out) return E_POINTER;
        if (index < 0 || static_cast<size_t>(index) >= values_.size()) return E_INVALIDARG;
        *out = values_[static_cast<size_t>(index)];
        return S_OK;
    }
    HRESULT Append(LONG value) {
        if (Limit.max > 0 && static_cast<LONG>(values_.size()) >= Limit.max)
            return static_cast<Derived*>(this)->Fail(Limit.fullMessage);
        try {
            values_.push_back(value);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    HRESULT CountOf(LONG* out) const {
        if (!out) return E_POINTER;
        *out = ElementCount();
        return S_OK;
    }
    HRESULT RemoveAt(INT index) {
        if (static_cast<uint32_t>(index) >= values_.size()) return E_INVALIDARG;
        values_.erase(values_.begin() + index);
        return S_OK;
    }

    std::vector<int32_t> values_;
};

}  // namespace vexo::com
