// A fuzz run: slices of calls, each in a child process of this program with
// its own scratch folder as its current folder, a few at a time. A child
// that crashes or stops writing its call log for too long (a hang) is
// reported with the call it was making and the seed that replays it; the
// findings of the children that ended are gathered into one summary.
#pragma once

#include <cstdint>
#include <string>

namespace fuzz {

struct RunOptions {
    std::uint64_t calls = 1000000;
    std::uint64_t perChild = 25000;  // calls a child makes (the last may make fewer)
    unsigned jobs = 2;               // children at once
    std::uint64_t seed = 0;          // child k runs seed + k; 0: a fresh seed from the clock
    std::uint32_t epoch = 1000;
    unsigned hangSeconds = 120;
    unsigned settleSeconds = 20;  // passed on to the children
    std::string scratch;  // empty: "fuzz-scratch" beside the program
    bool keep = false;    // keep every child's scratch folder (else only those of failed children)
};

// 0 when no child crashed, hung or found anything; 1 otherwise.
int RunFuzz(const RunOptions& options);

}  // namespace fuzz
