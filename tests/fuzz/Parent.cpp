#include "Parent.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <ctime>
#include <deque>
#include <fstream>
#include <map>
#include <vector>

#include "ModuleFolder.h"
#include "WinHandles.h"

namespace fuzz {
namespace {

struct Slice {
    unsigned index = 0;
    std::uint64_t seed = 0, count = 0;
    std::string folder, log, result;
};

struct Running {
    Slice slice;
    win::unique_handle process;
    long long logSize = -1;
    DWORD lastGrowth = 0;
};

struct Totals {
    std::uint64_t calls = 0;
    unsigned children = 0, crashes = 0, hangs = 0, leaks = 0, checkFailures = 0, otherFindings = 0;
    long long outstanding = 0;
    std::vector<std::string> failures;  // one line each, with the seed that replays it
    std::map<std::string, long> notes;
};

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// The last lines of a call log: the crash line (when the filter wrote one)
// and the last call begun.
void LastCall(const std::string& log, std::string& crash, std::string& call, std::uint64_t& calls) {
    std::ifstream in(log, std::ios::binary);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(size > 65536 ? size - 65536 : 0);
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("CRASH"))
            crash = line;
        else if (!line.empty() && isdigit(static_cast<unsigned char>(line[0])))
            call = line;
    }
    calls = call.empty() ? 0 : strtoull(call.c_str(), nullptr, 10);
    for (char& c : call)
        if (c == '\t') c = ' ';
}

void DeleteTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    win::unique_find search(::FindFirstFileA((folder + "\\*").c_str(), &found));
    if (search) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(path);
            else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(search.get(), &found));
    }
    search.reset();
    ::RemoveDirectoryA(folder.c_str());
}

std::string Replay(const Slice& s, std::uint32_t epoch) {
    char line[200];
    snprintf(line, sizeof line, "replay: vexocom_fuzz --seed %llu --calls %llu --per-child %llu --epoch %u --jobs 1",
             static_cast<unsigned long long>(s.seed), static_cast<unsigned long long>(s.count),
             static_cast<unsigned long long>(s.count), epoch);
    return line;
}

bool Launch(const Slice& s, const RunOptions& o, Running& r) {
    ::CreateDirectoryA(s.folder.c_str(), nullptr);
    char self[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = "\"" + std::string(self) + "\" --child --seed " + std::to_string(s.seed) + " --count " +
                          std::to_string(s.count) + " --epoch " + std::to_string(o.epoch) +
                          " --settle-seconds " + std::to_string(o.settleSeconds) + " --log \"" + s.log +
                          "\" --result \"" + s.result + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, s.folder.c_str(), &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    r.slice = s;
    r.process.reset(pi.hProcess);
    r.logSize = -1;
    r.lastGrowth = ::GetTickCount();
    return true;
}

// Gathers what a child that ended left; true when it was clean.
bool Collect(const Running& r, DWORD exitCode, bool hung, const RunOptions& o, Totals& t) {
    const Slice& s = r.slice;
    ++t.children;
    std::uint64_t calls = 0;
    std::vector<std::string> findings;
    for (const std::string& line : ReadLines(s.result)) {
        if (line.starts_with("calls="))
            calls = strtoull(line.c_str() + 6, nullptr, 10);
        else if (line.starts_with("finding="))
            findings.push_back(line.substr(8));
        else if (line.starts_with("note=")) {
            std::string text = line.substr(5);
            text = text.substr(0, text.rfind(" ("));
            ++t.notes[text];
        }
    }
    char head[160];
    snprintf(head, sizeof head, "child %u (seed %llu, %llu calls): ", s.index, static_cast<unsigned long long>(s.seed),
             static_cast<unsigned long long>(s.count));
    if (hung || (exitCode != 0 && exitCode != 2)) {
        std::string crash, call;
        LastCall(s.log, crash, call, calls);
        if (hung) {
            ++t.hangs;
            t.failures.push_back(std::string(head) + "HANG: no call begun for " + std::to_string(o.hangSeconds) +
                                 " s; the last call: " + call + "; " + Replay(s, o.epoch));
        } else {
            ++t.crashes;
            char code[40];
            snprintf(code, sizeof code, "exit code %08lx", static_cast<unsigned long>(exitCode));
            t.failures.push_back(std::string(head) + "CRASH (" + (crash.empty() ? code : crash) +
                                 "); the last call: " + (call.empty() ? "none" : call) + "; " + Replay(s, o.epoch));
        }
        t.calls += calls;
        return false;
    }
    t.calls += calls;
    for (const std::string& f : findings) {
        if (f.starts_with("leak: DllCanUnloadNow") || f.starts_with("leak: the engine is still"))
            ++t.leaks;
        else if (f.find("outstanding allocations") != std::string::npos)
            t.outstanding += atoll(f.c_str() + f.find("reports ") + 8);
        else if (f.starts_with("engine check failures"))
            ++t.checkFailures;
        else
            ++t.otherFindings;
        t.failures.push_back(std::string(head) + f + "; " + Replay(s, o.epoch));
    }
    return findings.empty() && exitCode == 0;
}

}  // namespace

