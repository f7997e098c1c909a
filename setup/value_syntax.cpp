#include "value_syntax.h"

#include <cctype>
#include <cstdio>

#include "setup/internal_error.h"

namespace {

constexpr char kWhite[] = " \t\r\n\v\f";
constexpr auto npos = std::string_view::npos;

std::string_view TrimWhite(std::string_view text) {
    const auto first = text.find_first_not_of(kWhite);
    if (first == npos) return {};
    return text.substr(first, text.find_last_not_of(kWhite) - first + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool ExtractToken(std::string_view& source, std::string& token, char separator, bool strict) {
    token.clear();
    source = TrimWhite(source);
    bool inQuotes = false;
    bool afterClosingQuote = false;
    // The separator's position is kept across steps, so that a long field
    // full of quotes is not searched again from its start every time.
    std::size_t sep = source.find(separator);
    const auto drop = [&](std::size_t n) {
        source.remove_prefix(n);
        if (sep == npos) return;
        sep = sep >= n ? sep - n : source.find(separator);
    };

    while (!source.empty()) {
        const std::size_t quote = source.find('"');
        if (inQuotes) {
            if (quote == npos) return false;
            token.append(source.substr(0, quote));
            if (!strict) token += '"';
            drop(quote + 1);
            inQuotes = false;
            afterClosingQuote = true;
            continue;
        }
        if (quote == npos && sep == npos) {
            if (strict && !token.empty()) return false;  // text after a closing quote
            token.append(source);
            source = {};
            break;
        }
        if (quote != npos && (sep == npos || sep > quote)) {
            if (strict) {
                if (quote != 0) return false;  // a quote inside a field
                if (afterClosingQuote)
                    token += '"';  // "" inside quotes
                else if (!token.empty())
                    return false;
                drop(1);
            } else {
                token.append(source.substr(0, quote + 1));
                drop(quote + 1);
            }
            inQuotes = true;
            continue;
        }
        if (strict && !token.empty() && sep != 0) return false;  // text after a closing quote
        token.append(source.substr(0, sep));
        drop(sep + 1);
        break;
    }
    token = std::string(TrimWhite(token));
    return true;
}

bool ExtractToken(std::string& source, std::string& token, char separator, bool strict) {
    std::string_view rest = source;
    std::string field;
    const bool ok = ExtractToken(rest, field, separator, strict);
    source = std::string(rest);
    token = std::move(field);
    return ok;
}

bool ParseInteger(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) i = 1;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 2147483648LL) return false;
    }
    if (!negative && magnitude > 2147483647LL) return false;
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool FourPartVersion::Parse(std::string_view text) {
    if (text.empty() || !IsDigit(text[0])) return false;
    *this = FourPartVersion();
    std::uint16_t parts[4] = {};
    std::size_t i = 0;
    for (auto& part : parts) {
        if (i < text.size() && text[i] == '.') ++i;
        if (i < text.size() && IsDigit(text[i])) {
            std::uint32_t value = 0;
            for (; i < text.size() && IsDigit(text[i]); ++i) {
                value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
                if (value > 0xFFFF) return false;
            }
            part = static_cast<std::uint16_t>(value);
        } else if (i < text.size() && IsLetter(text[i])) {
            part = static_cast<std::uint16_t>(Lower(text[i]) - 'a');
            ++i;
        }
    }
    major = parts[0];
    minor = parts[1];
    build = parts[2];
    revision = parts[3];
    return true;
}

int FourPartVersion::Compare(const FourPartVersion& other) const {
    const std::uint16_t mine[] = {major, minor, build, revision};
    const std::uint16_t theirs[] = {other.major, other.minor, other.build, other.revision};
    for (int i = 0; i < 4; ++i)
        if (mine[i] != theirs[i]) return mine[i] < theirs[i] ? -1 : 1;
    return 0;
}

std::string FourPartVersion::ToString() const {
    char text[24];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", major, minor, build, revision);
    return text;
}

bool VersionInRanges(const FourPartVersion& version, std::string_view ranges) {
    if (ranges.empty()) return true;
    while (!ranges.empty()) {
        const auto semicolon = ranges.find(';');
        const std::string_view range = ranges.substr(0, semicolon);
        ranges = semicolon == npos ? std::string_view() : ranges.substr(semicolon + 1);

        const auto dash = range.find('-');
        const std::string_view low = dash == npos ? range : range.substr(0, dash);
        const std::string_view high = dash == npos ? range : range.substr(dash + 1);
        if (!low.empty()) {
            FourPartVersion bound;
            if (!bound.Parse(low)) return false;
            if (version < bound) continue;
        }
        if (high.empty()) return true;
        FourPartVersion bound;
        if (!bound.Parse(high)) return false;
        if (!(version > bound)) return true;
    }
    return false;
}

bool MatchOemList(std::string_view code, std::string_view list) {
    if (list.empty()) return true;
    if (code.empty()) return false;
    const bool exclude = list.front() == '~';
    if (exclude) list.remove_prefix(1);
    bool found = false;
    std::string entry;
    while (!list.empty() && !found) {
        if (!ExtractToken(list, entry, ';', true)) RaiseInternalError(25, 0x8004006B);
        found = EqualsIgnoringCase(entry, code);
    }
    return found != exclude;
}
