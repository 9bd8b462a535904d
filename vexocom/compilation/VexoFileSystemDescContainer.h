// VexoFileSystemDescContainer: a data compilation described in the engine's
// own file-system model. It owns an engine container (made with the object)
// holding a volume name and a root directory, to which directories and
// files are added by name through VexoDirectoryContainer objects; it keeps
// the burn options the burns pass with it.
//
// While a burn or a burn-at-once handle uses the container it is locked:
// its setters, and every change made through its directories and entries,
// answer message 529; reading keeps working.
#pragma once

#include <atomic>
#include <cstdint>

#include "EngineFileSystem.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "engineobject/EngineState.h"

namespace vexo {

class VexoFileSystemDescContainer final
    : public com::DispatchObject<VexoFileSystemDescContainer, IVexoFileSystemDescContainer> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFileSystemContent,
                                                        &IID_IVexoFileSystemDescContainer};

    VexoFileSystemDescContainer();

    // IVexoFileSystemContent
    STDMETHODIMP get_Name(BSTR* out) override;
    STDMETHODIMP get_Root(IVexoDirectory** out) override;
    // IVexoFileSystemDescContainer
    STDMETHODIMP put_Name2(BSTR value) override;
    STDMETHODIMP get_RootDirectoryContainer(IVexoDirectoryContainer** out) override;
    STDMETHODIMP get_BurnOptions(VEXO_BURN_OPTIONS* out) override;
    STDMETHODIMP put_BurnOptions(VEXO_BURN_OPTIONS value) override;

    // The engine container (null when the engine made none) and the burn
    // options, as the burn records take them.
    void* EngineContainer() const noexcept { return container_.get(); }
    uint32_t BurnOptions() const noexcept { return burnOptions_; }

    bool IsLocked() const noexcept { return locked_.load() != 0; }
    // Locks the container for one burn or burn-at-once handle; false when
    // another one holds it.
    bool TryLock() noexcept {
        uint8_t expected = 0;
        return locked_.compare_exchange_strong(expected, 1);
    }
    void Unlock() noexcept { locked_.store(0); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoFileSystemDescContainer; }

private:
    engine::Use use_;  // first in, last out: the container goes back to a loaded engine
    EngineBinding::FsContainer container_;
    uint32_t burnOptions_ = 0;
    std::atomic<uint8_t> locked_{0};
};

}  // namespace vexo
