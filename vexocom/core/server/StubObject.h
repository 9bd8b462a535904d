// A creatable class whose members are not served yet: IDispatch over the
// type information of the class's default interface (names resolve, every
// call answers E_NOTIMPL) and ISupportErrorInfo.
#pragma once

#include <oaidl.h>

#include "com/ComPtr.h"

namespace vexo {

// Creates an instance of coclass `clsid` asked for iid.
HRESULT CreateStubObject(REFCLSID clsid, REFIID iid, void** out);

template <const CLSID* Clsid>
HRESULT CreateStub(REFIID iid, void** out) {
    return CreateStubObject(*Clsid, iid, out);
}

}  // namespace vexo
