#include "TypeInfoCache.h"

#include <oleauto.h>

#include <vector>

#include "ComPtr.h"
#include "Module.h"

namespace vexo::com {
namespace {

struct Cache {
    CRITICAL_SECTION lock;
    ComPtr<ITypeLib> lib;
    std::vector<std::pair<IID, ComPtr<ITypeInfo>>> infos;
    Cache() { ::InitializeCriticalSection(&lock); }
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

class Guard {
public:
    explicit Guard(CRITICAL_SECTION& cs) noexcept : cs_(cs) { ::EnterCriticalSection(&cs_); }
    ~Guard() { ::LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION& cs_;
};

HRESULT LoadLibLocked(Cache& c) noexcept {
    if (c.lib) return S_OK;
    std::wstring path = ModulePathW();
    if (path.empty()) return E_UNEXPECTED;
    return ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, c.lib.put());
}

}  // namespace

HRESULT GetModuleTypeLib(ITypeLib** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    Cache& c = TheCache();
    Guard g(c.lock);
    HRESULT hr = LoadLibLocked(c);
    if (FAILED(hr)) return hr;
    return c.lib.CopyTo(out);
}

HRESULT GetTypeInfoOf(REFIID iid, ITypeInfo** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        Cache& c = TheCache();
        Guard g(c.lock);
        for (auto& [id, info] : c.infos)
            if (::IsEqualGUID(id, iid)) return info.CopyTo(out);
        HRESULT hr = LoadLibLocked(c);
        if (FAILED(hr)) return hr;
        ComPtr<ITypeInfo> info;
        hr = c.lib->GetTypeInfoOfGuid(iid, info.put());
        if (FAILED(hr)) return hr;
        c.infos.emplace_back(iid, info);
        return info.CopyTo(out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void ClearTypeInfoCache() noexcept {
    Cache& c = TheCache();
    Guard g(c.lock);
    c.infos.clear();
    c.lib.reset();
}

}  // namespace vexo::com
