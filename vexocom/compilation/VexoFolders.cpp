#include "compilation/VexoFolders.h"

namespace vexo {

HRESULT VexoFolders::Accept(VexoFolder* folder) {
    if (owner_ && folder->Contains(owner_)) return E_INVALIDARG;
    return S_OK;
}

}  // namespace vexo
