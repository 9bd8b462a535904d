#include "Win32File.h"

#include <windows.h>

#include "WinHandles.h"

#include <memory>

namespace vexosim {
namespace {

using unique_file = win::unique_handle;

unique_file Open(const std::string& path, DWORD access, DWORD disposition) {
    HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return unique_file(h);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& out) {
    unique_file f = Open(path, GENERIC_READ, OPEN_EXISTING);
    if (!f) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart > (16 << 20)) return false;
    out.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!out.empty() && !ReadFile(f.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr)) return false;
    out.resize(got);
    return true;
}

bool AppendToFile(const std::string& path, const std::string& text) {
    unique_file f = Open(path, FILE_APPEND_DATA, OPEN_ALWAYS);
    if (!f) return false;
    DWORD written = 0;
    return WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

NewFile::NewFile(const std::string& path) : path_(path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
}

NewFile::~NewFile() { Close(); }

void NewFile::Close() {
    if (handle_) CloseHandle(handle_);
    handle_ = nullptr;
}

bool NewFile::Write(const void* bytes, std::size_t count) {
    if (!handle_) return false;
    DWORD written = 0;
    return WriteFile(handle_, bytes, static_cast<DWORD>(count), &written, nullptr) && written == count;
}

void NewFile::Discard() {
    if (!handle_) return;
    Close();
    DeleteFileA(path_.c_str());
}

}  // namespace vexosim
