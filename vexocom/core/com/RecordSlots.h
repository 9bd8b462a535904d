// RecordSlots: the elements of a collection kept as copies of fixed-size
// engine records, each element object made from its record on first request
// and kept, so an index always yields the same object. Drive lists and track
// lists use it:
//
//   RecordSlots<VexoTrack> slots_{TrackInfo::Size};
//   slots_.Assign(std::move(bytes), count);
//   return slots_.Get(index, IID_IVexoTrack2, out, [](const uint8_t* r, std::size_t n) { ... });
#pragma once

#include <objbase.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ComPtr.h"

namespace vexo::com {

template <class Element>
class RecordSlots {
public:
    explicit RecordSlots(std::size_t recordSize) noexcept : recordSize_(recordSize) {}

    // Takes the records; the count is held to the records the bytes hold.
    // False when memory is short (the list is then empty).
    bool Assign(std::vector<uint8_t> bytes, std::size_t count) noexcept {
        try {
            if (recordSize_ && count > bytes.size() / recordSize_) count = bytes.size() / recordSize_;
            bytes_ = std::move(bytes);
            slots_.assign(count, ComPtr<Element>());
            return true;
        } catch (...) {
            bytes_.clear();
            slots_.clear();
            return false;
        }
    }

    LONG Count() const noexcept { return static_cast<LONG>(slots_.size()); }

    // The element at `index` as `iid` into `out`: E_INVALIDARG outside the
    // list, E_OUTOFMEMORY when `make(record, size)` gives no object.
    template <class Make>
    HRESULT Get(INT index, REFIID iid, void** out, Make make) {
        *out = nullptr;
        if (index < 0 || static_cast<std::size_t>(index) >= slots_.size()) return E_INVALIDARG;
        ComPtr<Element>& slot = slots_[static_cast<std::size_t>(index)];
        if (!slot) {
            try {
                slot = make(bytes_.data() + static_cast<std::size_t>(index) * recordSize_, recordSize_);
            } catch (...) {
                slot.reset();
            }
            if (!slot) return E_OUTOFMEMORY;
        }
        return slot->QueryInterface(iid, out);
    }

private:
    std::size_t recordSize_;
    std::vector<uint8_t> bytes_;
    std::vector<ComPtr<Element>> slots_;
};

// An enumerator's element: what `item(index, &element)` answers, as a
// VT_DISPATCH VARIANT.
template <class Interface, class Item>
HRESULT DispatchElement(Item item, LONG index, VARIANT* out) {
    Interface* element = nullptr;
    HRESULT hr = item(index, &element);
    if (FAILED(hr)) return hr;
    V_VT(out) = VT_DISPATCH;
    V_DISPATCH(out) = element;
    return S_OK;
}

}  // namespace vexo::com