int RunFuzz(const RunOptions& o) {
    const std::string root = o.scratch.empty() ? win::PathInFolder(win::ProgramFolder(), "fuzz-scratch") : o.scratch;
    ::CreateDirectoryA(root.c_str(), nullptr);
    const std::uint64_t seed = o.seed ? o.seed : (static_cast<std::uint64_t>(time(nullptr)) << 16) ^ ::GetTickCount();

    // The server's classes and the proxies of its forwarders, registered once:
    // children registering side by side would rewrite the keys under each other.
    {
        const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        win::unique_module server(::LoadLibraryA(win::PathInFolder(win::ProgramFolder(), "VexoCOM.dll").c_str()));
        auto reg = server.proc<HRESULT(WINAPI*)()>("DllRegisterServer");
        const bool registered = reg && reg() == S_OK;
        server.reset();
        if (SUCCEEDED(com)) ::CoUninitialize();
        if (!registered) {
            printf("fuzz: VexoCOM.dll could not be registered\n");
            return 1;
        }
    }
    std::deque<Slice> waiting;
    for (std::uint64_t done = 0; done < o.calls; done += o.perChild) {
        Slice s;
        s.index = static_cast<unsigned>(waiting.size());
        s.seed = seed + s.index;
        s.count = std::min(o.perChild, o.calls - done);
        s.folder = root + "\\child-" + std::to_string(s.seed);
        s.log = s.folder + "\\calls.log";
        s.result = s.folder + "\\result.txt";
        waiting.push_back(s);
    }
    printf("fuzz: %llu calls in %zu children (%u at once), seeds %llu..%llu, scratch %s\n",
           static_cast<unsigned long long>(o.calls), waiting.size(), o.jobs, static_cast<unsigned long long>(seed),
           static_cast<unsigned long long>(seed + waiting.size() - 1), root.c_str());
    fflush(stdout);

    Totals t;
    std::vector<Running> running;
    const DWORD started = ::GetTickCount();
    while (!waiting.empty() || !running.empty()) {
        while (!waiting.empty() && running.size() < o.jobs) {
            Running r;
            if (!Launch(waiting.front(), o, r)) {
                t.failures.push_back("child " + std::to_string(waiting.front().index) + " could not be started");
                ++t.otherFindings;
            } else {
                running.push_back(std::move(r));
            }
            waiting.pop_front();
        }
        std::vector<HANDLE> handles;
        for (Running& r : running) handles.push_back(r.process.get());
        if (handles.empty()) continue;
        ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, 500);
        for (size_t i = 0; i < running.size();) {
            Running& r = running[i];
            DWORD code = STILL_ACTIVE;
            bool hung = false;
            if (::WaitForSingleObject(r.process.get(), 0) == WAIT_OBJECT_0) {
                ::GetExitCodeProcess(r.process.get(), &code);
            } else {
                const long long size = FileSize(r.slice.log);
                if (size != r.logSize) {
                    r.logSize = size;
                    r.lastGrowth = ::GetTickCount();
                } else if (::GetTickCount() - r.lastGrowth > o.hangSeconds * 1000u) {
                    hung = true;
                    ::TerminateProcess(r.process.get(), 99);
                    ::WaitForSingleObject(r.process.get(), 10000);
                }
                if (!hung) {
                    ++i;
                    continue;
                }
            }
            const bool clean = Collect(r, code, hung, o, t);
            printf("child %u (seed %llu): %s\n", r.slice.index, static_cast<unsigned long long>(r.slice.seed),
                   hung ? "hung" : clean ? "clean" : code == 2 ? "findings" : "crashed");
            fflush(stdout);
            if (clean && !o.keep) DeleteTree(r.slice.folder);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    const double seconds = (::GetTickCount() - started) / 1000.0;
    for (const std::string& f : t.failures) printf("FAIL %s\n", f.c_str());
    size_t shown = 0;
    for (const auto& [text, n] : t.notes)
        if (shown++ < 40) printf("note: %s (in %ld children)\n", text.c_str(), n);
    printf("fuzz: %llu calls in %.1f s (%.0f calls/s), %u children, %u crashes, %u hangs, %u leaks, "
           "%lld outstanding engine allocations, %u engine check failures, %u other findings\n",
           static_cast<unsigned long long>(t.calls), seconds, seconds > 0 ? t.calls / seconds : 0.0, t.children,
           t.crashes, t.hangs, t.leaks, t.outstanding, t.checkFailures, t.otherFindings);
    const bool clean = t.failures.empty();
    printf("fuzz: %s (seeds %llu..%llu)\n", clean ? "passed" : "FAILED", static_cast<unsigned long long>(seed),
           static_cast<unsigned long long>(seed + t.children - 1));
    fflush(stdout);
    return clean ? 0 : 1;
}

}  // namespace fuzz
