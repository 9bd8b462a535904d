#include "AVC.h"

#include <tlhelp32.h>

#include <algorithm>
#include <vector>

#include "LongPath.h"
#include "ModuleFolder.h"

namespace {

// The last-write time of a file, or false when there is no such file.
bool FileWritten(const std::string& path, FILETIME& written, ULONGLONG* size = nullptr) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!win::PathAttributes(path, data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    written = data.ftLastWriteTime;
    if (size) *size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

}  // namespace

AVC::AVC(HWND timerWindow, UINT_PTR timerId, std::string converterFolder)
    : timerWindow_(timerWindow), timerId_(timerId), converterFolder_(std::move(converterFolder)) {
    // The start-up record is kept and reused for every conversion.
    startup_.cb = sizeof startup_;
    security_.nLength = sizeof security_;
    security_.lpSecurityDescriptor = nullptr;
    security_.bInheritHandle = TRUE;
}

AVC::~AVC() {
    // Detaches from the borrowed timer; a converter still running is left to
    // run (only this object's handles to it go).
    if (running_) StopTimer();
}

void AVC::StartTimer() {
    if (timerWindow_) ::SetTimer(timerWindow_, timerId_, PollInterval, nullptr);
}

void AVC::StopTimer() {
    if (timerWindow_) ::KillTimer(timerWindow_, timerId_);
}

void AVC::RaiseError(std::string message) {
    if (ErrorEvent) ErrorEvent(message);
}

std::string AVC::GetShortName(const std::string& path) {
    char buffer[255] = {};
    const DWORD n = ::GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    // A short form that does not fit (or none at all) gives an empty text;
    // the caller then quotes the long path.
    if (n == 0 || n >= sizeof buffer) return {};
    return std::string(buffer, n);
}

void AVC::ConvertMedia(bool& OverWrite) {
    const std::string missing = avc::MissingNameMessage(props_);
    if (!missing.empty()) {
        RaiseError(missing);
        return;
    }
    const std::string folder = converterFolder_.empty() ? win::ProgramFolder() : converterFolder_;
    const std::string path = avc::ConverterPath(folder);
    std::string program = GetShortName(path);
    if (program.empty() || program.find(' ') != std::string::npos) program = "\"" + path + "\"";
    const std::string commandLine = avc::BuildCommandLine(program, props_, OverWrite);
    if (!win::FileExists(path)) {
        RaiseError(avc::MissingConverterMessage());
        return;
    }
    source_ = props_.SourceFile;
    dest_ = props_.DestFile;
    destExisted_ = FileWritten(dest_, destWritten_);
    StartConverter(commandLine);
}

void AVC::StartConverter(const std::string& commandLine) {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &security_, 0)) return;
    win::unique_handle read(readEnd), write(writeEnd);

    startup_.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup_.wShowWindow = SW_HIDE;
    startup_.hStdInput = nullptr;
    startup_.hStdOutput = write.get();
    startup_.hStdError = write.get();

    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION info{};
    const BOOL started = ::CreateProcessA(nullptr, line.data(), &security_, &security_, TRUE, NORMAL_PRIORITY_CLASS,
                                          nullptr, nullptr, &startup_, &info);
    startup_.hStdOutput = startup_.hStdError = nullptr;
    if (!started) return;  // the pipe's two ends close with their owners

    lastCommandLine_ = commandLine;
    cancelled_ = false;
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    // Only the converter (and what it starts) holds the write end now, so
    // the pipe ends when it exits.
    write.reset();
    readPipe_ = std::move(read);
    running_ = true;
    StartTimer();
}

void AVC::Timer1_Timer() {
    if (!running_) return;
    // Drain what is waiting, in chunks, without ever waiting for more: the
    // window thread stays free while the converter is silent, and a chatty
    // converter is not held back by a pipe drained only a chunk per tick
    // (its writes block once the pipe is full). A pipe whose write side has
    // closed fails both calls once it is empty.
    bool ended = false;
    for (DWORD drained = 0; drained < MaxDrainPerTick;) {
        DWORD waiting = 0;
        if (!::PeekNamedPipe(readPipe_.get(), nullptr, 0, nullptr, &waiting, nullptr)) {
            ended = true;
            break;
        }
        if (waiting == 0) break;
        char chunk[ChunkSize];
        DWORD got = 0;
        if (!::ReadFile(readPipe_.get(), chunk, std::min<DWORD>(waiting, ChunkSize), &got, nullptr)) {
            ended = true;
            break;
        }
        if (got == 0) break;
        drained += got;
    }
    if (Converting) Converting();
    if (!ended || !running_) return;
    const std::string failure = cancelled_ ? std::string() : CheckEndedConversion();
    process_.reset();
    thread_.reset();
    readPipe_.reset();
    processId_ = threadId_ = 0;
    running_ = false;
    StopTimer();
    props_ = avc::Properties{};
    cancelled_ = false;
    if (!failure.empty()) RaiseError(failure);
    if (Complete) Complete();
}

std::string AVC::CheckEndedConversion() {
    // The output ends as the converter exits; give it a moment to be gone.
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process_.get(), ExitWait) == WAIT_OBJECT_0) ::GetExitCodeProcess(process_.get(), &code);
    FILETIME written{};
    ULONGLONG size = 0;
    const bool present = FileWritten(dest_, written, &size);
    std::string failure;
    if (code != 0 && code != STILL_ACTIVE) failure = avc::ConverterFailedMessage(source_, code);
    else if (!present || size == 0) failure = avc::NoOutputMessage(source_);
    // What a failed converter left is removed; a file it did not touch
    // (there before, same time) is not its output and stays.
    const bool touched = present && (!destExisted_ || ::CompareFileTime(&written, &destWritten_) != 0);
    if (!failure.empty() && touched) win::RemoveFile(dest_);
    return failure;
}

void AVC::CancelConvert() {
    if (running_) cancelled_ = true;
    KillProcessByName(avc::ConverterFileName);
}

void AVC::KillProcessByName(const std::string& fileName) {
    win::unique_handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
        const std::string_view name(entry.szExeFile, sizeof entry.szExeFile);
        if (!avc::ProcessNameMatches(name, fileName)) continue;
        win::unique_handle process(::OpenProcess(PROCESS_TERMINATE, TRUE, entry.th32ProcessID));
        if (process) ::TerminateProcess(process.get(), 0);
    }
}
