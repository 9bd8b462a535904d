// ConverterFiles: the texts of the converter tab's file list and of the
// conversion job, as pure logic: splitting the open dialog's result, the
// "Type" and "Size" columns, and the output file name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ConverterFiles {

// The open dialog's buffer as one text: everything up to the double NUL that
// ends it (single choice: the full path; several: folder, NUL, names
// separated by NULs), followed by one NUL. An empty buffer (a cancelled
// dialog) gives an empty text.
std::string DialogResult(const char* buffer, size_t size);

// The full paths a dialog result names, in the dialog's order: with one NUL
// the folder is everything before the last backslash (keeping it when it is
// the path's only backslash, a drive's root), with more the text before the
// first NUL. Each path is folder + "\" + name. Empty for an empty result.
std::vector<std::string> SplitSelection(std::string_view result);

// The file name after the path's last backslash (the whole text without one).
std::string FileName(std::string_view path);

// The "Type" column: the text between the first and the second dot of the
// file name (or after the only dot), upper-cased; empty without a dot.
std::string TypeText(std::string_view fileName);

// The "Size" column: bytes / 1,000,000 rounded to two decimals, + " MB".
std::string SizeText(uint64_t bytes);

// The output file name: the name's dot-separated pieces but the last joined
// without separator, then `extension` (a name without a dot gives the
// extension alone).
std::string OutputName(std::string_view path, std::string_view extension);

// Folder + "\" + name, without doubling a backslash the folder ends in.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace ConverterFiles
