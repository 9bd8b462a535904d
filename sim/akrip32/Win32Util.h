// File helpers over Win32 used by the library's drive code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "WinHandles.h"

namespace akrip {

// Opens a file for reading, sharing everything (the image may be replaced
// or deleted while the library has it open).
win::unique_handle OpenForReading(const std::string& path);

// Size in bytes, nothing when the file cannot be found.
std::optional<uint64_t> FileSize(const std::string& path);

// The whole file when it exists and is at most maxBytes long.
std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes);

// Reads exactly size bytes at offset; false on any shortfall.
bool ReadAt(HANDLE file, uint64_t offset, void* buffer, uint32_t size);

// Folder of the module that holds this code, with a trailing backslash;
// empty when it cannot be found.
std::string ModuleFolder();

}  // namespace akrip
