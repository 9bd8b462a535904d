// Paths of any length for the file functions. The ANSI file functions stop
// at MAX_PATH (260) characters: a folder deeper than that reads as missing
// although it is there. These go through the wide functions, with the
// "\\?\" form for a full path that needs it.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// `path` as the wide file functions take it at any length: a full path of
// MAX_PATH - 12 characters or more (the most a folder takes) gets the "\\?\" (or "\\?\UNC\") prefix, with
// its forward slashes turned into backslashes; every other path (shorter,
// relative, already prefixed) is only widened.
std::wstring FileApiPath(const std::string& path);

// The full form of `path` (taken from the current folder when relative) at
// any length; `path` itself when it cannot be made full.
std::string FullPathName(const std::string& path);

// The attributes, times and size of a file or folder; false when there is
// none.
bool PathAttributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data);

// Whether two paths name the same file: their full forms are equal, letter
// case aside (as the file system takes names).
bool SamePath(const std::string& a, const std::string& b);

bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);

// Removes a file; false when it could not be removed.
bool RemoveFile(const std::string& path);

}  // namespace win
