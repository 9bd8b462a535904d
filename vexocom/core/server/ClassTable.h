// The server's creatable classes: registry-script resource id, class name
// in the script, class identifier and how an instance is made.
#pragma once

#include <windows.h>

#include <span>

#include "com/ClassFactory.h"

namespace vexo {

struct ClassEntry {
    UINT scriptId;
    const wchar_t* className;
    const CLSID* clsid;
    com::CreateFn create;
};

std::span<const ClassEntry> CreatableClasses();

// The entry of a class identifier, or null.
const ClassEntry* FindClass(REFCLSID clsid);

}  // namespace vexo
