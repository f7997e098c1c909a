#include "setup_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

std::atomic<SetupLogSink*> g_sink{nullptr};

}  // namespace

SetupLogSink* SetSetupLogSink(SetupLogSink* sink) { return g_sink.exchange(sink); }

void SetupLog(const std::string& message) {
    if (SetupLogSink* sink = g_sink.load()) sink->WriteLogLine(message);
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (n > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<std::size_t>(n));
    }
    va_end(args);
    return text;
}
