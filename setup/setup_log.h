// setup's log: every line goes to the installed sink (the log file in the
// program, a recorder in tests); without a sink lines are dropped.
#pragma once
#include <string>

class SetupLogSink {
public:
    virtual ~SetupLogSink() = default;
    virtual void WriteLogLine(const std::string& message) = 0;
};

// Installs the process-wide sink (null: none); answers the previous one.
SetupLogSink* SetSetupLogSink(SetupLogSink* sink);

void SetupLog(const std::string& message);

