// Owners for the Win32 resources the ripper holds: kernel handles, loaded
// modules and memory blocks from the process heap or GlobalAlloc. Each owner
// is move-only and releases its resource exactly once.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

namespace win {

// A kernel handle (file, event, process, ...). Both INVALID_HANDLE_VALUE and
// null count as "no handle"; an empty owner holds INVALID_HANDLE_VALUE, the
// value CreateFileA returns on failure.
class unique_handle {
public:
    unique_handle() noexcept = default;
    explicit unique_handle(HANDLE h) noexcept : h_(h ? h : INVALID_HANDLE_VALUE) {}
    unique_handle(unique_handle&& o) noexcept : h_(o.release()) {}
    unique_handle& operator=(unique_handle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    unique_handle(const unique_handle&) = delete;
    unique_handle& operator=(const unique_handle&) = delete;
    ~unique_handle() { reset(); }

    HANDLE get() const noexcept { return h_; }
    bool valid() const noexcept { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    explicit operator bool() const noexcept { return valid(); }

    HANDLE release() noexcept { return std::exchange(h_, INVALID_HANDLE_VALUE); }

    // Closes the current handle; returns CloseHandle's result (FALSE when
    // there was nothing to close).
    BOOL reset(HANDLE h = INVALID_HANDLE_VALUE) noexcept {
        HANDLE old = std::exchange(h_, h ? h : INVALID_HANDLE_VALUE);
        if (old != INVALID_HANDLE_VALUE && old != nullptr) return ::CloseHandle(old);
        return FALSE;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// A module from LoadLibrary, freed with FreeLibrary.
class unique_module {
public:
    unique_module() noexcept = default;
    explicit unique_module(HMODULE m) noexcept : m_(m) {}
    unique_module(unique_module&& o) noexcept : m_(std::exchange(o.m_, nullptr)) {}
    unique_module& operator=(unique_module&& o) noexcept {
        if (this != &o) reset(std::exchange(o.m_, nullptr));
        return *this;
    }
    unique_module(const unique_module&) = delete;
    unique_module& operator=(const unique_module&) = delete;
    ~unique_module() { reset(); }

    HMODULE get() const noexcept { return m_; }
    explicit operator bool() const noexcept { return m_ != nullptr; }
    void reset(HMODULE m = nullptr) noexcept {
        HMODULE old = std::exchange(m_, m);
        if (old) ::FreeLibrary(old);
    }

    // The export `name` as a function pointer of type Fn, or null.
    template <class Fn>
    Fn proc(const char* name) const noexcept {
        if (!m_) return nullptr;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_, name)));
    }

private:
    HMODULE m_ = nullptr;
};

// A zero-filled block from the process heap (HeapAlloc on GetProcessHeap),
// with its size. Empty when the allocation failed.
class heap_block {
public:
    heap_block() noexcept = default;
    explicit heap_block(std::size_t size) noexcept {
        if (size == 0) return;
        p_ = static_cast<uint8_t*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size));
        if (p_) size_ = size;
    }
    heap_block(heap_block&& o) noexcept
        : p_(std::exchange(o.p_, nullptr)), size_(std::exchange(o.size_, 0)) {}
    heap_block& operator=(heap_block&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
            size_ = std::exchange(o.size_, 0);
        }
        return *this;
    }
    heap_block(const heap_block&) = delete;
    heap_block& operator=(const heap_block&) = delete;
    ~heap_block() { reset(); }

    uint8_t* data() noexcept { return p_; }
    const uint8_t* data() const noexcept { return p_; }
    std::size_t size() const noexcept { return size_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    std::span<uint8_t> bytes() noexcept { return {p_, size_}; }
    std::span<const uint8_t> bytes() const noexcept { return {p_, size_}; }

    void reset() noexcept {
        if (p_) ::HeapFree(::GetProcessHeap(), 0, p_);
        p_ = nullptr;
        size_ = 0;
    }

private:
    uint8_t* p_ = nullptr;
    std::size_t size_ = 0;
};

// A movable, zero-filled GlobalAlloc block (GMEM_MOVEABLE | GMEM_ZEROINIT),
// for the clipboard and other places that want an HGLOBAL.
class unique_hglobal {
public:
    unique_hglobal() noexcept = default;
    explicit unique_hglobal(std::size_t size) noexcept
        : h_(size ? ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size) : nullptr) {}
    unique_hglobal(unique_hglobal&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    unique_hglobal& operator=(unique_hglobal&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    unique_hglobal(const unique_hglobal&) = delete;
    unique_hglobal& operator=(const unique_hglobal&) = delete;
    ~unique_hglobal() { reset(); }

    HGLOBAL get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    HGLOBAL release() noexcept { return std::exchange(h_, nullptr); }
    void reset() noexcept {
        if (h_) ::GlobalFree(h_);
        h_ = nullptr;
    }

private:
    HGLOBAL h_ = nullptr;
};

// Keeps a GlobalAlloc block locked for the lifetime of the guard.
class global_lock {
public:
    explicit global_lock(HGLOBAL h) noexcept : h_(h), p_(h ? ::GlobalLock(h) : nullptr) {}
    global_lock(const global_lock&) = delete;
    global_lock& operator=(const global_lock&) = delete;
    ~global_lock() {
        if (p_) ::GlobalUnlock(h_);
    }
    void* get() const noexcept { return p_; }

private:
    HGLOBAL h_;
    void* p_;
};

}  // namespace win
