#include "httpclient/debug_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <new>
#include <string>

namespace {

// Deliberately never destroyed: clients destroyed during static destruction
// still log, and each text is flushed as it is written.
struct LogState {
    std::atomic<int> level{0};
    std::mutex lock;  // the shared buffers and the streams
    std::string fileName;
    std::unique_ptr<std::ofstream> file;
    std::ostream* second = nullptr;
    std::ostream* third = nullptr;
    char outputBuffer[DebugMgr::kBufferSize] = {};
    char errorBuffer[DebugMgr::kBufferSize] = {};
    char assertBuffer[DebugMgr::kBufferSize] = {};
};

LogState& state() {
    static LogState* s = new LogState;
    return *s;
}

void createFileLocked(LogState& s) {
    if (s.level.load() == 0 || s.file || s.fileName.empty()) return;
    s.file.reset(new (std::nothrow) std::ofstream);
    if (!s.file) {
        std::fprintf(stderr, "DebugMgr::CheckCreateOutputFile : ERROR creating output file \"%s\".\n",
                     s.fileName.c_str());
        return;
    }
    // A file that cannot be opened keeps its stream in the failed state, so
    // later texts are lost rather than sent to standard output.
    s.file->open(s.fileName.c_str(), std::ios::out | std::ios::app);
}

void outputLocked(LogState& s, const char* text) {
    if (s.level.load() == 0) return;
    createFileLocked(s);
    if (s.file) {
        *s.file << text;
        s.file->flush();
    }
    if (s.second) *s.second << text;
    if (s.third) {
        *s.third << text;
        return;
    }
    if (!s.file) {
        std::fputs(text, stdout);
        std::fflush(stdout);
    }
}

void formatAndOutput(char* buffer, const char* overflowNotice, const char* invalidNotice,
                     const char* format, std::va_list args) {
    LogState& s = state();
    try {
        std::lock_guard<std::mutex> hold(s.lock);
        const int length = std::vsnprintf(buffer, DebugMgr::kBufferSize, format, args);
        if (length < 0) {
            buffer[0] = '\0';
            outputLocked(s, invalidNotice);
        } else if (length + 1 >= DebugMgr::kBufferSize) {
            outputLocked(s, overflowNotice);
        }
        outputLocked(s, buffer);
    } catch (...) {
        // Logging never fails its caller.
    }
}

}  // namespace

void DebugOutput(int level, const char* format, ...) {
    LogState& s = state();
    const int current = s.level.load();
    if (current == 0 || current < level || !format) return;
    std::va_list args;
    va_start(args, format);
    formatAndOutput(s.outputBuffer, "DebugOutput: BUFFER OVERFLOW!", "DebugOutput: INVALID FORMAT.",
                    format, args);
    va_end(args);
}

void DebugError(const char* format, ...) {
    LogState& s = state();
    if (!format) return;
    std::va_list args;
    va_start(args, format);
    formatAndOutput(s.errorBuffer, "DebugError: BUFFER OVERFLOW!", "DebugError: INVALID FORMAT.",
                    format, args);
    va_end(args);
}

void Assert(bool condition, const char* format, ...) {
    if (condition || !format) return;
    LogState& s = state();
    std::va_list args;
    va_start(args, format);
    formatAndOutput(s.assertBuffer, "Assert: BUFFER OVERFLOW!", "Assert: INVALID FORMAT.", format,
                    args);
    va_end(args);
}

void DebugMgr::SetDebugLevel(int level) { state().level.store(level); }

int DebugMgr::GetDebugLevel() { return state().level.load(); }

void DebugMgr::SetOutputFileName(const char* name) {
    LogState& s = state();
    try {
        std::lock_guard<std::mutex> hold(s.lock);
        s.file.reset();
        s.fileName = name ? name : "";
    } catch (...) {
    }
}

void DebugMgr::SetOutputStreams(std::ostream* second, std::ostream* third) {
    LogState& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    s.second = second;
    s.third = third;
}

void DebugMgr::CheckCreateOutputFile() {
    LogState& s = state();
    try {
        std::lock_guard<std::mutex> hold(s.lock);
        createFileLocked(s);
    } catch (...) {
    }
}
