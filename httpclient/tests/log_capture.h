// Turns the debug log on for one test and collects what it writes.
#pragma once
#include <sstream>
#include <string>

#include "httpclient/debug_log.h"

class LogCapture {
public:
    explicit LogCapture(int level = 100) {
        DebugMgr::SetOutputFileName(nullptr);
        DebugMgr::SetOutputStreams(nullptr, &text_);  // the third stream: nothing to stdout
        DebugMgr::SetDebugLevel(level);
    }
    ~LogCapture() {
        DebugMgr::SetDebugLevel(0);
        DebugMgr::SetOutputStreams(nullptr, nullptr);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string text() const { return text_.str(); }
    bool contains(const std::string& part) const { return text().find(part) != std::string::npos; }
    void clear() { text_.str(std::string()); }

private:
    std::ostringstream text_;
};
