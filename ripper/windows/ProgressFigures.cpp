#include "ProgressFigures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ProgressFigures {

int32_t PercentShown(double done, double total) {
    if (!(total > 0) || !std::isfinite(done) || !std::isfinite(total)) return 0;
    const double value = done / total * 100.0;
    if (!std::isfinite(value) || std::fabs(value) > 1e9) return 0;
    // Two decimals first, as the shown text has them; then the whole number
    // from those hundredths, halves to even.
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", value);
    const long long hundredths = std::llround(std::strtod(text, nullptr) * 100.0);
    long long whole = hundredths / 100;
    long long rest = hundredths % 100;
    if (rest < 0) {
        rest += 100;
        --whole;
    }
    if (rest > 50 || (rest == 50 && (whole % 2 != 0))) ++whole;
    return static_cast<int32_t>(whole);
}

std::string LastPathPiece(const std::string& text) {
    const auto at = text.find_last_of('\\');
    return at == std::string::npos ? text : text.substr(at + 1);
}

std::string StatusText(const std::string& progressText) {
    return "Extracting " + LastPathPiece(progressText) + "....";
}

std::string CompleteText(int32_t percent) { return std::to_string(percent) + " % complete"; }

int32_t FilledWidth(double done, double total, int32_t innerWidth) {
    if (!(total > 0) || innerWidth <= 0 || !std::isfinite(done)) return 0;
    double w = done / total * innerWidth;
    if (w <= 0) return 0;
    if (w >= innerWidth) return innerWidth;
    return static_cast<int32_t>(w);
}

}  // namespace ProgressFigures
