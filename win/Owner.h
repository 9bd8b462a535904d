// unique_owner<Traits>: the one owner of a Win32 resource. A Traits class
// names the value type, the value that means "nothing held", which values
// count as empty, and how a held value is given back:
//
//   struct Traits {
//       using pointer = HANDLE;
//       static pointer invalid() noexcept;         // what an empty owner holds
//       static bool empty(pointer) noexcept;       // values that hold nothing
//       static bool close(pointer) noexcept;       // gives a held value back
//   };
//
// The owner is move-only and gives its value back exactly once. Every empty
// value is stored as invalid(), so get() on an empty owner is always the
// same value.
#pragma once

#include <utility>

namespace win {

template <class Traits>
class unique_owner {
public:
    using pointer = typename Traits::pointer;

    unique_owner() noexcept = default;
    explicit unique_owner(pointer p) noexcept : p_(Normal(p)) {}
    unique_owner(unique_owner&& o) noexcept : p_(o.release()) {}
    unique_owner& operator=(unique_owner&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    unique_owner(const unique_owner&) = delete;
    unique_owner& operator=(const unique_owner&) = delete;
    ~unique_owner() { reset(); }

    pointer get() const noexcept { return p_; }
    bool valid() const noexcept { return !Traits::empty(p_); }
    explicit operator bool() const noexcept { return valid(); }

    pointer release() noexcept { return std::exchange(p_, Traits::invalid()); }

    // Gives the held value back and holds `p` instead. True when a value was
    // held and giving it back succeeded.
    bool reset(pointer p = Traits::invalid()) noexcept {
        const pointer old = std::exchange(p_, Normal(p));
        return !Traits::empty(old) && Traits::close(old);
    }

    // For a function that returns the value through an out-parameter: gives
    // back what is held and hands out the slot.
    pointer* put() noexcept {
        reset();
        return &p_;
    }

private:
    static pointer Normal(pointer p) noexcept { return Traits::empty(p) ? Traits::invalid() : p; }

    pointer p_ = Traits::invalid();
};

// Traits for the common case: a pointer-like value where null means nothing
// and `Close` gives it back.
template <class P, auto Close>
struct null_traits {
    using pointer = P;
    static pointer invalid() noexcept { return nullptr; }
    static bool empty(pointer p) noexcept { return p == nullptr; }
    static bool close(pointer p) noexcept { return Close(p); }
};

}  // namespace win
