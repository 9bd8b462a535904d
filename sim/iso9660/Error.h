// Errors of the ISO 9660 library: every refusal is an iso9660::Error with a
// code the engine can map and a message naming what was wrong.
#pragma once
#include <stdexcept>
#include <string>

namespace iso9660 {

enum class ErrorCode {
    BadTree,      // a name, a duplicate, a directory too deep: the tree cannot be written
    TooLarge,     // a file or the whole image does not fit the format's fields
    SourceFailed, // a file's source could not be opened or gave other bytes than announced
    SinkFailed,   // the sink refused the image's bytes
    Malformed,    // an image that is not a readable ISO 9660 volume
    Io,           // a file could not be opened, read or written
    BadArgument,  // a parameter outside what the call accepts
};

class Error : public std::runtime_error {
public:
    Error(ErrorCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
    ErrorCode code() const noexcept { return code_; }

private:
    ErrorCode code_;
};

} // namespace iso9660
