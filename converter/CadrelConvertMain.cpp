// cadrel-convert: the headless conversion mode as a console program of its
// own, for scripts and tests. The windowed program runs the same mode when
// its first argument is /convert.
#include "HeadlessConvert.h"
#include "ProgramArguments.h"

int main() {
    const win::ProgramArguments arguments = win::GetProgramArguments();
    return RunHeadlessConvert(arguments.args, arguments.lossy);
}
