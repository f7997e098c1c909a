// What the installed backup applications never take. Until the exclusion
// lists are read, nothing is excluded.
#pragma once
#include <string>

namespace raredaro {

// 0 when at least one exclusion list was read.
int CompileExclusions();
bool IsDirectoryExcluded(const std::string& directory);
bool IsFileExcluded(const std::string& directory, const std::string& name);
void FreeExclusions();

}  // namespace raredaro
