// cadrel-rip: the headless rip mode as a console program of its own, for
// scripts and tests. The windowed program runs the same mode when its first
// argument is /rip.
#include <string>
#include <vector>

#include "HeadlessRip.h"

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return RunHeadlessRip(args);
}
