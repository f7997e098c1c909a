#include "raredaro/core/name_match.h"

namespace raredaro {

namespace {

// First position at or after from, on a character boundary, where segment
// occurs in text; npos when none. Boundaries are stepped character by
// character so that a match never starts on a second byte.
std::size_t FindSegment(const std::string& text, std::size_t from, const std::string& pattern, std::size_t segStart,
                        std::size_t segLength, const CharSet& chars) {
    for (std::size_t i = from;; i += chars.charLength(text, i)) {
        if (text.size() - i < segLength) return std::string::npos;
        if (text.compare(i, segLength, pattern, segStart, segLength) == 0) return i;
    }
}

}  // namespace

bool NameMatches(const std::string& name, const std::string& pattern, bool wildcards, const CharSet& chars) {
    if (!wildcards) return name == pattern;
    std::size_t n = 0, p = 0;
    for (;;) {
        if (n == name.size()) {
            while (p < pattern.size() && pattern[p] == '*') ++p;
            return p == pattern.size();
        }
        if (p == pattern.size()) return false;
        const char c = pattern[p];
        if (c == '?') {
            n += chars.charLength(name, n);
            ++p;
        } else if (c == '*') {
            const std::size_t segStart = p + 1;
            std::size_t segEnd = segStart;
            while (segEnd < pattern.size() && pattern[segEnd] != '*' && pattern[segEnd] != '?')
                segEnd += chars.charLength(pattern, segEnd);
            const std::size_t found = FindSegment(name, n, pattern, segStart, segEnd - segStart, chars);
            if (found == std::string::npos) return false;
            for (std::size_t i = n; i < found; i += chars.charLength(name, i))
                if (name[i] == '\\') return false;
            n = found;
            p = segStart;
        } else {
            const std::size_t length = chars.charLength(pattern, p);
            if (chars.charLength(name, n) != length || name.compare(n, length, pattern, p, length) != 0) return false;
            n += length;
            p += length;
        }
    }
}

}  // namespace raredaro
