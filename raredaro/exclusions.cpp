#include "raredaro/exclusions.h"

namespace raredaro {

int CompileExclusions() { return 1; }
bool IsDirectoryExcluded(const std::string&) { return false; }
bool IsFileExcluded(const std::string&, const std::string&) { return false; }
void FreeExclusions() {}

}  // namespace raredaro
