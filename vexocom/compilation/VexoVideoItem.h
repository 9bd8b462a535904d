// VexoVideoItem: one entry of a video disc (an MPEG stream, a JPEG still or
// a video file still to be encoded), keeping the engine's video item record
// inside itself. A source name shorter than 250 ANSI bytes sits in the
// record; a longer one in the item's own string, which the record points
// to, so the item must outlive a burn that copied its record (the
// collection's reference and the burn's lock see to that).
#pragma once

#include <array>
#include <string>

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"

namespace vexo {

class VexoVideoItem final : public com::DispatchObject<VexoVideoItem, IVexoVideoItem> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoVideoItem};

    VexoVideoItem() noexcept { record_.fill(0); }

    STDMETHODIMP get_PauseAfterItem(LONG* out) override;
    STDMETHODIMP put_PauseAfterItem(LONG value) override;
    STDMETHODIMP get_SourceFileName(BSTR* out) override;
    STDMETHODIMP put_SourceFileName(BSTR value) override;
    STDMETHODIMP get_ItemType(VEXO_VIDEO_ITEM_TYPE* out) override;
    STDMETHODIMP put_ItemType(VEXO_VIDEO_ITEM_TYPE value) override;

    com::ItemMarks& Marks() noexcept { return marks_; }
    bool IsLocked() const noexcept { return marks_.locked != 0; }
    // The record a burn copies as it stands.
    EngineRecords::ConstBytes RecordBytes() const noexcept { return record_; }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoVideoItem; }

private:
    com::ItemMarks marks_;
    std::array<uint8_t, EngineRecords::VideoItemRecord::Size> record_;
    std::string longName_;
};

}  // namespace vexo
