#include "compilation/VexoVideoItem.h"

#include "com/Bstr.h"
#include "compilation/Limits.h"

namespace vexo {

namespace rec = EngineRecords;
namespace vi = EngineRecords::VideoItemRecord;

STDMETHODIMP VexoVideoItem::get_PauseAfterItem(LONG* out) {
    if (!out) return E_POINTER;
    *out = rec::ReadI32(record_, vi::PauseAfterItem);
    return S_OK;
}

STDMETHODIMP VexoVideoItem::put_PauseAfterItem(LONG value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    rec::WriteI32(record_, vi::PauseAfterItem, value);
    return S_OK;
}

STDMETHODIMP VexoVideoItem::get_SourceFileName(BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        if (record_[vi::SourceName] != 0)
            return com::ReturnAnsi(rec::ReadText(record_, vi::SourceName, vi::SourceNameSize).c_str(), out);
        const char* long_ = rec::ReadPointerAs<const char>(record_, vi::LongSourceName);
        return com::ReturnAnsi(long_ ? long_ : "", out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP VexoVideoItem::put_SourceFileName(BSTR value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    try {
        std::string ansi = com::BstrToAnsi(value);
        if (ansi.size() >= limits::kVideoInlineNameBelowBytes) {
            longName_ = std::move(ansi);
            rec::WriteText(record_, vi::SourceName, vi::SourceNameSize, "");
            rec::WritePointer(record_, vi::LongSourceName, longName_.c_str());
        } else {
            rec::WriteText(record_, vi::SourceName, vi::SourceNameSize, ansi);
            rec::WritePointer(record_, vi::LongSourceName, nullptr);
            longName_.clear();
            longName_.shrink_to_fit();
        }
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP VexoVideoItem::get_ItemType(VEXO_VIDEO_ITEM_TYPE* out) {
    if (!out) return E_POINTER;
    *out = static_cast<VEXO_VIDEO_ITEM_TYPE>(rec::ReadI32(record_, vi::ItemType));
    return S_OK;
}

STDMETHODIMP VexoVideoItem::put_ItemType(VEXO_VIDEO_ITEM_TYPE value) {
    if (HRESULT hr = RefuseIfLocked(); FAILED(hr)) return hr;
    if (!limits::kVideoItemTypes.Holds(value)) return Fail(limits::kVideoItemTypes.message);
    rec::WriteI32(record_, vi::ItemType, value);
    return S_OK;
}

}  // namespace vexo
