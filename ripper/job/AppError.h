// AppError: an application error as the ripper reports it to the user: a
// number, the component that raised it and a readable description. Routines
// that can fail for reasons the user must see (the encoder, the crash filter,
// the rip job's handler) return one instead of throwing.
#pragma once

#include <cstdint>
#include <string>

struct AppError {
    int32_t number = 0;
    std::string source;
    std::string description;

    // A default-constructed value (number 0) means "no error".
    bool IsError() const { return number != 0; }
    explicit operator bool() const { return IsError(); }
};
