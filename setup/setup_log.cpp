#include "setup_log.h"

#include <atomic>

namespace {

std::atomic<SetupLogSink*> g_sink{nullptr};

}  // namespace

SetupLogSink* SetSetupLogSink(SetupLogSink* sink) { return g_sink.exchange(sink); }

void SetupLog(const std::string& message) {
    if (SetupLogSink* sink = g_sink.load()) sink->WriteLogLine(message);
}

