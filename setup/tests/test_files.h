// Helpers shared by setup's tests: a scratch folder with small files, and
// recorders for the log and for internal-error reports.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "setup/internal_error.h"
#include "setup/setup_log.h"

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder with a final separator, as setup passes folders.
    std::string Folder() const;
    std::string Path(const std::string& name) const { return (root_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    const std::filesystem::path& Root() const { return root_; }

private:
    std::filesystem::path root_;
};

// UTF-16LE bytes with the byte-order mark, from ASCII text.
std::string Utf16(const std::string& ascii, bool withMark = true);

// Installs itself as the log sink while it lives.
class LogRecorder : public SetupLogSink {
public:
    LogRecorder() : previous_(SetSetupLogSink(this)) {}
    ~LogRecorder() override { SetSetupLogSink(previous_); }
    void WriteLogLine(const std::string& message) override { lines.push_back(message); }
    std::vector<std::string> lines;

private:
    SetupLogSink* previous_;
};

// Installs itself as the internal-error reporter while it lives.
class ReportRecorder : public InternalErrorReporter {
public:
    ReportRecorder() : previous_(SetInternalErrorReporter(this)) {}
    ~ReportRecorder() override { SetInternalErrorReporter(previous_); }
    void ReportInternalError(std::uint16_t location, std::uint32_t hr, void* owner) override {
        reports.push_back({location, hr, owner});
    }
    struct Report {
        std::uint16_t location;
        std::uint32_t hr;
        void* owner;
    };
    std::vector<Report> reports;

private:
    InternalErrorReporter* previous_;
};

// Runs body, which must raise an internal error; answers it ({0, 0} if none).
template <class Body>
InternalError CatchInternalError(Body&& body) {
    try {
        body();
    } catch (const InternalError& e) {
        return e;
    }
    return {0, 0};
}
