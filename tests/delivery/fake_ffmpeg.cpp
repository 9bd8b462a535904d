// The tests' own Windows ffmpeg.exe: prints where it runs from and every
// argument it got, writes its last argument as a small file and exits with
// the number in FAKE_FFMPEG_EXIT (0 when unset). With a code other than 0 it
// writes no file, as a failing converter would.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
    char self[MAX_PATH * 4] = {};
    GetModuleFileNameA(nullptr, self, sizeof self - 1);
    std::printf("fake ffmpeg at %s\n", self);
    for (int i = 1; i < argc; ++i) std::printf("arg: %s\n", argv[i]);
    const char* wanted = std::getenv("FAKE_FFMPEG_EXIT");
    const int code = wanted ? std::atoi(wanted) : 0;
    if (code == 0 && argc > 1) {
        std::ofstream out(argv[argc - 1], std::ios::binary);
        out << "fake output\n";
    } else {
        std::printf("fake ffmpeg fails with %d\n", code);
    }
    std::fflush(stdout);
    return code;
}
