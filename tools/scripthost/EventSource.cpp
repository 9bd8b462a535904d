#include "EventSource.h"

#include <ocidl.h>

namespace host {

using vexo::com::ComPtr;

namespace {

// Type attributes, given back when the holder goes.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) noexcept : info_(info) {
        if (info_ && FAILED(info_->GetTypeAttr(&attr_))) attr_ = nullptr;
    }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    ~TypeAttr() {
        if (attr_) info_->ReleaseTypeAttr(attr_);
    }
    const TYPEATTR* operator->() const noexcept { return attr_; }
    explicit operator bool() const noexcept { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

// The type information of the implemented type of `coclass` whose flags,
// masked with `mask`, equal `flags`; null when there is none.
ComPtr<ITypeInfo> ImplementedType(ITypeInfo* coclass, int mask, int flags) {
    TypeAttr attr(coclass);
    if (!attr || attr->typekind != TKIND_COCLASS) return {};
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        int implFlags = 0;
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> type;
        if (FAILED(coclass->GetImplTypeFlags(i, &implFlags)) || (implFlags & mask) != flags) continue;
        if (SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref)) && SUCCEEDED(coclass->GetRefTypeInfo(ref, type.put())))
            return type;
    }
    return {};
}

bool SameType(ITypeInfo* a, const GUID& guid) {
    TypeAttr attr(a);
    return attr && attr->guid == guid;
}

// The coclass of the type library holding `described` whose default
// interface is `described`.
ComPtr<ITypeInfo> CoclassFromTypeLibrary(IDispatch* object) {
    ComPtr<ITypeInfo> described;
    if (FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, described.put())) || !described) return {};
    GUID guid{};
    {
        TypeAttr attr(described.get());
        if (!attr) return {};
        guid = attr->guid;
    }
    ComPtr<ITypeLib> library;
    UINT index = 0;
    if (FAILED(described->GetContainingTypeLib(library.put(), &index)) || !library) return {};
    const UINT count = library->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind{};
        if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
        ComPtr<ITypeInfo> coclass;
        if (FAILED(library->GetTypeInfo(i, coclass.put()))) continue;
        ComPtr<ITypeInfo> byDefault =
            ImplementedType(coclass.get(), IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE, IMPLTYPEFLAG_FDEFAULT);
        if (byDefault && SameType(byDefault.get(), guid)) return coclass;
    }
    return {};
}

}  // namespace

bool FindDefaultSource(IDispatch* object, EventSource& out, std::wstring& why) {
    out = {};
    if (!object) {
        why = L"ConnectObject needs an object.";
        return false;
    }
    ComPtr<ITypeInfo> coclass;
    ComPtr<IProvideClassInfo> provider;
    if (SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo, provider.put_void())) && provider)
        provider->GetClassInfo(coclass.put());
    if (!coclass) coclass = CoclassFromTypeLibrary(object);
    if (!coclass) {
        why = L"The object does not describe its class, so its events cannot be found.";
        return false;
    }
    ComPtr<ITypeInfo> source = ImplementedType(coclass.get(), IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE,
                                               IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    TypeAttr attr(source.get());
    if (!source || !attr) {
        why = L"The object has no events.";
        return false;
    }
    out.iid = attr->guid;
    out.info = source;
    return true;
}

}  // namespace host
