// Internal errors of setup: a 16-bit location and an HRESULT. Raising one
// hands it to the installed reporter, then throws InternalError, whose
// HRESULT becomes the run's status. The program's reporter formats, logs and
// shows the message unless the command line is quiet (InternalErrorsAreQuiet);
// tests install a recorder, or none.
#pragma once
#include <cstdint>
#include <string_view>

struct InternalError {
    std::uint16_t location;
    std::uint32_t hr;
};

class InternalErrorReporter {
public:
    virtual ~InternalErrorReporter() = default;
    // owner: the window stored by the last RaiseInternalError(0, 0, owner).
    virtual void ReportInternalError(std::uint16_t location, std::uint32_t hr, void* owner) = 0;
};

// Installs the process-wide reporter (null: none); answers the previous one.
InternalErrorReporter* SetInternalErrorReporter(InternalErrorReporter* reporter);

// Location 0 with HRESULT 0 only stores owner for later reports. Any other
// pair is reported and thrown as InternalError.
void RaiseInternalError(unsigned location, std::uint32_t hr, void* owner = nullptr);

// True when a command line asks for no message boxes on internal errors:
// it holds "/qn" or "/qb-", in any case.
bool InternalErrorsAreQuiet(std::string_view commandLine);
