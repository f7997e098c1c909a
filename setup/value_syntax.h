// The small syntaxes of setup's values and command line: the field tokenizer,
// integers, four-part versions, version ranges and OEM lists.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Takes the first field off the front of source (which is trimmed of white
// space first). Strict mode: a field may be wholly enclosed in double quotes,
// which are removed, with "" inside standing for one quote; a quote anywhere
// else, or text after the closing quote, fails. Non-strict mode keeps every
// quote in the token, and a separator inside quotes does not split. The token
// is trimmed. An empty source gives an empty token and success. On failure
// token and source hold what was consumed so far.
bool ExtractToken(std::string_view& source, std::string& token, char separator = ',', bool strict = true);
bool ExtractToken(std::string& source, std::string& token, char separator = ',', bool strict = true);

// An optional "-" then decimal digits only; "" gives 0. Fails on any other
// character and on values outside the 32-bit signed range.
bool ParseInteger(std::string_view text, std::int32_t& value);

struct FourPartVersion {
    std::uint16_t major = 0, minor = 0, build = 0, revision = 0;

    // Reads up to four parts, each digits (at most 65535), one letter (a or A
    // is 0 ... z or Z is 25) or nothing, each after an optional "."; the rest
    // of the text is ignored. A text that does not start with a digit fails
    // and leaves the version as it was; a part above 65535 fails and leaves
    // 0.0.0.0.
    bool Parse(std::string_view text);
    // Negative, zero or positive, part by part.
    int Compare(const FourPartVersion& other) const;
    std::string ToString() const;  // "1.2.3.4"

    friend bool operator<(const FourPartVersion& a, const FourPartVersion& b) { return a.Compare(b) < 0; }
    friend bool operator>(const FourPartVersion& a, const FourPartVersion& b) { return a.Compare(b) > 0; }
    friend bool operator==(const FourPartVersion& a, const FourPartVersion& b) { return a.Compare(b) == 0; }
};

// Ranges separated by ";", each "low-high" with either side empty for no
// bound, or one version V for V to V. An empty list matches every version; a
// bound that does not parse ends the search without a match.
bool VersionInRanges(const FourPartVersion& version, std::string_view ranges);

// Codes separated by ";" compared ignoring case; a leading "~" makes the list
// an exclusion list. An empty list matches every code, an empty code no
// non-empty list. A list that does not split is internal error 25
// (0x8004006B).
bool MatchOemList(std::string_view code, std::string_view list);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view text);
