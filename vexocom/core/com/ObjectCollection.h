// The ordered collections of compilation objects (tracks, video items,
// files, folders) and of block positions, written once:
//
//   class VexoAudioTracks : public DispatchObject<VexoAudioTracks, IVexoAudioTracks,
//                               ObjectCollection<VexoAudioTracks, IVexoAudioTrack, 99, 528>> {
//     STDMETHODIMP Item(INT i, IVexoAudioTrack** out) override { return ItemAt(i, out); }
//     STDMETHODIMP Add(IVexoAudioTrack* t) override { return Append(t); }
//     STDMETHODIMP get_Count(LONG* n) override { return CountOf(n); }
//     STDMETHODIMP Remove(INT i) override { return RemoveAt(i); }
//     STDMETHODIMP get__NewEnum(IUnknown** e) override { return NewEnum(e); }
//   };
//
// Elements are objects that carry an ItemMarks block (membership mark and
// lock flag) and hand it out through IItemMarks. The collection holds one
// reference on each element, refuses a second collection's Add while the
// membership mark is set, and is its own enumerator with one shared cursor
// (Next asks for at most one element). Lock() marks the collection and its
// elements locked; a locked object refuses late-bound calls.
#pragma once

#include <oaidl.h>

#include <cstdint>
#include <vector>

#include "ComPtr.h"
#include "EnumCursor.h"

namespace vexo::com {

// The one-byte marks of an object that can sit in a collection.
struct ItemMarks {
    uint8_t member = 0;  // 1 while inside some collection (set by Add, cleared by Remove)
    uint8_t locked = 0;  // 1 while a running operation uses the object
};

// In-process only: the marks of a collection element. Not marshalled, not
// in the type library.
// {6C1E3B0A-4F52-4C1D-9A7E-2D0B5C8E1F43}
struct IItemMarks : public IUnknown {
    virtual ItemMarks* STDMETHODCALLTYPE Marks() = 0;
};

}  // namespace vexo::com

__CRT_UUID_DECL(vexo::com::IItemMarks, 0x6C1E3B0A, 0x4F52, 0x4C1D, 0x9A, 0x7E, 0x2D, 0x0B, 0x5C, 0x8E, 0x1F, 0x43)

namespace vexo::com {

// The marks of any interface pointer, or null when the object has none.
inline ItemMarks* MarksOf(IUnknown* object) {
    if (!object) return nullptr;
    ComPtr<IItemMarks> marks;
    if (FAILED(object->QueryInterface(__uuidof(IItemMarks), marks.put_void())) || !marks) return nullptr;
    return marks->Marks();  // the object stays alive: the caller holds it
}

// Element: the element interface (dual). Max: the most elements, 0 for no
// limit. FullMessage: the string id reported when Add finds it full.
template <class Derived, class Element, LONG Max, UINT FullMessage>
class ObjectCollection : public EnumCursor<Derived, NextRule::RejectMoreThanOne> {
public:
    HRESULT ElementAt(LONG index, VARIANT* out) {
        Element* e = nullptr;
        HRESULT hr = ItemAt(index, &e);
        if (FAILED(hr)) return hr;
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = e;
        return S_OK;
    }
    LONG ElementCount() const noexcept { return static_cast<LONG>(items_.size()); }

    // Marks the collection and every element in it locked (or unlocked).
    void Lock(bool lock) noexcept {
        locked_.locked = lock ? 1 : 0;
        for (auto& item : items_)
            if (ItemMarks* m = MarksOf(item.get())) m->locked = lock ? 1 : 0;
    }
    bool IsLockedForLateBinding() const noexcept { return locked_.locked != 0; }

    // The elements in order (for the burn record).
    const std::vector<ComPtr<Element>>& Elements() const noexcept { return items_; }

protected:
    HRESULT ItemAt(INT index, Element** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index < 0 || static_cast<size_t>(index) >= items_.size()) return E_INVALIDARG;
        return items_[static_cast<size_t>(index)].CopyTo(out);
    }

    HRESULT Append(Element* item) {
        if (Max > 0 && static_cast<LONG>(items_.size()) == Max)
            return static_cast<Derived*>(this)->Fail(FullMessage);
        if (!item) return E_POINTER;
        ItemMarks* marks = MarksOf(item);
        if (marks && marks->member) return static_cast<Derived*>(this)->Fail(kAlreadyMemberId);
        try {
            items_.emplace_back(item);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        if (marks) marks->member = 1;
        return S_OK;
    }

    HRESULT CountOf(LONG* out) const {
        if (!out) return E_POINTER;
        *out = ElementCount();
        return S_OK;
    }

    HRESULT RemoveAt(INT index) {
        if (static_cast<uint32_t>(index) >= items_.size()) return E_INVALIDARG;
        if (ItemMarks* m = MarksOf(items_[static_cast<size_t>(index)].get())) m->member = 0;
        items_.erase(items_.begin() + index);
        return S_OK;
    }

    static constexpr UINT kAlreadyMemberId = 523;
    ItemMarks locked_;  // only the lock flag is used
    std::vector<ComPtr<Element>> items_;
};

// A collection of 32-bit integers (block positions): Add checks the limit
// only; there is no lock.
template <class Derived, LONG Max, UINT FullMessage>
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
        if (Max > 0 && static_cast<LONG>(values_.size()) == Max)
            return static_cast<Derived*>(this)->Fail(FullMessage);
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
