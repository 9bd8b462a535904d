#include "Members.h"

#include <cstring>
#include <set>

#include "ComPtr.h"

using vexo::com::ComPtr;

namespace fuzz {
namespace {

std::string Narrow(const wchar_t* w) {
    std::string s;
    for (; w && *w; ++w) s += *w < 128 ? static_cast<char>(*w) : '?';
    return s;
}

bool IsPlumbing(const std::string& name) {
    static const char* const kNames[] = {"QueryInterface", "AddRef",      "Release",  "GetTypeInfoCount",
                                         "GetTypeInfo",    "GetIDsOfNames", "Invoke"};
    for (const char* n : kNames)
        if (name == n) return true;
    return false;
}

void ReadFunctions(ITypeInfo* info, std::vector<Member>& out, std::set<std::pair<DISPID, WORD>>& seen, int depth) {
    TYPEATTR* attr = nullptr;
    if (depth > 8 || FAILED(info->GetTypeAttr(&attr)) || !attr) return;
    const WORD functions = attr->cFuncs, bases = attr->cImplTypes;
    info->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < functions; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(info->GetFuncDesc(i, &fd)) || !fd) continue;
        Member m;
        m.id = fd->memid;
        m.kind = static_cast<WORD>(fd->invkind);
        BSTR name = nullptr;
        UINT got = 0;
        if (SUCCEEDED(info->GetNames(fd->memid, &name, 1, &got)) && got) m.name = Narrow(name);
        ::SysFreeString(name);
        for (SHORT p = 0; p < fd->cParams; ++p) {
            const ELEMDESC& e = fd->lprgelemdescParam[p];
            const USHORT flags = e.paramdesc.wParamFlags;
            ParamType t = ResolveType(info, e.tdesc);
            if (flags & PARAMFLAG_FRETVAL) {
                m.returnsValue = true;
                m.result = t;
                continue;
            }
            t.optional = (flags & PARAMFLAG_FOPT) != 0 || (fd->cParamsOpt > 0 && p >= fd->cParams - fd->cParamsOpt);
            m.params.push_back(t);
        }
        info->ReleaseFuncDesc(fd);
        if (IsPlumbing(m.name) || !seen.insert({m.id, m.kind}).second) continue;
        out.push_back(std::move(m));
    }
    for (WORD b = 0; b < bases; ++b) {
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> base;
        if (SUCCEEDED(info->GetRefTypeOfImplType(b, &ref)) && SUCCEEDED(info->GetRefTypeInfo(ref, base.put())))
            ReadFunctions(base.get(), out, seen, depth + 1);
    }
}

}  // namespace

ParamType ResolveType(ITypeInfo* info, const TYPEDESC& type) {
    ParamType t;
    switch (type.vt) {
        case VT_PTR: {
            const TYPEDESC& inner = *type.lptdesc;
            if (inner.vt == VT_USERDEFINED) {
                ParamType i = ResolveType(info, inner);
                if (i.vt == VT_DISPATCH || i.vt == VT_UNKNOWN) return i;  // an interface pointer: passed as is
                i.byRef = true;
                return i;
            }
            t = ResolveType(info, inner);
            t.byRef = true;
            return t;
        }
        case VT_SAFEARRAY: {
            t.vt = VT_SAFEARRAY;
            ParamType e = ResolveType(info, *type.lptdesc);
            t.element = e.vt == VT_SAFEARRAY ? static_cast<VARTYPE>(VT_VARIANT) : e.vt;
            return t;
        }
        case VT_USERDEFINED: {
            ComPtr<ITypeInfo> ref;
            TYPEATTR* attr = nullptr;
            if (FAILED(info->GetRefTypeInfo(type.hreftype, ref.put())) || FAILED(ref->GetTypeAttr(&attr)) || !attr)
                return t;
            switch (attr->typekind) {
                case TKIND_ENUM:
                    t.vt = VT_I4;
                    for (WORD v = 0; v < attr->cVars; ++v) {
                        VARDESC* vd = nullptr;
                        if (SUCCEEDED(ref->GetVarDesc(v, &vd)) && vd) {
                            VARIANT n;
                            ::VariantInit(&n);
                            if (vd->varkind == VAR_CONST &&
                                SUCCEEDED(::VariantChangeType(&n, vd->lpvarValue, 0, VT_I4)))
                                t.enumValues.push_back(V_I4(&n));
                            ref->ReleaseVarDesc(vd);
                        }
                    }
                    break;
                case TKIND_ALIAS: t = ResolveType(ref.get(), attr->tdescAlias); break;
                case TKIND_DISPATCH:
                case TKIND_INTERFACE:
                    t.vt = (attr->typekind == TKIND_DISPATCH || (attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE))
                               ? VT_DISPATCH
                               : VT_UNKNOWN;
                    t.iid = attr->guid;
                    break;
                default: t.vt = VT_VARIANT; break;
            }
            ref->ReleaseTypeAttr(attr);
            return t;
        }
        case VT_INT:
        case VT_UINT:
        case VT_HRESULT: t.vt = type.vt == VT_HRESULT ? static_cast<VARTYPE>(VT_I4) : type.vt; return t;
        case VT_LPSTR:
        case VT_LPWSTR: t.vt = VT_BSTR; return t;
        case VT_VOID: t.vt = VT_EMPTY; return t;
        default: t.vt = type.vt; return t;
    }
}

MemberTables::~MemberTables() = default;

const MemberTable* MemberTables::Of(ITypeInfo* info) {
    if (!info) return nullptr;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr)) || !attr) return nullptr;
    const GUID guid = attr->guid;
    info->ReleaseTypeAttr(attr);
    auto found = tables_.find(guid);
    if (found != tables_.end()) return &found->second;
    MemberTable table;
    BSTR name = nullptr;
    if (SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) table.typeName = Narrow(name);
    ::SysFreeString(name);
    std::set<std::pair<DISPID, WORD>> seen;
    ReadFunctions(info, table.members, seen, 0);
    return &tables_.emplace(guid, std::move(table)).first->second;
}

const MemberTable* MemberTables::OfObject(IDispatch* object) {
    ComPtr<ITypeInfo> info;
    if (!object || FAILED(object->GetTypeInfo(0, 0, info.put())) || !info) return nullptr;
    return Of(info.get());
}

}  // namespace fuzz
