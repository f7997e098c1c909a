#include "internal_error.h"

#include <atomic>
#include <cctype>

namespace {

std::atomic<InternalErrorReporter*> g_reporter{nullptr};
std::atomic<void*> g_owner{nullptr};

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < part.size() && std::tolower(static_cast<unsigned char>(text[i + k])) == part[k]) ++k;
        if (k == part.size()) return true;
    }
    return false;
}

}  // namespace

InternalErrorReporter* SetInternalErrorReporter(InternalErrorReporter* reporter) {
    return g_reporter.exchange(reporter);
}

void RaiseInternalError(unsigned location, std::uint32_t hr, void* owner) {
    if (location == 0 && hr == 0) {
        g_owner = owner;
        return;
    }
    const auto where = static_cast<std::uint16_t>(location & 0xFFFF);
    if (InternalErrorReporter* reporter = g_reporter.load()) reporter->ReportInternalError(where, hr, g_owner.load());
    throw InternalError{where, hr};
}

bool InternalErrorsAreQuiet(std::string_view commandLine) {
    return ContainsIgnoringCase(commandLine, "/qn") || ContainsIgnoringCase(commandLine, "/qb-");
}
