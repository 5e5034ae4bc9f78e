#pragma once

#include <string>
#include <utility>
#include <vector>

namespace util::tool {

// Writes each (path, contents) pair to a temporary file in the target's directory, then renames
// them into place in the given order. Throws std::runtime_error naming the file on failure, after
// removing the temporary files; a target is either untouched or completely written.
void writeFilesAtomically(std::vector<std::pair<std::string, std::string>> const& files);

}  // namespace util::tool
