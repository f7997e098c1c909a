// The tokenizer ends on any text, always makes progress, gives trimmed tokens,
// and in strict mode a token quoted back comes out unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "setup/value_syntax.h"

namespace {

std::string Quote(const std::string& token) {
    std::string quoted = "\"";
    for (char c : token) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

bool IsWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool strict = data[0] & 1;
    static const char kSeparators[] = {',', ' ', ';', '|', '.', '"', '\t'};
    const char separator = kSeparators[(data[0] >> 1) % sizeof kSeparators];
    std::string_view source(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string copy(source);

    std::string token;
    std::string tokenOfCopy;
    while (!source.empty()) {
        const std::size_t before = source.size();
        const bool ok = ExtractToken(source, token, separator, strict);
        if (ok != ExtractToken(copy, tokenOfCopy, separator, strict) || token != tokenOfCopy || copy != source)
            std::abort();
        if (!ok) break;
        if (source.size() >= before && !source.empty()) std::abort();
        if (!token.empty() && (IsWhite(token.front()) || IsWhite(token.back()))) std::abort();
        if (strict && separator != '"' && !token.empty()) {
            std::string quoted = Quote(token);
            std::string back;
            if (!ExtractToken(quoted, back, separator, true) || back != token || !quoted.empty()) std::abort();
        }
    }
    return 0;
}
