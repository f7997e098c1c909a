// The client's levelled debug log. Off until a host sets a non-zero level;
// then texts go to the log file (appended), to up to two extra streams, or to
// standard output. Plain C++: built natively too.
#pragma once
#include <iosfwd>

#if defined(__MINGW_PRINTF_FORMAT)
#define OVHTTP_PRINTF(f, a) __attribute__((format(__MINGW_PRINTF_FORMAT, f, a)))
#else
#define OVHTTP_PRINTF(f, a) __attribute__((format(printf, f, a)))
#endif

// Written when the debug level is non-zero and at least `level`.
void DebugOutput(int level, const char* format, ...) OVHTTP_PRINTF(2, 3);
// Written whenever the debug level is non-zero.
void DebugError(const char* format, ...) OVHTTP_PRINTF(1, 2);
// Written (debug level permitting) only when the condition does not hold.
void Assert(bool condition, const char* format, ...) OVHTTP_PRINTF(2, 3);

class DebugMgr {
public:
    static constexpr int kBufferSize = 4096;
    static constexpr const char* kLogFileName = "ovhttp.log";

    // The host's controls. A new file name drops the current file stream;
    // the next message opens the new name. Extra streams are not owned.
    static void SetDebugLevel(int level);
    static int GetDebugLevel();
    static void SetOutputFileName(const char* name);
    static void SetOutputStreams(std::ostream* second, std::ostream* third);

    // Creates the file stream on first need (level set, name set, none yet).
    static void CheckCreateOutputFile();
};
