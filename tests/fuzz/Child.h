// One slice of a fuzz run, in a process of its own: loads the server and the
// simulated engine, makes every creatable class, calls members of them and
// of what they return, and after each epoch releases everything and checks
// that nothing is left: the server can unload, the engine holds no block and
// saw no bad record.
//
// Every call is written to the log (one line, before the call) so that the
// parent can name the call that crashed or hung the process. The result
// file holds key=value lines: calls, finding (one per fault found), note
// (doubtful answers worth a look), hr (answer counts).
#pragma once

#include <cstdint>
#include <string>

namespace fuzz {

struct SliceOptions {
    std::uint64_t seed = 1;
    std::uint64_t count = 10000;  // calls
    std::uint32_t epoch = 1000;   // calls between two full releases and checks
    unsigned settleSeconds = 20;  // how long released work may take to end
    std::string log;              // the call log
    std::string result;           // the result file
};

// Runs in the current folder (the scratch folder). 0: no finding; 2:
// findings (in the result file); 4: the slice could not start.
int RunSlice(const SliceOptions& options);

}  // namespace fuzz
