// VexoISOTrack: the description of a compilation's data track: the root
// folder of its tree, an optional second root (RootFolderWrapper), the
// volume name, the burn options and eight descriptive texts of the volume.
// Both roots are made empty on first read when none was set, and kept.
//
// While a burn uses the track it is locked together with both trees: every
// setter answers message 529, getters keep working. TryLock refuses a track
// that is locked already, or whose trees hold something locked.
#pragma once

#include <array>
#include <string>

#include "VexoInterfaces.h"
#include "com/Bstr.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"
#include "compilation/VexoFolder.h"

namespace vexo {

class VexoISOTrack final : public com::DispatchObject<VexoISOTrack, IVexoISOTrack2> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoISOTrack, &IID_IVexoISOTrack2};

    // The texts in the order of the creation arguments: the volume name,
    // then SystemIdentifier ... Bibliographic.
    enum Text { kName, kSystemIdentifier, kVolumeSet, kPublisher, kDataPreparer, kApplication, kCopyright,
                kAbstract, kBibliographic, kTextCount };

    // IVexoISOTrack
    STDMETHODIMP get_Name(BSTR* out) override { return GetText(kName, out); }
    STDMETHODIMP put_Name(BSTR value) override { return PutText(kName, value); }
    STDMETHODIMP get_RootFolder(IVexoFolder** out) override { return GetFolder(root_, out); }
    STDMETHODIMP putref_RootFolder(IVexoFolder* value) override { return PutFolder(root_, value); }
    STDMETHODIMP get_BurnOptions(VEXO_BURN_OPTIONS* out) override;
    STDMETHODIMP put_BurnOptions(VEXO_BURN_OPTIONS value) override;

    // IVexoISOTrack2
    STDMETHODIMP get_RootFolderWrapper(IVexoFolder** out) override { return GetFolder(wrapper_, out); }
    STDMETHODIMP putref_RootFolderWrapper(IVexoFolder* value) override { return PutFolder(wrapper_, value); }
    STDMETHODIMP get_SystemIdentifier(BSTR* out) override { return GetText(kSystemIdentifier, out); }
    STDMETHODIMP put_SystemIdentifier(BSTR value) override { return PutText(kSystemIdentifier, value); }
    STDMETHODIMP get_VolumeSet(BSTR* out) override { return GetText(kVolumeSet, out); }
    STDMETHODIMP put_VolumeSet(BSTR value) override { return PutText(kVolumeSet, value); }
    STDMETHODIMP get_Publisher(BSTR* out) override { return GetText(kPublisher, out); }
    STDMETHODIMP put_Publisher(BSTR value) override { return PutText(kPublisher, value); }
    STDMETHODIMP get_DataPreparer(BSTR* out) override { return GetText(kDataPreparer, out); }
    STDMETHODIMP put_DataPreparer(BSTR value) override { return PutText(kDataPreparer, value); }
    STDMETHODIMP get_Application(BSTR* out) override { return GetText(kApplication, out); }
    STDMETHODIMP put_Application(BSTR value) override { return PutText(kApplication, value); }
    STDMETHODIMP get_Copyright(BSTR* out) override { return GetText(kCopyright, out); }
    STDMETHODIMP put_Copyright(BSTR value) override { return PutText(kCopyright, value); }
    STDMETHODIMP get_Abstract(BSTR* out) override { return GetText(kAbstract, out); }
    STDMETHODIMP put_Abstract(BSTR value) override { return PutText(kAbstract, value); }
    STDMETHODIMP get_Bibliographic(BSTR* out) override { return GetText(kBibliographic, out); }
    STDMETHODIMP put_Bibliographic(BSTR value) override { return PutText(kBibliographic, value); }

    bool IsLocked() const noexcept { return locked_ != 0; }
    // Locks the track and both trees for a burn; false and nothing changed
    // when any of them is locked already.
    bool TryLock() noexcept;
    void Unlock() noexcept;

    // For the burn.
    VexoFolder* Root() const noexcept { return root_.get(); }
    VexoFolder* Wrapper() const noexcept { return wrapper_.get(); }
    uint32_t BurnOptions() const noexcept { return options_; }
    // A text in ANSI; "" when it was never set.
    std::string AnsiText(Text which) const;

    static const GUID& ErrorClass() noexcept { return CLSID_VexoISOTrack; }

private:
    HRESULT GetText(Text which, BSTR* out);
    HRESULT PutText(Text which, BSTR value);
    HRESULT GetFolder(com::ComPtr<VexoFolder>& held, IVexoFolder** out);
    HRESULT PutFolder(com::ComPtr<VexoFolder>& held, IVexoFolder* value);

    uint8_t locked_ = 0;
    uint32_t options_ = 0;
    std::array<com::Bstr, kTextCount> texts_;
    com::ComPtr<VexoFolder> root_;
    com::ComPtr<VexoFolder> wrapper_;
};

}  // namespace vexo
