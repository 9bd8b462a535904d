// Turning a collection of tracks or video items into the array of a burn
// record: the number of elements is written once into the count field, then
// each element, in collection order, brings its record up to date (tracks
// refresh theirs; video items are copied as they stand) and the whole
// record goes into the next slot, with no gaps.
#pragma once

#include <algorithm>
#include <cstddef>

#include "EngineRecords.h"
#include "com/ReportError.h"

namespace vexo {

// Where the array sits inside the burn record.
struct RecordArray {
    std::size_t countOffset;  // 32-bit count
    std::size_t firstSlot;    // offset of slot 0
    std::size_t slotSize;     // bytes per element record
    std::size_t capacity;     // slots in the burn record
};

// E_INVALIDARG when the collection does not fit the array (nothing
// written), a refresh's failure as it comes (slots before it written).
template <class Collection>
HRESULT WriteCollectionRecords(Collection& collection, EngineRecords::Bytes burnRecord, const RecordArray& array) {
    const auto& elements = collection.Elements();
    const std::size_t count = elements.size();
    if (count > array.capacity || array.firstSlot > burnRecord.size() ||
        count * array.slotSize > burnRecord.size() - array.firstSlot || array.countOffset + 4 > burnRecord.size())
        return E_INVALIDARG;
    EngineRecords::WriteU32(burnRecord, array.countOffset, static_cast<uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        auto* element = elements[i].get();
        if constexpr (requires { element->RefreshRecord(); }) {
            if (HRESULT hr = element->RefreshRecord(); FAILED(hr)) return hr;
        }
        const EngineRecords::ConstBytes record = element->RecordBytes();
        if (record.size() != array.slotSize) return E_UNEXPECTED;
        std::copy(record.begin(), record.end(), burnRecord.begin() + array.firstSlot + i * array.slotSize);
    }
    return S_OK;
}

}  // namespace vexo
