#include "ConverterFiles.h"

#include <cctype>
#include <cstdio>

namespace ConverterFiles {

std::string DialogResult(const char* buffer, size_t size) {
    if (!buffer || size == 0 || buffer[0] == '\0') return {};
    size_t end = 0;
    while (end + 1 < size && !(buffer[end] == '\0' && buffer[end + 1] == '\0')) ++end;
    // `end` is on the first NUL of the double NUL (or at the buffer's last
    // character when the buffer was not terminated twice).
    std::string text(buffer, end);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    text.push_back('\0');
    return text;
}

std::vector<std::string> SplitSelection(std::string_view result) {
    std::vector<std::string> paths;
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t i = 0; i < result.size(); ++i) {
        if (result[i] == '\0') {
            pieces.push_back(result.substr(start, i - start));
            start = i + 1;
        }
    }
    if (pieces.empty() || pieces[0].empty()) return paths;
    if (pieces.size() == 1) {
        const std::string_view full = pieces[0];
        const size_t last = full.find_last_of('\\');
        if (last == std::string_view::npos) return {std::string(full)};
        std::string folder(full.substr(0, last));
        if (full.find('\\') == last) folder += '\\';  // a drive's root keeps its backslash
        paths.push_back(folder + "\\" + std::string(full.substr(last + 1)));
        return paths;
    }
    const std::string folder(pieces[0]);
    for (size_t i = 1; i < pieces.size(); ++i)
        if (!pieces[i].empty()) paths.push_back(folder + "\\" + std::string(pieces[i]));
    return paths;
}

std::string FileName(std::string_view path) {
    const size_t last = path.find_last_of('\\');
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string TypeText(std::string_view fileName) {
    const size_t first = fileName.find('.');
    if (first == std::string_view::npos) return {};
    const size_t second = fileName.find('.', first + 1);
    std::string piece(fileName.substr(first + 1, second == std::string_view::npos ? std::string_view::npos
                                                                                : second - first - 1));
    for (char& c : piece) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return piece;
}

std::string SizeText(uint64_t bytes) {
    // Hundredths of a megabyte, halves rounded up.
    const uint64_t hundredths = (bytes + 5000) / 10000;
    char text[48];
    std::snprintf(text, sizeof text, "%llu.%02llu MB", static_cast<unsigned long long>(hundredths / 100),
                  static_cast<unsigned long long>(hundredths % 100));
    return text;
}

std::string OutputName(std::string_view path, std::string_view extension) {
    const std::string name = FileName(path);
    std::string out;
    const size_t lastDot = name.find_last_of('.');
    if (lastDot != std::string::npos)
        for (size_t i = 0; i < lastDot; ++i)
            if (name[i] != '.') out += name[i];
    out += extension;
    return out;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '\\') path += '\\';
    path += name;
    return path;
}

}  // namespace ConverterFiles
