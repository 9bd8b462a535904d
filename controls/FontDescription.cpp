#include "FontDescription.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace controls {

namespace {

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        out.push_back(Trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

std::optional<double> ParsePoints(const std::string& s) {
    if (s.empty()) return std::nullopt;
    bool dot = false, digit = false;
    for (char c : s) {
        if (c == '.' && !dot) dot = true;
        else if (std::isdigit(static_cast<unsigned char>(c))) digit = true;
        else return std::nullopt;
    }
    if (!digit) return std::nullopt;
    const double v = std::strtod(s.c_str(), nullptr);
    if (!(v >= 1.0 && v <= 500.0)) return std::nullopt;
    return v;
}

}  // namespace

std::optional<FontDescription> FontDescription::Parse(const std::string& text) {
    const std::vector<std::string> fields = SplitFields(text);
    if (fields.size() < 2 || fields[0].empty() || fields[0].size() > 31) return std::nullopt;
    FontDescription d;
    d.face = fields[0];
    const auto points = ParsePoints(fields[1]);
    if (!points) return std::nullopt;
    d.points = *points;
    for (size_t i = 2; i < fields.size(); ++i) {
        const std::string word = Lower(fields[i]);
        if (word == "bold") d.bold = true;
        else if (word == "italic") d.italic = true;
        else if (word == "underline") d.underline = true;
        else if (word == "strikeout") d.strikeout = true;
        else return std::nullopt;
    }
    return d;
}

std::string FontDescription::Format() const {
    char size[32];
    if (std::fabs(points - std::round(points)) < 1e-9) std::snprintf(size, sizeof size, "%d", static_cast<int>(std::round(points)));
    else std::snprintf(size, sizeof size, "%.2f", points);
    std::string s = size;
    // Trim trailing zeros of a decimal size ("9.50" -> "9.5").
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    std::string out = face + "," + s;
    if (bold) out += ",Bold";
    if (italic) out += ",Italic";
    if (underline) out += ",Underline";
    if (strikeout) out += ",Strikeout";
    return out;
}

}  // namespace controls
