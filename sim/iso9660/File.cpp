#include "File.h"
#include "Error.h"
#ifdef _WIN32
#include <windows.h>
#include <vector>
#endif

namespace iso9660 {

namespace {
std::FILE* OpenUtf8(const std::string& path, const char* mode)
{
#ifdef _WIN32
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return nullptr;
    std::vector<wchar_t> wide(static_cast<std::size_t>(n));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, wide.data(), n);
    wchar_t wmode[4] = {};
    for (int i = 0; i < 3 && mode[i]; ++i)
        wmode[i] = static_cast<wchar_t>(mode[i]);
    return _wfopen(wide.data(), wmode);
#else
    return std::fopen(path.c_str(), mode);
#endif
}
} // namespace

File::File(const std::string& path, Mode mode) : path_(path)
{
    f_ = OpenUtf8(path, mode == Mode::Read ? "rb" : "wb");
    if (!f_)
        throw Error(ErrorCode::Io, "cannot open '" + path + (mode == Mode::Read ? "' for reading" : "' for writing"));
}

File::~File()
{
    if (f_)
        std::fclose(f_);
}

void File::Seek(std::uint64_t offset)
{
#ifdef _WIN32
    int rc = _fseeki64(f_, static_cast<long long>(offset), SEEK_SET);
#else
    int rc = fseeko(f_, static_cast<off_t>(offset), SEEK_SET);
#endif
    if (rc != 0)
        throw Error(ErrorCode::Io, "cannot seek in '" + path_ + "'");
}

std::uint64_t File::Size()
{
#ifdef _WIN32
    if (_fseeki64(f_, 0, SEEK_END) != 0)
        throw Error(ErrorCode::Io, "cannot seek in '" + path_ + "'");
    long long end = _ftelli64(f_);
#else
    if (fseeko(f_, 0, SEEK_END) != 0)
        throw Error(ErrorCode::Io, "cannot seek in '" + path_ + "'");
    long long end = ftello(f_);
#endif
    if (end < 0)
        throw Error(ErrorCode::Io, "cannot tell the size of '" + path_ + "'");
    Seek(0);
    return static_cast<std::uint64_t>(end);
}

std::size_t File::Read(void* buffer, std::size_t bytes)
{
    std::size_t got = std::fread(buffer, 1, bytes, f_);
    if (got < bytes && std::ferror(f_))
        throw Error(ErrorCode::Io, "cannot read '" + path_ + "'");
    return got;
}

void File::Write(const void* buffer, std::size_t bytes)
{
    if (std::fwrite(buffer, 1, bytes, f_) != bytes)
        throw Error(ErrorCode::Io, "cannot write '" + path_ + "'");
}

} // namespace iso9660
