// The texts of the CD access library's error codes (0 and -1 .. -15), as the
// rip routines show them when a block cannot be read.
#pragma once

#include <string_view>

namespace AspiErrors {

// The text for `code`; an empty text for a code the library does not define.
std::string_view TextOf(int code);

}  // namespace AspiErrors
