// One entry of the process's global interface table: registered from the
// object's own apartment, usable from any thread that has entered an
// apartment, revoked when the owner goes.
#pragma once

#include <objidl.h>

#include <utility>

#include "ComPtr.h"

namespace vexo::com {

// The process's table (one reference); null when COM cannot give it.
ComPtr<IGlobalInterfaceTable> GlobalInterfaceTable() noexcept;

class GitEntry {
public:
    GitEntry() noexcept = default;
    GitEntry(GitEntry&& o) noexcept : cookie_(std::exchange(o.cookie_, 0)) {}
    GitEntry& operator=(GitEntry&& o) noexcept {
        if (this != &o) {
            Revoke();
            cookie_ = std::exchange(o.cookie_, 0);
        }
        return *this;
    }
    GitEntry(const GitEntry&) = delete;
    GitEntry& operator=(const GitEntry&) = delete;
    ~GitEntry() { Revoke(); }

    HRESULT Register(IUnknown* object, REFIID iid) noexcept;
    void Revoke() noexcept;
    DWORD cookie() const noexcept { return cookie_; }
    explicit operator bool() const noexcept { return cookie_ != 0; }

    // The registered interface for the calling apartment.
    template <class T>
    HRESULT Get(REFIID iid, ComPtr<T>& out) const noexcept {
        return GetFromGlobal(cookie_, iid, out.put_void());
    }

    static HRESULT GetFromGlobal(DWORD cookie, REFIID iid, void** out) noexcept;

private:
    DWORD cookie_ = 0;
};

// Enters a multithreaded apartment for the scope when the calling thread is
// in none yet (engine threads calling back); leaves nothing behind.
// One interface marshalled in its object's apartment for a single use in
// another apartment (a worker's): Take gives the calling apartment its
// reference, once; marshalled data never taken is released on destruction.
class MarshalledOnce {
public:
    MarshalledOnce() noexcept = default;
    MarshalledOnce(const MarshalledOnce&) = delete;
    MarshalledOnce& operator=(const MarshalledOnce&) = delete;
    ~MarshalledOnce() { Reset(); }

    HRESULT Marshal(IUnknown* object, REFIID iid) noexcept {
        Reset();
        if (!object) return E_POINTER;
        return ::CoMarshalInterThreadInterfaceInStream(iid, object, &stream_);
    }
    HRESULT Take(REFIID iid, void** out) noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!stream_) return E_UNEXPECTED;
        IStream* stream = std::exchange(stream_, nullptr);
        return ::CoGetInterfaceAndReleaseStream(stream, iid, out);
    }
    void Reset() noexcept {
        if (IStream* stream = std::exchange(stream_, nullptr)) {
            LARGE_INTEGER zero{};
            stream->Seek(zero, STREAM_SEEK_SET, nullptr);
            ::CoReleaseMarshalData(stream);
            stream->Release();
        }
    }

private:
    IStream* stream_ = nullptr;
};

class ApartmentScope {
public:
    explicit ApartmentScope(DWORD model = COINIT_MULTITHREADED) noexcept
        : entered_(SUCCEEDED(::CoInitializeEx(nullptr, model))) {}
    ApartmentScope(const ApartmentScope&) = delete;
    ApartmentScope& operator=(const ApartmentScope&) = delete;
    ~ApartmentScope() {
        if (entered_) ::CoUninitialize();
    }

private:
    bool entered_;
};

}  // namespace vexo::com
