// vexocom_fuzz: an IDispatch fuzzer for VexoCOM.dll.
//
//   vexocom_fuzz [--calls N] [--per-child N] [--jobs N] [--seed S] [--epoch N]
//                [--hang-seconds N] [--scratch FOLDER] [--keep]
//       a run of N calls in child processes (see Parent.h); prints its figures
//   vexocom_fuzz --child --seed S --count N [--epoch N] --log FILE --result FILE
//       one slice in this process, in the current folder (see Child.h)
//
// A failure's report names the seed and count that replay it:
// `vexocom_fuzz --seed S --calls N --per-child N --jobs 1`.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Child.h"
#include "Parent.h"

namespace {

int Usage() {
    fprintf(stderr, "usage: vexocom_fuzz [--calls N] [--per-child N] [--jobs N] [--seed S] [--epoch N] "
                    "[--hang-seconds N] [--scratch FOLDER] [--keep]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool child = false;
    fuzz::RunOptions run;
    fuzz::SliceOptions slice;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](auto& out) {
            const char* v = value();
            if (!v) return false;
            char* end = nullptr;
            const unsigned long long n = strtoull(v, &end, 10);
            if (!end || *end) return false;
            out = static_cast<std::remove_reference_t<decltype(out)>>(n);
            return true;
        };
        bool ok = true;
        if (a == "--child") child = true;
        else if (a == "--keep") run.keep = true;
        else if (a == "--calls") ok = number(run.calls);
        else if (a == "--per-child") ok = number(run.perChild);
        else if (a == "--jobs") ok = number(run.jobs);
        else if (a == "--seed") ok = number(run.seed) && ((slice.seed = run.seed), true);
        else if (a == "--count") ok = number(slice.count);
        else if (a == "--epoch") ok = number(run.epoch) && ((slice.epoch = run.epoch), true);
        else if (a == "--hang-seconds") ok = number(run.hangSeconds);
        else if (a == "--settle-seconds") ok = number(run.settleSeconds) && ((slice.settleSeconds = run.settleSeconds), true);
        else if (a == "--scratch") ok = (value() != nullptr) && ((run.scratch = argv[i]), true);
        else if (a == "--log") ok = (value() != nullptr) && ((slice.log = argv[i]), true);
        else if (a == "--result") ok = (value() != nullptr) && ((slice.result = argv[i]), true);
        else ok = false;
        if (!ok) return Usage();
    }
    if (child) {
        if (slice.log.empty() || slice.result.empty() || slice.epoch == 0) return Usage();
        return fuzz::RunSlice(slice);
    }
    if (run.calls == 0 || run.perChild == 0 || run.jobs == 0 || run.epoch == 0) return Usage();
    return fuzz::RunFuzz(run);
}
