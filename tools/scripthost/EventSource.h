// Finding an object's default event interface, as WScript.ConnectObject
// needs it: through IProvideClassInfo when the object offers it, else
// through its type library (the coclass whose default interface is the one
// the object's IDispatch describes, and that coclass's default source).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "ComPtr.h"

namespace host {

struct EventSource {
    IID iid{};                                 // the source dispinterface
    vexo::com::ComPtr<ITypeInfo> info;         // its type information (event names)
};

// The default source of `object`; false with `why` set when it has none that
// can be found.
bool FindDefaultSource(IDispatch* object, EventSource& out, std::wstring& why);

}  // namespace host
