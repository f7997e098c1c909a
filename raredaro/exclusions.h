// What the installed backup applications never take: their exclusion lists
// read from the registry, with the path macros expanded from the system's
// own folders, compiled into one list per process that the census asks.
#pragma once
#include <cstdint>
#include <string>

#include "raredaro/core/char_set.h"
#include "raredaro/core/exclusion_list.h"

namespace raredaro {

// The ANSI code page's lead bytes and case folding.
CharSet AnsiCharSet();

// Compiles every list there is into list (cleared first). 0 when at least
// one list was read, 1 when none was found, a negative HRESULT on failure.
std::int32_t CompileExclusionList(ExclusionList* list);

// The process-wide list. Each trigger object retains it while it lives and
// frees it (FreeExclusions) at its final release; the list itself goes with
// the last object. A compile replaces it whole.
void RetainExclusions();
void FreeExclusions();
// Rebuilds the process-wide list; the result as CompileExclusionList's.
std::int32_t CompileExclusions();
// Paths in the ANSI code page: "D:" for a root, "D:\\FOLDER" below it.
// Only a definite "excluded" is true; an empty list or a bad path is not.
bool IsDirectoryExcluded(const std::string& directory);
bool IsFileExcluded(const std::string& directory, const std::string& name);

}  // namespace raredaro
