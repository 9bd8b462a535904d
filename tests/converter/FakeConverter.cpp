// A stand-in for the outside converter. It appends its command line to
// calls.txt and its process id to pid.txt beside itself, writes the command
// line into the destination (the last quoted name), prints a few lines, then
// stays silent for FAKE_AVFORMAT_SILENCE_MS milliseconds (default 0) and
// exits with code FAKE_AVFORMAT_EXIT_CODE (default 0). FAKE_AVFORMAT_NO_OUTPUT
// leaves the destination alone.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string OwnFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    const auto slash = s.find_last_of('\\');
    return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}

void Append(const std::string& file, const std::string& line) {
    if (FILE* f = std::fopen(file.c_str(), "ab")) {
        std::fputs(line.c_str(), f);
        std::fputs("\n", f);
        std::fclose(f);
    }
}

}  // namespace

int main() {
    const std::string line = ::GetCommandLineA();
    const std::string folder = OwnFolder();
    Append(folder + "calls.txt", line);
    Append(folder + "pid.txt", std::to_string(::GetCurrentProcessId()));
    std::printf("fake converter starting\n");
    std::fflush(stdout);
    const auto close = line.find_last_of('"');
    if (close != std::string::npos && close > 0 && !std::getenv("FAKE_AVFORMAT_NO_OUTPUT")) {
        const auto open = line.find_last_of('"', close - 1);
        if (open != std::string::npos) {
            const std::string dest = line.substr(open + 1, close - open - 1);
            if (FILE* f = std::fopen(dest.c_str(), "wb")) {
                std::fputs(line.c_str(), f);
                std::fclose(f);
            }
        }
    }
    std::fprintf(stderr, "fake converter: output written\n");
    std::fflush(stderr);
    if (const char* silence = std::getenv("FAKE_AVFORMAT_SILENCE_MS")) ::Sleep(static_cast<DWORD>(std::atoi(silence)));
    // A chatty converter: FAKE_AVFORMAT_OUTPUT_BYTES more bytes of messages.
    if (const char* chatty = std::getenv("FAKE_AVFORMAT_OUTPUT_BYTES")) {
        const std::string line(99, '.');
        for (long left = std::atol(chatty); left > 0; left -= 100) std::printf("%s\n", line.c_str());
    }
    std::printf("fake converter done\n");
    const char* code = std::getenv("FAKE_AVFORMAT_EXIT_CODE");
    return code ? std::atoi(code) : 0;
}
