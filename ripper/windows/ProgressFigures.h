// The figures and texts the rip progress window shows for one update: the
// percentage as the progress bar gets it, the file name taken from the text
// the rip job passes, and the two label texts.
#pragma once

#include <cstdint>
#include <string>

namespace ProgressFigures {

// done / total * 100, written with two decimals ("12.50"), then made an
// integer with halves going to the even neighbour: 1 of 8 gives 12, 3 of 8
// gives 38. A total of 0 or less, or a value that is not a number, gives 0;
// the result is kept within 0..100 only by the caller's bar, not here.
int32_t PercentShown(double done, double total);

// The part after the last backslash (the whole text when it has none).
std::string LastPathPiece(const std::string& text);

// "Extracting " + the file name + "....".
std::string StatusText(const std::string& progressText);

// The percentage + " % " + "complete".
std::string CompleteText(int32_t percent);

// The width of the filled part of the drawn bar: done / total of the inner
// width, within 0..innerWidth.
int32_t FilledWidth(double done, double total, int32_t innerWidth);

}  // namespace ProgressFigures
