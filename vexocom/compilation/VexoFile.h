// VexoFile: one file of a data track's tree: its name on the disc, the path
// of its source and its entry time, all kept in the engine ISO item the
// object owns (see IsoItemOwner).
//
// Made while no engine can be initialised, the file has no item: its
// setters answer message 513 (engine not initialised), its getters answer
// an empty text and a zero time, and linking leaves it out.
#pragma once

#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/IsoItemOwner.h"

namespace vexo {

class VexoFile final : public com::DispatchObject<VexoFile, IVexoFile> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFile};
    struct WithoutItem {};

    VexoFile() : item_(IsoItemOwner::Kind::File) {}
    // For adoption: the item is handed over later.
    explicit VexoFile(WithoutItem) noexcept : item_(IsoItemOwner::Empty{}) {}

    STDMETHODIMP get_Name(BSTR* out) override;
    STDMETHODIMP put_Name(BSTR value) override;
    STDMETHODIMP get_SourceFilePath(BSTR* out) override;
    STDMETHODIMP put_SourceFilePath(BSTR value) override;
    STDMETHODIMP get_EntryTime(DATE* out) override;
    STDMETHODIMP put_EntryTime(DATE value) override;

    com::ItemMarks& Marks() noexcept { return marks_; }
    bool IsLocked() const noexcept { return marks_.locked != 0; }
    IsoItemOwner& Item() noexcept { return item_; }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoFile; }

private:
    HRESULT PutText(IsoItemOwner::Text which, BSTR value);

    com::ItemMarks marks_;
    IsoItemOwner item_;
};

}  // namespace vexo
