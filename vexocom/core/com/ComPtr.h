// Owning interface pointer: one reference, released exactly once.
#pragma once

#include <objbase.h>

#include <utility>

namespace vexo::com {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
    ComPtr(const ComPtr<U>& o) noexcept : p_(o.get()) {
        if (p_) p_->AddRef();
    }
    ComPtr& operator=(const ComPtr& o) noexcept {
        ComPtr(o).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        ComPtr(std::move(o)).swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }
    ~ComPtr() { reset(); }

    // Adopts an existing reference.
    static ComPtr Attach(T* p) noexcept {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    T* Detach() noexcept { return std::exchange(p_, nullptr); }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Releases what is held and hands out the slot for an out parameter.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    void reset() noexcept {
        if (T* old = std::exchange(p_, nullptr)) old->Release();
    }
    void swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

    // Copies the pointer to *out with a new reference (null stays null).
    template <class U>
    HRESULT CopyTo(U** out) const noexcept {
        if (!out) return E_POINTER;
        *out = p_;
        if (p_) p_->AddRef();
        return S_OK;
    }

    template <class U>
    HRESULT As(REFIID iid, ComPtr<U>& out) const noexcept {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out.put_void());
    }

private:
    T* p_ = nullptr;
};

}  // namespace vexo::com
