// The program's arguments, split from its UTF-16 command line the way the C
// runtime splits them (blanks separate, double quotes group, backslashes
// before a quote escape it) and given in the ANSI code page, as the rest of
// the program's texts are.
#pragma once

#include <string>
#include <vector>

namespace win {

struct ProgramArguments {
    std::vector<std::string> args;  // without the program's own name
    // The first argument holding a character the ANSI code page lacks, as it
    // reads there (the default character in its place); empty when none.
    std::string lossy;
};

ProgramArguments GetProgramArguments();

// The reason a program gives for refusing a lossy argument.
std::string LossyArgumentReason(const std::string& lossy);

}  // namespace win
