// The members an object's type information declares (its default interface
// and every interface that one derives from), as the fuzzer calls them.
#pragma once

#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

#include "Values.h"

namespace fuzz {

struct Member {
    DISPID id = 0;
    WORD kind = DISPATCH_METHOD;  // DISPATCH_METHOD, _PROPERTYGET, _PROPERTYPUT or _PROPERTYPUTREF
    std::string name;
    std::vector<ParamType> params;  // without the return value
    bool returnsValue = false;
    ParamType result;
};

struct MemberTable {
    std::string typeName;
    std::vector<Member> members;
};

// One table per type, read once.
class MemberTables {
public:
    MemberTables() = default;
    MemberTables(const MemberTables&) = delete;
    MemberTables& operator=(const MemberTables&) = delete;
    ~MemberTables();

    // The table of the type `info` describes; null when it cannot be read.
    const MemberTable* Of(ITypeInfo* info);
    // The table of the object's first type information; null when it has none.
    const MemberTable* OfObject(IDispatch* object);

private:
    std::map<GUID, MemberTable, bool (*)(const GUID&, const GUID&)> tables_{
        [](const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof a) < 0; }};
};

// What a declared type is for the generator.
ParamType ResolveType(ITypeInfo* info, const TYPEDESC& type);

}  // namespace fuzz
