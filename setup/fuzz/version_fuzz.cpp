// Versions: a parsed version prints and parses back to itself, a version is
// inside the range made of its own text, comparison is antisymmetric, and
// range and OEM lists end cleanly on any text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "setup/internal_error.h"
#include "setup/value_syntax.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FourPartVersion version;
    if (version.Parse(text)) {
        FourPartVersion printed;
        if (!printed.Parse(printed.ToString()) || !printed.Parse(version.ToString()) || !(printed == version))
            std::abort();
        if (text.find_first_of(";-") == std::string_view::npos && !VersionInRanges(version, text)) std::abort();
    }
    FourPartVersion other;
    other.Parse("1.2.3.4");
    if (version.Compare(other) != -other.Compare(version)) std::abort();

    VersionInRanges(other, text);
    const auto bar = text.find('|');
    try {
        MatchOemList(text.substr(0, bar), bar == std::string_view::npos ? text : text.substr(bar + 1));
    } catch (const InternalError& e) {
        if (e.location != 25) std::abort();
    }
    return 0;
}
