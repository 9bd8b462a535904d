// The ITypeInfo of every interface, loaded once from the type library that
// is embedded in this module (resource TYPELIB 1) and kept until the module
// may unload.
#pragma once

#include <oaidl.h>

namespace vexo::com {

// The type information of the interface iid (one new reference), or an
// error when the module carries no type library or it does not describe iid.
HRESULT GetTypeInfoOf(REFIID iid, ITypeInfo** out) noexcept;

// The module's type library (one new reference).
HRESULT GetModuleTypeLib(ITypeLib** out) noexcept;

// Releases everything cached (DllCanUnloadNow calls it before answering S_OK).
void ClearTypeInfoCache() noexcept;

}  // namespace vexo::com
