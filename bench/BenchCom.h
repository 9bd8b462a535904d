// What the COM benchmarks share: the program folder (VexoCOM.dll and the
// simulated engine's folder lie there) and an owning interface pointer.
#pragma once

#include <windows.h>

#include <string>

namespace bench {

inline std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\'));
}

template <class T>
struct Ref {
    T* p = nullptr;
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() {
        if (p) p->Release();
    }
    T** put() { return &p; }
    T* operator->() const { return p; }
};

}  // namespace bench
