// File-name patterns of the exclusion lists. The wildcard match never
// backtracks: a '*' jumps to the first place where the literal text after it
// occurs, and a trailing '*' consumes nothing. So "*.TMP" matches "A.B.TMP",
// but "*.*" matches only names whose first '.' is their last character, and
// "~*" only the name "~". Both texts are upper-cased by the caller.
#pragma once
#include <string>

#include "raredaro/core/char_set.h"

namespace raredaro {

// wildcards: the pattern holds '*' or '?'; without, the name must equal it.
bool NameMatches(const std::string& name, const std::string& pattern, bool wildcards, const CharSet& chars);

}  // namespace raredaro
