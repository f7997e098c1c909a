#include "httpclient/debug_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool exists(const std::string& path) { return std::ifstream(path).good(); }

class DebugLog : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = ::testing::TempDir() + "ovhttp_log_test.log";
        std::remove(path_.c_str());
    }
    void TearDown() override {
        DebugMgr::SetDebugLevel(0);
        DebugMgr::SetOutputFileName(nullptr);
        DebugMgr::SetOutputStreams(nullptr, nullptr);
        std::remove(path_.c_str());
    }
    std::string path_;
};

TEST_F(DebugLog, LevelZeroCreatesNoFileAndWritesNothing) {
    std::ostringstream second;
    DebugMgr::SetOutputFileName(path_.c_str());
    DebugMgr::SetOutputStreams(&second, nullptr);
    ::testing::internal::CaptureStdout();
    DebugOutput(1, "output\n");
    DebugError("error\n");
    Assert(false, "assert\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(second.str(), "");
    EXPECT_FALSE(exists(path_));
}

TEST_F(DebugLog, LevelDecidesWhatIsWritten) {
    std::ostringstream third;
    DebugMgr::SetOutputStreams(nullptr, &third);
    DebugMgr::SetDebugLevel(20);
    DebugOutput(40, "dropped\n");
    DebugOutput(20, "level %d\n", 20);
    DebugError("error %s\n", "always");
    Assert(true, "holds\n");
    Assert(false, "fails %ld\n", 7L);
    Assert(false, nullptr);
    EXPECT_EQ(third.str(), "level 20\nerror always\nfails 7\n");
}

// Texts reach the file exactly (no line ends added, percent signs kept) and
// are appended to what the file held; a second stream gets them too, and
// standard output only when there is neither file nor third stream.
TEST_F(DebugLog, FileIsAppendedAndStreamsAreChosenInOrder) {
    { std::ofstream(path_) << "earlier\n"; }
    std::ostringstream second;
    DebugMgr::SetOutputFileName(path_.c_str());
    DebugMgr::SetOutputStreams(&second, nullptr);
    DebugMgr::SetDebugLevel(20);
    ::testing::internal::CaptureStdout();
    DebugOutput(20, "%s", "100% done\n");
    DebugError("two");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(readFile(path_), "earlier\n100% done\ntwo");
    EXPECT_EQ(second.str(), "100% done\ntwo");

    DebugMgr::SetOutputFileName(nullptr);
    ::testing::internal::CaptureStdout();
    DebugError("to stdout\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "to stdout\n");

    std::ostringstream third;
    DebugMgr::SetOutputStreams(&second, &third);
    ::testing::internal::CaptureStdout();
    DebugError("to third\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(third.str(), "to third\n");
}

TEST_F(DebugLog, FileInMissingFolderLosesEveryMessageSilently) {
    const std::string missing = ::testing::TempDir() + "no-such-folder-ovhttp/ovhttp.log";
    DebugMgr::SetOutputFileName(missing.c_str());
    DebugMgr::SetDebugLevel(20);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    DebugError("first\n");
    DebugOutput(10, "second\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(exists(missing));
}

struct OverflowCase {
    std::size_t length;
    bool notice;
};

// A text of 4095 characters or more gets the notice, then its first 4095.
TEST_F(DebugLog, LongMessagesGetTheOverflowNoticeAndAreCut) {
    std::ostringstream third;
    DebugMgr::SetOutputStreams(nullptr, &third);
    DebugMgr::SetDebugLevel(20);
    for (const OverflowCase c : {OverflowCase{4094, false}, {4095, true}, {5000, true}}) {
        const std::string message(c.length, 'm');
        const std::string expected = message.substr(0, 4095);
        const struct {
            const char* notice;
            void (*log)(const std::string&);
        } functions[] = {
            {"DebugOutput: BUFFER OVERFLOW!", [](const std::string& m) { DebugOutput(20, "%s", m.c_str()); }},
            {"DebugError: BUFFER OVERFLOW!", [](const std::string& m) { DebugError("%s", m.c_str()); }},
            {"Assert: BUFFER OVERFLOW!", [](const std::string& m) { Assert(false, "%s", m.c_str()); }},
        };
        for (const auto& f : functions) {
            third.str("");
            f.log(message);
            EXPECT_EQ(third.str(), (c.notice ? std::string(f.notice) : std::string()) + expected)
                << f.notice << " at length " << c.length;
        }
    }
}

}  // namespace
