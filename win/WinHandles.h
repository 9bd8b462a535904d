// Owners for kernel resources: handles, find handles, loaded modules, memory
// blocks from the process heap or GlobalAlloc. All are unique_owner.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "Owner.h"

namespace win {

// A kernel handle (file, event, process, ...). Both INVALID_HANDLE_VALUE and
// null count as "no handle"; an empty owner holds INVALID_HANDLE_VALUE, the
// value CreateFileA returns on failure. reset() gives CloseHandle's result.
struct handle_traits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool empty(pointer h) noexcept { return h == INVALID_HANDLE_VALUE || h == nullptr; }
    static bool close(pointer h) noexcept { return ::CloseHandle(h) != FALSE; }
};
using unique_handle = unique_owner<handle_traits>;

// A search handle from FindFirstFile, closed with FindClose.
struct find_traits : handle_traits {
    static bool close(pointer h) noexcept { return ::FindClose(h) != FALSE; }
};
using unique_find = unique_owner<find_traits>;

inline bool UnloadModule(HMODULE m) noexcept { return ::FreeLibrary(m) != FALSE; }

// A module from LoadLibrary, freed with FreeLibrary.
class unique_module : public unique_owner<null_traits<HMODULE, UnloadModule>> {
public:
    using unique_owner::unique_owner;

    // The export `name` as a function pointer of type Fn, or null.
    template <class Fn>
    Fn proc(const char* name) const noexcept {
        if (!get()) return nullptr;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(get(), name)));
    }
};

inline bool FreeHeapBlock(uint8_t* p) noexcept { return ::HeapFree(::GetProcessHeap(), 0, p) != FALSE; }

// A zero-filled block from the process heap (HeapAlloc on GetProcessHeap),
// with its size. Empty when the allocation failed.
class heap_block {
public:
    heap_block() noexcept = default;
    explicit heap_block(std::size_t size) noexcept {
        if (size == 0) return;
        p_.reset(static_cast<uint8_t*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size)));
        if (p_) size_ = size;
    }
    heap_block(heap_block&& o) noexcept : p_(std::move(o.p_)), size_(std::exchange(o.size_, 0)) {}
    heap_block& operator=(heap_block&& o) noexcept {
        if (this != &o) {
            p_ = std::move(o.p_);
            size_ = std::exchange(o.size_, 0);
        }
        return *this;
    }

    uint8_t* data() noexcept { return p_.get(); }
    const uint8_t* data() const noexcept { return p_.get(); }
    std::size_t size() const noexcept { return size_; }
    explicit operator bool() const noexcept { return p_.valid(); }
    std::span<uint8_t> bytes() noexcept { return {p_.get(), size_}; }
    std::span<const uint8_t> bytes() const noexcept { return {p_.get(), size_}; }

    void reset() noexcept {
        p_.reset();
        size_ = 0;
    }

private:
    unique_owner<null_traits<uint8_t*, FreeHeapBlock>> p_;
    std::size_t size_ = 0;
};

inline bool FreeGlobal(HGLOBAL h) noexcept { return ::GlobalFree(h) == nullptr; }

// A movable, zero-filled GlobalAlloc block (GMEM_MOVEABLE | GMEM_ZEROINIT),
// for the clipboard and other places that want an HGLOBAL.
class unique_hglobal : public unique_owner<null_traits<HGLOBAL, FreeGlobal>> {
public:
    unique_hglobal() noexcept = default;
    explicit unique_hglobal(std::size_t size) noexcept
        : unique_owner(size ? ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size) : nullptr) {}
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
