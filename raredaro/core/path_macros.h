// Path macros in the names of exclusion-list values: "%WINDIR%\\FONTS",
// "%TEMP%*" (the temporary folder and everything below it) and so on. The
// expansions themselves come from the system; this is how they are applied.
#pragma once
#include <cstdint>
#include <string>

#include "raredaro/core/char_set.h"

namespace raredaro {

enum class PathMacro {
    AnyDir,  // expands to "*": recursive, and the macro goes away
    UserProfile,
    ProgDir,
    SystemDir,
    Temp,
    WinDir,
    InternetCache,
    InternetCookies,
    InternetHistory,
};

struct PathMacroName {
    const char* text;
    PathMacro macro;
};
// In the order they are replaced.
extern const PathMacroName kPathMacros[9];

class MacroSource {
public:
    virtual ~MacroSource() = default;
    // The macro's folder, without a trailing '\\'; empty when it has none.
    virtual std::string expand(PathMacro macro) = 0;
};

// Replaces the macros in name (matched case-sensitively; each expansion is
// upper-cased) and may add ExclRecursive to flags. False when the entry is
// to be skipped: the name is too long, or a macro it uses has no expansion.
bool ExpandMacros(std::string* name, MacroSource& source, const CharSet& chars, std::uint8_t* flags);

// The folder above path (a trailing '\\' ignored); empty when there is none.
std::string ParentFolder(std::string path, const CharSet& chars);

// The temporary folder to use, from the system's temporary path and Windows
// directory: a bare drive, or the Windows directory itself, stands for
// "<drive>:\\TEMP". Trailing '\\' removed; empty when temp is.
std::string ChooseTempFolder(std::string temp, std::string windows, const CharSet& chars);

}  // namespace raredaro
