// The two file operations the engine needs: read its configuration, append
// to its log. RAII over the file handle.
#pragma once

#include <string>

namespace vexosim {

bool ReadWholeFile(const std::string& path, std::string& out);
bool AppendToFile(const std::string& path, const std::string& text);

}  // namespace vexosim
