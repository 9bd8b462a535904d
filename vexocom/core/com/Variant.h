// VARIANT and SAFEARRAY owners.
#pragma once

#include <oleauto.h>

#include <utility>

namespace vexo::com {

class Variant {
public:
    Variant() noexcept { ::VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { ::VariantClear(&v_); }

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* operator&() noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    void clear() noexcept { ::VariantClear(&v_); }
    // Moves the content out into *out (which must be uninitialised or empty).
    void DetachTo(VARIANT* out) noexcept {
        *out = v_;
        ::VariantInit(&v_);
    }

private:
    VARIANT v_;
};

class SafeArray {
public:
    SafeArray() noexcept = default;
    explicit SafeArray(SAFEARRAY* a) noexcept : a_(a) {}
    SafeArray(SafeArray&& o) noexcept : a_(std::exchange(o.a_, nullptr)) {}
    SafeArray& operator=(SafeArray&& o) noexcept {
        if (this != &o) reset(std::exchange(o.a_, nullptr));
        return *this;
    }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    ~SafeArray() { reset(); }

    SAFEARRAY* get() const noexcept { return a_; }
    SAFEARRAY* Detach() noexcept { return std::exchange(a_, nullptr); }
    explicit operator bool() const noexcept { return a_ != nullptr; }
    void reset(SAFEARRAY* a = nullptr) noexcept {
        if (SAFEARRAY* old = std::exchange(a_, a)) ::SafeArrayDestroy(old);
    }

private:
    SAFEARRAY* a_ = nullptr;
};

// Access to a SAFEARRAY's data for the lifetime of the object.
class SafeArrayData {
public:
    explicit SafeArrayData(SAFEARRAY* a) noexcept : a_(a) {
        if (a_ && FAILED(::SafeArrayAccessData(a_, &data_))) data_ = nullptr;
    }
    SafeArrayData(const SafeArrayData&) = delete;
    SafeArrayData& operator=(const SafeArrayData&) = delete;
    ~SafeArrayData() {
        if (data_) ::SafeArrayUnaccessData(a_);
    }
    void* data() const noexcept { return data_; }
    explicit operator bool() const noexcept { return data_ != nullptr; }

private:
    SAFEARRAY* a_;
    void* data_ = nullptr;
};

}  // namespace vexo::com
