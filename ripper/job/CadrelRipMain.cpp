// cadrel-rip: the headless rip mode as a console program of its own, for
// scripts and tests. The windowed program runs the same mode when its first
// argument is /rip.
#include "HeadlessRip.h"
#include "ProgramArguments.h"

int main() {
    const win::ProgramArguments arguments = win::GetProgramArguments();
    return RunHeadlessRip(arguments.args, arguments.lossy);
}
