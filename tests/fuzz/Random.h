// The fuzzer's pseudo-random numbers: splitmix64, so that a seed and a call
// number alone give the same choices on every run and every machine.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace fuzz {

class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed) {}
    // The generator of call `n` of a run with `seed`: independent of how
    // many numbers the calls before it drew.
    static Rng ForCall(std::uint64_t seed, std::uint64_t n) {
        Rng r(seed ^ (n * 0xD1B54A32D192ED03ull));
        r.Next();
        return r;
    }

    std::uint64_t Next() {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1 (0 for n == 0).
    std::uint32_t Below(std::uint32_t n) { return n ? static_cast<std::uint32_t>(Next() % n) : 0; }
    // True with probability percent / 100.
    bool Percent(unsigned percent) { return Below(100) < percent; }
    template <class T>
    T Pick(std::initializer_list<T> list) {
        return list.begin()[Below(static_cast<std::uint32_t>(list.size()))];
    }

private:
    std::uint64_t s_;
};

}  // namespace fuzz
