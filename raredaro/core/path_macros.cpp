#include "raredaro/core/path_macros.h"

#include <cstring>

#include "raredaro/core/exclusion_list.h"

namespace raredaro {

const PathMacroName kPathMacros[9] = {
    {"%ANYDIR%", PathMacro::AnyDir},
    {"%USERPROFILE%", PathMacro::UserProfile},
    {"%PROGDIR%", PathMacro::ProgDir},
    {"%SYSTEMDIR%", PathMacro::SystemDir},
    {"%TEMP%", PathMacro::Temp},
    {"%WINDIR%", PathMacro::WinDir},
    {"%INTERNETCACHE%", PathMacro::InternetCache},
    {"%INTERNETCOOKIES%", PathMacro::InternetCookies},
    {"%INTERNETHISTORY%", PathMacro::InternetHistory},
};

namespace {

// Start of the last character of text, or npos when it is empty.
std::size_t LastCharStart(const std::string& text, const CharSet& chars) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < text.size(); i += chars.charLength(text, i)) last = i;
    return last;
}

void DropTrailingBackslash(std::string* text, const CharSet& chars) {
    const std::size_t last = LastCharStart(*text, chars);
    if (last != std::string::npos && last + 1 == text->size() && (*text)[last] == '\\') text->pop_back();
}

}  // namespace

bool ExpandMacros(std::string* name, MacroSource& source, const CharSet& chars, std::uint8_t* flags) {
    if (name->size() > kMaxExclusionPath) return false;
    // The length before any replacement: the test for a trailing '*' below
    // keeps looking at this position, wherever the text has moved.
    const std::size_t length = name->size();
    for (const PathMacroName& m : kPathMacros) {
        const std::size_t macroLength = std::strlen(m.text);
        std::size_t previous = std::string::npos;  // start of the character in front
        for (std::size_t pos = 0; pos < name->size();) {
            if (name->compare(pos, macroLength, m.text) != 0) {
                previous = pos;
                pos += chars.charLength(*name, pos);
                continue;
            }
            std::string expansion = source.expand(m.macro);
            if (expansion.empty()) return false;
            chars.toUpper(&expansion);
            std::size_t start = pos, removed = macroLength;
            bool frontRemoved = false;
            if (expansion == "*") {
                *flags |= ExclRecursive;
                expansion.clear();
                if (previous != std::string::npos) {
                    removed += pos - previous;
                    start = previous;
                    frontRemoved = true;
                }
            }
            if (length >= 1 && length - 1 < name->size() && (*name)[length - 1] == '*') {
                *flags |= ExclRecursive;
                const std::size_t next = pos + macroLength;
                if (next < name->size()) removed += chars.charLength(*name, next);
            }
            // Measured against the original length, as the limit always was;
            // signed, since later macros may be found inside an expansion.
            const long long after = static_cast<long long>(length) -
                                    static_cast<long long>(macroLength + (frontRemoved ? 1 : 0)) +
                                    static_cast<long long>(expansion.size());
            if (after < static_cast<long long>(kMaxExclusionPath)) {
                name->replace(start, removed, expansion);
                // Scanning goes on after the expansion, so that an expansion
                // holding the macro's own text cannot grow the name for ever.
                pos = start + expansion.size();
                previous = pos > 0 ? LastCharStart(name->substr(0, pos), chars) : std::string::npos;
            } else {
                previous = pos;
                pos += chars.charLength(*name, pos);
            }
        }
    }
    return true;
}

std::string ParentFolder(std::string path, const CharSet& chars) {
    DropTrailingBackslash(&path, chars);
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < path.size(); i += chars.charLength(path, i))
        if (path[i] == '\\') cut = i;
    if (cut == std::string::npos) return std::string();
    path.resize(cut);
    return path;
}

std::string ChooseTempFolder(std::string temp, std::string windows, const CharSet& chars) {
    DropTrailingBackslash(&temp, chars);
    DropTrailingBackslash(&windows, chars);
    if (temp.empty()) return temp;
    std::string upperTemp = temp, upperWindows = windows;
    chars.toUpper(&upperTemp);
    chars.toUpper(&upperWindows);
    if ((temp.size() == 2 && temp[1] == ':') || upperTemp == upperWindows) return temp.substr(0, 2) + "\\TEMP";
    return temp;
}

}  // namespace raredaro
