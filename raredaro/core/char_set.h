// How the narrow (ANSI) code page splits text into characters and folds case.
// Exclusion paths and patterns are narrow text; a double-byte character must
// never be split, nor its second byte taken for '\\', '|', '*' or '?'.
#pragma once
#include <cstddef>
#include <string>

namespace raredaro {

struct CharSet {
    // Null: every character is one byte.
    bool (*isLeadByte)(unsigned char c) = nullptr;
    // Null: only the ASCII letters are folded (never a second byte).
    void (*upper)(std::string* text) = nullptr;

    // Bytes of the character that starts at i: 2 for a lead byte with a byte
    // after it, else 1. i must be below text.size().
    std::size_t charLength(const std::string& text, std::size_t i) const {
        return (isLeadByte && i + 1 < text.size() && isLeadByte(static_cast<unsigned char>(text[i]))) ? 2 : 1;
    }
    void toUpper(std::string* text) const;
};

}  // namespace raredaro
